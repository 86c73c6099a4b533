#pragma once
// The 256-entry colour table the drawing surface is given after each graphics pack load.

#include <array>
#include <cstdint>
#include <vector>

#include "engine/pack_data.h"

// Entries are 0x00RRGGBB.
using ColorTable = std::array<uint32_t, 256>;

// Entries 0-7 and 248-255 are the fixed system colours; then every picture's own colour table
// (pictures of at most 8 bits), in order, fills the lowest free entries with colours not yet in
// the table, until all 256 are used. Null pointers (items without a picture) are skipped.
ColorTable BuildColorTable(const std::vector<const Picture*>& pictures);

// The pack's "List.ColorTable" layout: 4 bytes per entry, blue, green, red, reserved.
ColorTable ColorTableFromBytes(const std::array<uint8_t, 1024>& bytes);
std::array<uint8_t, 1024> ColorTableToBytes(const ColorTable& table);
