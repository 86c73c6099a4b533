// The libxmp music player: handles, order positions and their return to 0, the mixer hook, the
// silent fallback and the simulator's virtual clock. Tiny modules come from our own writer.

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "music_test_util.h"
#include "platform/sdl/music_xmp.h"

namespace {

// Three orders of eight rows, 20 ms a row: orders start at 0, 160 and 320 ms; 480 ms in all.
constexpr const char* kTiny = R"(
speed 2
bpm 250
channels 2
rows 8
instrument k kick length=60
instrument l lead lo=c4 hi=c5
pattern a
  1 k: x . . . x . . .
end
pattern b
  2 l: c4 . e4 . g4 . ^ .
end
order a b a
)";

class MusicPlayer : public testing::Test {
protected:
    void SetUp() override {
        musictest::WriteSong(kTiny, tiny_);
        musictest::WriteSong(
            std::string(kTiny).replace(std::string(kTiny).find("order a b a"), 11, "order b a"), other_);
    }
    musictest::ScratchDir dir_;
    std::string tiny_ = dir_.Path("tiny.xm").string();
    std::string other_ = dir_.Path("other.xm").string();
};

TEST_F(MusicPlayer, LoadFailureGivesZero) {
    const std::string text = dir_.Path("notes.xm").string();
    std::ofstream(text) << "not a module at all\n";
    const std::string empty = dir_.Path("empty.xm").string();
    std::ofstream{empty};
    for (auto clock : {XmpMusicPlayer::Clock::Audio, XmpMusicPlayer::Clock::Virtual}) {
        XmpMusicPlayer player(clock);
        for (const std::string& path : {dir_.Path("missing.xm").string(), text, empty}) {
            EXPECT_EQ(player.SongLoadFromFile(path), 0) << path;
        }
        // Handle 0 is nothing: the game's operations on it are harmless.
        player.SongPlay(0);
        player.AdvanceMs(1000);
        EXPECT_EQ(player.SongGetOrder(0), 0);
        player.SongFree(0);
        EXPECT_FALSE(player.Audible());
        // A failed load does not spoil the next one.
        EXPECT_NE(player.SongLoadFromFile(tiny_), 0);
    }
}

TEST_F(MusicPlayer, VirtualClockWalksTheOrdersAndStartsOverAtZero) {
    XmpMusicPlayer player(XmpMusicPlayer::Clock::Virtual);
    const int32_t handle = player.SongLoadFromFile(tiny_);
    ASSERT_NE(handle, 0);
    EXPECT_EQ(player.SongGetOrder(handle), 0) << "before SongPlay";
    player.SongPlay(handle);
    EXPECT_EQ(player.SongGetOrder(handle), 0) << "right after SongPlay";
    // (ms to advance, order expected afterwards): through all three orders, round to 0, and on.
    const std::pair<int, int> steps[] = {{80, 0}, {160, 1}, {160, 2}, {160, 0}, {160, 1}, {160, 2}, {160, 0}};
    int at = 0;
    for (const auto& [ms, order] : steps) {
        player.AdvanceMs(ms);
        at += ms;
        EXPECT_EQ(player.SongGetOrder(handle), order) << "at " << at << " ms";
    }
    EXPECT_FALSE(player.Audible());
}

TEST_F(MusicPlayer, VirtualClockIsDeterministicWhateverTheFrameLength) {
    // The simulator's frames are not whole player ticks: leftover time must carry over.
    XmpMusicPlayer fine(XmpMusicPlayer::Clock::Virtual), coarse(XmpMusicPlayer::Clock::Virtual);
    const int32_t a = fine.SongLoadFromFile(tiny_), b = coarse.SongLoadFromFile(tiny_);
    fine.SongPlay(a);
    coarse.SongPlay(b);
    for (int frame = 1; frame <= 70; ++frame) {
        fine.AdvanceMs(1);
        fine.AdvanceMs(6);
        fine.AdvanceMs(10);  // 17 ms, like a 60 Hz frame
        coarse.AdvanceMs(17);
        ASSERT_EQ(fine.SongGetOrder(a), coarse.SongGetOrder(b)) << "frame " << frame;
    }
    EXPECT_EQ(coarse.SongGetOrder(b), 1);  // 1190 ms: 230 ms into the third pass
}

TEST_F(MusicPlayer, SongPlayStartsFromTheFirstOrderAgain) {
    XmpMusicPlayer player(XmpMusicPlayer::Clock::Virtual);
    const int32_t handle = player.SongLoadFromFile(tiny_);
    player.SongPlay(handle);
    player.AdvanceMs(400);
    ASSERT_EQ(player.SongGetOrder(handle), 2);
    player.SongPlay(handle);
    EXPECT_EQ(player.SongGetOrder(handle), 0);
    player.AdvanceMs(200);
    EXPECT_EQ(player.SongGetOrder(handle), 1);
}

