#pragma once
// Our composition format (documented in assets/music/README.md) compiled into an XM module.

#include <string>

#include "xm_module.h"

namespace xm {

// Compiles the text of a composition; `sourceName` prefixes error messages ("Menu.song:12: ...").
// Throws GameError on any mistake, with the line it was found on.
Module Compose(const std::string& text, const std::string& sourceName);

// Reads and compiles a composition file.
Module ComposeFile(const std::string& path);

// Writes a module file (creating nothing else); throws GameError when it cannot be written.
void WriteModuleFile(const Module& module, const std::string& path);

// The facts `vandrax-xm --info` prints, one "key value" per line: name, orders, patterns,
// channels, instruments, speed, bpm, rows, duration_ms, restart.
std::string Describe(const Module& module);

}  // namespace xm
