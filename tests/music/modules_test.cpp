// The game's three modules as built: an independent player (openmpt123) reads them with the
// order count and length we composed, and they leave headroom when rendered.

#include <gtest/gtest.h>

#include <cmath>
#include <regex>

#include "composition.h"
#include "music_test_util.h"
#include "platform/sdl/music_xmp.h"

namespace {

using musictest::PeakDbfs;
using musictest::RmsDbfs;

const std::string kOpenMpt = VANDRAX_OPENMPT123;

std::string ModulePath(const std::string& name) {
    return std::string(VANDRAX_MUSIC_DIR) + "/" + name + ".xm";
}
std::string SongPath(const std::string& name) {
    return std::string(VANDRAX_SONG_DIR) + "/" + name + ".song";
}

// "Duration...: 01:31.391" -> seconds
double ParseDuration(const std::string& info) {
    std::smatch m;
    const std::regex duration(R"(Duration\.*: *(?:(\d+):)?(\d+):(\d+(?:\.\d+)?))");
    if (!std::regex_search(info, m, duration)) return -1;
    const double hours = m[1].matched ? std::stod(m[1]) : 0.0;
    return hours * 3600 + std::stod(m[2]) * 60 + std::stod(m[3]);
}

int ParseField(const std::string& info, const std::string& field) {
    std::smatch m;
    if (!std::regex_search(info, m, std::regex(field + R"(\.*: *(\d+))"))) return -1;
    return std::stoi(m[1]);
}

struct ModuleCase {
    const char* name;
    double minSeconds, maxSeconds;  // what each module is for
};

void PrintTo(const ModuleCase& c, std::ostream* out) {
    *out << c.name;
}

class GameModule : public testing::TestWithParam<ModuleCase> {};

TEST_P(GameModule, OpenMptReadsTheComposedOrdersAndLength) {
    ASSERT_FALSE(kOpenMpt.empty()) << "openmpt123 is not installed";
    const xm::Module composed = xm::ComposeFile(SongPath(GetParam().name));
    const double seconds = xm::ComputeTiming(composed).seconds;
    std::string info;
    ASSERT_EQ(musictest::Run({kOpenMpt, "--info", ModulePath(GetParam().name)}, info), 0) << info;
    EXPECT_NE(info.find("FastTracker 2 v1.04"), std::string::npos) << info;
    EXPECT_EQ(ParseField(info, "Orders"), static_cast<int>(composed.orders.size())) << info;
    EXPECT_EQ(ParseField(info, "Channels"), composed.channels) << info;
    EXPECT_EQ(ParseField(info, "Patterns"), static_cast<int>(composed.patterns.size())) << info;
    // FT2 players round each tick to whole output samples; a few tenths of a percent.
    EXPECT_NEAR(ParseDuration(info), seconds, 0.003 * seconds) << info;
    EXPECT_GE(seconds, GetParam().minSeconds);
    EXPECT_LE(seconds, GetParam().maxSeconds);
}

TEST_P(GameModule, OpenMptRendersAMinuteWithHeadroom) {
    ASSERT_FALSE(kOpenMpt.empty()) << "openmpt123 is not installed";
    musictest::ScratchDir dir;
    const std::string wav = dir.Path("render.wav").string();
    std::string out;
    ASSERT_EQ(
        musictest::Run({kOpenMpt, "--batch", "--quiet", "--no-float", "--samplerate", "44100", "--repeat",
                        "-1", "--end-time", "60", "--force", "-o", wav, ModulePath(GetParam().name)},
                       out),
        0);
    const musictest::Pcm pcm = musictest::ReadWav(wav);
    EXPECT_NEAR(pcm.samples.size() / 2.0 / pcm.rate, 60.0, 0.5);
    EXPECT_LE(PeakDbfs(pcm.samples), -1.0);
    EXPECT_GT(RmsDbfs(pcm.samples), -32.0) << "hardly audible";
}

TEST_P(GameModule, GameVolumeLeavesHeadroom) {
    const std::vector<int16_t> pcm = RenderModuleForGame(ModulePath(GetParam().name), 60000, 44100);
    ASSERT_FALSE(pcm.empty());
    EXPECT_LE(PeakDbfs(pcm), -1.0);
    // Under the effects, but still music: loudness between -30 and -16 dBFS RMS.
    EXPECT_LE(RmsDbfs(pcm), -16.0);
    EXPECT_GE(RmsDbfs(pcm), -30.0);
}

// The game restarts a module when its order position comes back to 0.
TEST_P(GameModule, OrderReturnsToZeroWhenTheModuleStartsOver) {
    const xm::Module composed = xm::ComposeFile(SongPath(GetParam().name));
    const xm::Timing timing = xm::ComputeTiming(composed);
    XmpMusicPlayer player(XmpMusicPlayer::Clock::Virtual);
    const int32_t handle = player.SongLoadFromFile(ModulePath(GetParam().name));
    ASSERT_NE(handle, 0);
    player.SongPlay(handle);
    const int last = static_cast<int>(composed.orders.size()) - 1;
    int shown = 0;
    for (int order = 0; order <= last; ++order) {
        const double middle = (timing.orderStartSeconds[order] +
                               (order < last ? timing.orderStartSeconds[order + 1] : timing.seconds)) /
                              2;
        const int ms = static_cast<int>(middle * 1000) - shown;
        player.AdvanceMs(ms);
        shown += ms;
        EXPECT_EQ(player.SongGetOrder(handle), order) << "at " << shown << " ms";
    }
    player.AdvanceMs(static_cast<int>(timing.seconds * 1000) - shown + 300);
    EXPECT_EQ(player.SongGetOrder(handle), 0);
}

INSTANTIATE_TEST_SUITE_P(Game, GameModule,
                         testing::Values(ModuleCase{"Menu", 30, 240}, ModuleCase{"Main", 60, 240},
                                         ModuleCase{"GameOver", 3, 20}),
                         [](const testing::TestParamInfo<ModuleCase>& tested) { return tested.param.name; });

}  // namespace
