#pragma once
// The manifest `vandrax-pack build` makes a pack from: one item per line.
//
//   # comment lines and blank lines are ignored
//   pack graphics                  (or: pack sound) - the first line that is not a comment
//   include other-file.manifest    inlines another manifest's item lines (path relative to this file)
//   image NAME SOURCE [pattern=WxH] [skip=WxH] [transparent=0|1] [key=#RRGGBB] [system=0|1]
//   wave NAME SOURCE [looped] [max=N]
//
// NAME and SOURCE may be double-quoted to hold spaces ("Start Game_n"). A '#' that starts a word
// starts a comment. tools/pack/README.md describes the whole format.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/pack_data.h"

struct ManifestImage {
    std::string name;
    std::string source;
    std::string baseDir;       // folder of the manifest the line is in
    std::string where;         // "file:line", for messages
    int32_t patternWidth = 0;  // 0: the whole picture
    int32_t patternHeight = 0;
    int32_t skipWidth = 0;
    int32_t skipHeight = 0;
    bool transparent = true;
    bool transparentGiven = false;  // the line says transparent= or key=: keying is wanted as stated
    uint32_t transparentColor = 0;  // 0x00BBGGRR
    bool systemMemory = false;
};

struct ManifestWave {
    std::string name;
    std::string source;
    std::string baseDir;
    std::string where;
    bool looped = false;
    int32_t maxPlayingCount = 0;
};

struct Manifest {
    PackKind kind = PackKind::Graphics;
    std::string path;
    std::vector<ManifestImage> images;
    std::vector<ManifestWave> waves;
};

// Reads a file's whole text; raises GameError when it cannot.
using ManifestFileReader = std::function<std::string(const std::string& path)>;

// Parses the manifest at path and everything it includes. Errors raise GameError with
// "file:line: what is wrong".
Manifest LoadManifest(const std::string& path, const ManifestFileReader& readFile);
Manifest LoadManifest(const std::string& path);

// Splits one line into words: blanks separate, double quotes group, a '#' starting a word ends the
// line. Raises GameError on an unterminated quote.
std::vector<std::string> SplitManifestLine(std::string_view line);
