#include "music_test_util.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <random>
#include <stdexcept>

#include "composition.h"

extern char** environ;

namespace musictest {

ScratchDir::ScratchDir() {
    std::random_device random;
    dir_ = std::filesystem::path(testing::TempDir()) / ("vandrax-music-" + std::to_string(random()));
    std::filesystem::create_directories(dir_);
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

xm::Module WriteSong(const std::string& text, const std::filesystem::path& file) {
    xm::Module module = xm::Compose(text, "test.song");
    xm::WriteModuleFile(module, file.string());
    return module;
}

namespace {
uint32_t U32(const std::vector<char>& b, size_t at) {
    uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}
uint16_t U16(const std::vector<char>& b, size_t at) {
    uint16_t v = 0;
    std::memcpy(&v, b.data() + at, 2);
    return v;
}
}  // namespace

Pcm ReadWav(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0)
        throw std::runtime_error("not a WAV file: " + file.string());
    Pcm pcm;
    size_t at = 12;
    while (at + 8 <= b.size()) {
        const uint32_t size = U32(b, at + 4);
        const size_t body = at + 8;
        if (body + size > b.size()) throw std::runtime_error("truncated WAV chunk");
        if (std::memcmp(b.data() + at, "fmt ", 4) == 0) {
            if (U16(b, body) != 1 || U16(b, body + 14) != 16)
                throw std::runtime_error("WAV is not 16-bit PCM");
            pcm.channels = U16(b, body + 2);
            pcm.rate = static_cast<int>(U32(b, body + 4));
        } else if (std::memcmp(b.data() + at, "data", 4) == 0) {
            pcm.samples.resize(size / 2);
            std::memcpy(pcm.samples.data(), b.data() + body, pcm.samples.size() * 2);
        }
        at = body + size + (size & 1);
    }
    if (pcm.channels == 0 || pcm.samples.empty()) throw std::runtime_error("WAV has no format or no data");
    return pcm;
}

double PeakDbfs(const std::vector<int16_t>& samples) {
    int peak = 0;
    for (int16_t s : samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
    return peak == 0 ? -200.0 : 20.0 * std::log10(peak / 32768.0);
}

double RmsDbfs(const std::vector<int16_t>& samples) {
    double sum = 0;
    for (int16_t s : samples) sum += static_cast<double>(s) * s;
    const double rms = std::sqrt(sum / std::max<size_t>(samples.size(), 1)) / 32768.0;
    return rms == 0 ? -200.0 : 20.0 * std::log10(rms);
}

double PitchHz(const std::vector<float>& mono, int rate, double lowHz, double highHz) {
    const int minLag = static_cast<int>(rate / highHz), maxLag = static_cast<int>(rate / lowHz) + 1;
    const size_t window = std::min<size_t>(mono.size() - maxLag - 1, 8192);
    auto correlate = [&](int lag) {
        double s = 0;
        for (size_t i = 0; i < window; ++i) s += mono[i] * mono[i + lag];
        return s;
    };
    int best = minLag;
    double bestValue = -1e300;
    for (int lag = minLag; lag <= maxLag; ++lag) {
        const double c = correlate(lag);
        if (c > bestValue) bestValue = c, best = lag;
    }
    // Parabolic refinement between neighbouring lags.
    const double a = correlate(best - 1), b = bestValue, c = correlate(best + 1);
    const double shift = (a - 2 * b + c) != 0 ? 0.5 * (a - c) / (a - 2 * b + c) : 0.0;
    return rate / (best + shift);
}

int Run(const std::vector<std::string>& args, std::string& output) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    output.clear();
    char buffer[4096];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, static_cast<size_t>(n));
    close(pipeFds[0]);
    if (spawned != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace musictest
