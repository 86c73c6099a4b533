#pragma once
// Writes packs in the form ReadPack reads: resource header, "TPF0", the collection component and
// its items. Only properties that differ from their defaults are written, names always.
// Pictures go out as 32-bit DIBs that keep their alpha; sounds as RIFF WAVE images.

#include <cstdint>
#include <vector>

#include "engine/pack_data.h"

std::vector<uint8_t> WritePack(const PackContents& contents);
