#pragma once
// The synthesised sound as the RIFF WAVE file the pack tool reads: 16-bit PCM, mono.

#include <string>

#include "engine/pack_data.h"
#include "synth.h"

namespace sfx {

WaveData ToWave(const Sound& sound);
void WriteWave(const std::string& path, const Sound& sound);

}  // namespace sfx