TEST_F(MusicPlayer, FreeStopsAndTheHandleGoesStale) {
    XmpMusicPlayer player(XmpMusicPlayer::Clock::Virtual);
    const int32_t handle = player.SongLoadFromFile(tiny_);
    player.SongPlay(handle);
    player.AdvanceMs(200);
    ASSERT_EQ(player.SongGetOrder(handle), 1);
    player.SongFree(handle);
    EXPECT_EQ(player.SongGetOrder(handle), 0);
    player.SongPlay(handle);  // stale: nothing starts
    player.AdvanceMs(200);
    EXPECT_EQ(player.SongGetOrder(handle), 0);
    const int32_t next = player.SongLoadFromFile(tiny_);
    EXPECT_NE(next, 0);
    EXPECT_NE(next, handle);
}

TEST_F(MusicPlayer, LoadingAnotherModuleReplacesTheFirst) {
    XmpMusicPlayer player(XmpMusicPlayer::Clock::Virtual);
    const int32_t first = player.SongLoadFromFile(tiny_);
    player.SongPlay(first);
    player.AdvanceMs(200);
    const int32_t second = player.SongLoadFromFile(other_);  // two orders: b a
    ASSERT_NE(second, 0);
    EXPECT_EQ(player.SongGetOrder(first), 0);
    player.SongPlay(first);  // the first module is gone
    player.SongPlay(second);
    player.AdvanceMs(200);
    EXPECT_EQ(player.SongGetOrder(second), 1);
    player.AdvanceMs(160);
    EXPECT_EQ(player.SongGetOrder(second), 0) << "a two-order module starts over after 320 ms";
}

// Polls the order position on the wall clock until `done` says so or `limitMs` passes.
template <typename Done>
bool WaitFor(XmpMusicPlayer& player, int32_t handle, Done done, int limitMs, std::vector<int>& seen) {
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(limitMs)) {
        const int order = player.SongGetOrder(handle);
        if (seen.empty() || seen.back() != order) seen.push_back(order);
        if (done(order)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

struct MixerFormat {
    Uint16 format;
    int channels;
};

void PrintTo(const MixerFormat& f, std::ostream* out) {
    *out << "format " << f.format << " x" << f.channels;
}

class HookedPlayer : public testing::TestWithParam<MixerFormat> {};

// The game's case: SDL_mixer open (here on the dummy driver), libxmp rendering in the hook, the
// position handed over from the audio thread.
TEST_P(HookedPlayer, PlaysThroughTheMixerAndReportsTheLoop) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
    ASSERT_EQ(Mix_OpenAudio(44100, GetParam().format, GetParam().channels, 512), 0) << Mix_GetError();
    {
        musictest::ScratchDir dir;
        const std::string path = dir.Path("tiny.xm").string();
        musictest::WriteSong(kTiny, path);
        XmpMusicPlayer player;
        const int32_t handle = player.SongLoadFromFile(path);
        ASSERT_NE(handle, 0);
        player.SongPlay(handle);
        EXPECT_TRUE(player.Audible());
        EXPECT_EQ(player.SongGetOrder(handle), 0);
        std::vector<int> seen;
        EXPECT_TRUE(WaitFor(
            player, handle, [](int o) { return o == 2; }, 5000, seen));
        EXPECT_TRUE(WaitFor(
            player, handle, [](int o) { return o == 0; }, 5000, seen));
        EXPECT_EQ(seen.front(), 0);
        for (size_t i = 1; i < seen.size(); ++i) EXPECT_TRUE(seen[i] == seen[i - 1] + 1 || seen[i] == 0);
        player.SongFree(handle);
        EXPECT_FALSE(player.Audible());
        EXPECT_EQ(player.SongGetOrder(handle), 0);
    }
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

INSTANTIATE_TEST_SUITE_P(Formats, HookedPlayer,
                         testing::Values(MixerFormat{AUDIO_S16SYS, 2}, MixerFormat{AUDIO_F32SYS, 1},
                                         MixerFormat{AUDIO_S16SYS, 6}));

TEST_F(MusicPlayer, WithoutAMixerItPlaysSilentlyOnTheWallClock) {
    ASSERT_EQ(Mix_QuerySpec(nullptr, nullptr, nullptr), 0) << "this test needs the mixer closed";
    XmpMusicPlayer player;
    const int32_t handle = player.SongLoadFromFile(tiny_);
    ASSERT_NE(handle, 0);
    player.SongPlay(handle);
    EXPECT_FALSE(player.Audible());
    std::vector<int> seen;
    EXPECT_TRUE(WaitFor(
        player, handle, [](int o) { return o == 2; }, 3000, seen));
    EXPECT_TRUE(WaitFor(
        player, handle, [](int o) { return o == 0; }, 3000, seen));
}

}  // namespace
