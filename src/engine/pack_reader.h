#pragma once
// Reads graphics (.dxg) and sound (.dxw) packs: a resource header, the "TPF0" component stream
// and one collection component whose "List" holds the items.
//
// Packs are untrusted: every length is checked against what is left before it is used.
// Failures raise GameError with the game's texts: "Invalid stream format" (header, signature),
// "Stream read error" (the stream ends early), "Invalid property value" (a value of the wrong
// kind), "Property %s does not exist", "Class %s not found" (root class), "DIB is invalid",
// "Wave is invalid".

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "engine/pack_data.h"

// Parses a whole pack into out, which is reset first. Items are appended as they are met, so when
// a pack fails half-way out keeps the items read so far (the failing one included, with the
// properties read before the failure).
void ReadPack(std::span<const uint8_t> bytes, PackContents& out);

// Opens the file (failure: "Cannot open file "%s". %s" with the system's reason, out untouched),
// then clears out and reads the pack into it.
void LoadPackFile(const std::string& path, PackContents& out);

// The standard colour names ("clBlack", "clFuchsia", ...) as 0x00BBGGRR; false when unknown.
// Matching ignores case.
bool ColorFromIdent(std::string_view ident, uint32_t& color);
