#pragma once
// Helpers shared by the music tests: temporary files, a WAV reader, level and pitch measures.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "xm_module.h"

namespace musictest {

// A fresh folder under the test temp dir, removed with the object.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    std::filesystem::path Path(const std::string& name) const { return dir_ / name; }

private:
    std::filesystem::path dir_;
};

// Compiles `text` and writes it as a module file; returns the compiled module.
xm::Module WriteSong(const std::string& text, const std::filesystem::path& file);

struct Pcm {
    int rate = 0;
    int channels = 0;
    std::vector<int16_t> samples;  // interleaved
};
// 16-bit PCM WAV files only; throws std::runtime_error on anything else.
Pcm ReadWav(const std::filesystem::path& file);

double PeakDbfs(const std::vector<int16_t>& samples);
double RmsDbfs(const std::vector<int16_t>& samples);

// Fundamental of a mono signal, searched between lowHz and highHz by autocorrelation.
double PitchHz(const std::vector<float>& mono, int rate, double lowHz, double highHz);

// 64-bit FNV-1a, fed piece by piece, integers low byte first: the fingerprint of rendered output.
class Fnv1a {
public:
    Fnv1a& Byte(uint8_t byte) {
        hash_ = (hash_ ^ byte) * 0x100000001b3ULL;
        return *this;
    }
    template <class T>
    Fnv1a& Int(T value) {
        for (size_t i = 0; i < sizeof(T); ++i)
            Byte(static_cast<uint8_t>(static_cast<uint64_t>(value) >> (8 * i)));
        return *this;
    }
    template <class T>
    Fnv1a& Ints(const std::vector<T>& values) {
        for (T value : values) Int(value);
        return *this;
    }
    uint64_t Value() const { return hash_; }

private:
    uint64_t hash_ = 0xcbf29ce484222325ULL;
};

// Runs a program (no shell); returns its exit status and fills `output` with its stdout.
int Run(const std::vector<std::string>& args, std::string& output);

}  // namespace musictest
