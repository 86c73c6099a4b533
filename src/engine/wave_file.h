#pragma once
// RIFF WAVE images, the form in which a sound pack stores each sound's samples.

#include <cstdint>
#include <span>
#include <vector>

#include "engine/pack_data.h"

// Reads "RIFF", size, "WAVE", then chunks: "fmt " gives the sample format, "data" the samples,
// any other chunk is skipped. A missing RIFF/WAVE mark, a missing "fmt " or "data" chunk, or a
// chunk running past the end raises "Wave is invalid".
WaveData DecodeWave(std::span<const uint8_t> bytes);
