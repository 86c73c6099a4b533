// Games recorded by the main window and played again: headless from a fresh window, and watched
// in the same window the player plays in, on the game's real data.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "base/errors.h"
#include "headless/replay_check.h"
#include "platform/fake/fakes.h"
#include "screens/autopilot.h"
#include "shell/main_form.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kVersion = "test-1";

class RecordedGames : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/vandrax-replays-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        home = folder;
        surface.recordDraws = false;
        device.recordStarts = false;
        platform.window = &window;
        platform.surface = &surface;
        platform.sound = &device;
        platform.music = &music;
        platform.keyboard = &keyboard;
        platform.clock = &clock;
        platform.dataRoot = VANDRAX_DATA;
        platform.settingsFolder = home;
        platform.version = kVersion;
        platform.checkData = false;
        form = std::make_unique<TMainForm>(platform);
        form->OnGameRecorded = [this](const Replay& replay) { recorded.push_back(replay); };
        SeedRandom(2024);
        form->FormCreate();
        form->Show();
        ASSERT_TRUE(form->Errors.empty()) << form->Errors.front();
    }
    void TearDown() override {
        form.reset();
        fs::remove_all(home);
    }

    void Deliver(InputEvent event) {
        keyboard.Track(event);
        form->Deliver(event);
    }
    void Key(InputEvent::Kind kind, int32_t key, uint32_t shift = kShiftNone) {
        InputEvent event;
        event.kind = kind;
        event.key = key;
        event.shift = shift;
        Deliver(event);
    }
    void Tap(int32_t key) {
        Key(InputEvent::Kind::KeyDown, key);
        Key(InputEvent::Kind::KeyUp, key);
    }
    void Focus(bool gained) {
        InputEvent event;
        event.kind = gained ? InputEvent::Kind::FocusGained : InputEvent::Kind::FocusLost;
        Deliver(event);
    }
    void PadAxis(int32_t axis, int32_t value) {
        InputEvent event;
        event.kind = InputEvent::Kind::PadAxis;
        event.axis = axis;
        event.value = value;
        Deliver(event);
    }

    // The bot's hands on the keyboard, as the simulator's autopilot holds them.
    void Drive() {
        const AutopilotInput input = DecideAutopilot(*form, form->SpriteEngine.Engine());
        const std::pair<int32_t, bool> keys[] = {
            {kVkUp, input.up}, {kVkDown, input.down}, {kVkLeft, input.left}, {kVkRight, input.right}};
        for (const auto& [key, held] : keys)
            if (held != (keyboard.down.count(key) != 0))
                Key(held ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp, key);
        if (input.fire) {
            Key(InputEvent::Kind::KeyDown, kVkControl, kShiftCtrl);
            Key(InputEvent::Kind::KeyUp, kVkControl);
        }
    }

    // Runs the clock a millisecond at a time; the bot drives while a game (not a replay) is on.
    void Run(uint64_t ms, bool drive) {
        for (const uint64_t end = clock.now + ms; clock.now < end && !form->Terminated(); ++clock.now) {
            if (drive && form->ScreenState == Screen::Game && form->NextDueAt() <= clock.now) Drive();
            form->Idle();
        }
    }
    void Release() {
        for (const int32_t key : {kVkUp, kVkDown, kVkLeft, kVkRight})
            if (keyboard.down.count(key) != 0) Key(InputEvent::Kind::KeyUp, key);
    }

    // A game of the bot's with a pause, a lost focus and the pad's stick in it, left after
    // `ms` through the quit overlay's Yes (or at its game over, when that comes first).
    void PlayAGame(int32_t clan, uint64_t ms) {
        form->Clan = clan;
        form->SetScreenState(Screen::Game);
        Run(ms / 3, true);
        Tap('P');
        Run(700, false);
        Tap('P');
        Focus(false);
        Run(500, false);
        Focus(true);
        PadAxis(0, -30000);
        Run(400, true);
        PadAxis(0, 0);
        Run(ms - ms / 3, true);
        Release();
        if (form->ScreenState == Screen::Game) {
            Tap(kVkEscape);
            Run(50, false);
            Tap('Y');
            Run(50, false);
        }
        // Still on (the level's banner takes no Escape): the program ends during the game.
        form->FinishRecording();
    }

    fs::path home;
    ManualClock clock;
    FakeWindow window;
    NullSurface surface;
    RecordingSoundDevice device{clock};
    FakeMusicPlayer music;
    FakeKeyboard keyboard;
    Platform platform;
    std::unique_ptr<TMainForm> form;
    std::vector<Replay> recorded;
};

TEST_F(RecordedGames, EachGameOfASessionPlaysAgainFromItsOwnStart) {
    PlayAGame(1, 40000);
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_NE(form->ScreenState, Screen::Game);
    // The second game begins with whatever the first left behind in the window.
    PlayAGame(2, 40000);
    ASSERT_EQ(recorded.size(), 2u);

    ReplayChecker checker(VANDRAX_DATA, kVersion);
    for (const Replay& replay : recorded) {
        const ReplayEnd& end = replay.end;
        ASSERT_GT(end.frames, 1000);
        EXPECT_GT(end.score, 0);
        const ReplayOutcome outcome = checker.Play(replay);
        EXPECT_TRUE(outcome.error.empty()) << outcome.error;
        EXPECT_TRUE(outcome.matches) << "recorded " << end.score << "/" << end.level << "/" << end.lives
                                     << "/" << end.frames << ", played " << outcome.end.score << "/"
                                     << outcome.end.level << "/" << outcome.end.lives << "/"
                                     << outcome.end.frames;
        // And again through the file.
        const Replay reread = DecodeReplay(EncodeReplay(replay));
        EXPECT_TRUE(checker.Play(reread).matches);
    }
    EXPECT_EQ(recorded[1].start.clan, 2);

    // A replay that lost its first keys plays another game.
    Replay edited = recorded[0];
    for (auto step = edited.steps.begin(); step != edited.steps.end(); ++step)
        if (step->kind == ReplayStep::Kind::Keys) {
            edited.steps.erase(step);
            break;
        }
    EXPECT_FALSE(checker.Play(edited).matches);
}

TEST_F(RecordedGames, AReplayWatchedInTheWindowEndsAsRecordedAndLeavesThePlayersOwn) {
    PlayAGame(1, 30000);
    ASSERT_EQ(recorded.size(), 1u);
    const Replay replay = recorded[0];
    ASSERT_GT(replay.end.frames, 1500);
    form->SetScreenState(Screen::HighScores);
    const THighScoreTable table = form->HighScores;
    const RandomState random = SaveRandom();
    const int32_t games = form->GamesStarted;
    const bool sound = form->GameSound;
    const std::string settings = [&] {
        std::ifstream in(form->ConfigFile());
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();

    form->WatchReplay(replay, Screen::HighScores);
    EXPECT_TRUE(form->Watching());
    EXPECT_EQ(form->ScreenState, Screen::Game);
    EXPECT_EQ(window.Caption(), "Vandrax [Replay]");
    // The viewer's keys and pointer are not the replay's; P holds it still.
    Run(2000, false);
    Tap('P');
    EXPECT_EQ(window.Caption(), "Vandrax [Replay paused]");
    const int32_t distance = form->Distance;
    Run(1500, false);
    EXPECT_EQ(form->Distance, distance);
    Tap('P');
    // Faster: the right arrow doubles the pace, up to eight times.
    Tap(kVkRight);
    Tap(kVkRight);
    EXPECT_EQ(window.Caption(), "Vandrax [Replay x4]");
    Run(replay.end.frames * 17 / 4 + 5000, false);

    EXPECT_FALSE(form->Watching());
    EXPECT_EQ(form->ScreenState, Screen::HighScores);
    EXPECT_EQ(form->WatchedEnd, replay.end);
    EXPECT_EQ(window.Caption(), "Vandrax");
    EXPECT_EQ(form->HighScores, table);
    EXPECT_EQ(form->GameSound, sound);
    EXPECT_EQ(form->GamesStarted, games);
    EXPECT_TRUE(SaveRandom() == random);
    EXPECT_EQ(recorded.size(), 1u) << "a replay watched is not recorded again";
    std::ifstream in(form->ConfigFile());
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), settings);

    // Escape ends a replay early, back at the table.
    form->WatchReplay(replay, Screen::HighScores);
    Run(3000, false);
    Tap(kVkEscape);
    EXPECT_FALSE(form->Watching());
    EXPECT_EQ(form->ScreenState, Screen::HighScores);
    EXPECT_FALSE(form->WatchedEnd.ended);
    EXPECT_LT(form->WatchedEnd.frames, replay.end.frames);
}

TEST_F(RecordedGames, AReplayOfAnotherVersionOrOtherDataIsNotPlayed) {
    PlayAGame(2, 5000);
    ASSERT_EQ(recorded.size(), 1u);
    struct Case {
        const char* what;
        void (*edit)(Replay&);
        const char* message;
    };
    const Case cases[] = {
        {"version", [](Replay& r) { r.start.version = "0.0.1"; },
         "The replay was recorded by Vandrax 0.0.1 and cannot be played by Vandrax test-1"},
        {"data", [](Replay& r) { r.start.data[7] ^= 1; }, "The replay was recorded with other game data"},
    };
    ReplayChecker checker(VANDRAX_DATA, kVersion);
    for (const Case& c : cases) {
        Replay replay = recorded[0];
        c.edit(replay);
        form->SetScreenState(Screen::HighScores);
        try {
            form->WatchReplay(replay, Screen::HighScores);
            ADD_FAILURE() << c.what << ": played";
        } catch (const GameError& error) {
            EXPECT_EQ(std::string(error.what()), c.message) << c.what;
        }
        EXPECT_FALSE(form->Watching()) << c.what;
        EXPECT_EQ(form->ScreenState, Screen::HighScores) << c.what;
        const ReplayOutcome outcome = checker.Play(replay);
        EXPECT_EQ(outcome.error, c.message) << c.what;
        EXPECT_FALSE(outcome.matches) << c.what;
    }
}

}  // namespace
