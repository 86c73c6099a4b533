// The main window's sound and music operations, the music restart rule and the screen
// state machine, on the platform fakes.

#include "shell/main_form.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "base/errors.h"
#include "platform/fake/fakes.h"

namespace fs = std::filesystem;

namespace {

SoundItemData Sound(const std::string& name) {
    SoundItemData item;
    item.name = name;
    item.wave = MakePcmWave(1, 1000, 8, std::vector<uint8_t>(300, 0x80));
    return item;
}

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/vandrax-form-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        root = folder;
        fs::create_directories(root / "Music");
        for (const char* name : {"Menu", "Main", "GameOver"})
            std::ofstream(root / "Music" / (std::string(name) + ".xm")) << "x";
        platform.window = &window;
        platform.surface = &surface;
        platform.sound = &device;
        platform.music = &music;
        platform.keyboard = &keyboard;
        platform.clock = &clock;
        platform.dataRoot = root;
        platform.settingsFolder = root / "home";
        form = std::make_unique<TMainForm>(platform);
        form->Audio.RecordSounds = true;
        PackContents pack;
        pack.kind = PackKind::Sound;
        for (const char* name : {"button_down", "button_up", "police", "boom"})
            pack.sounds.push_back(Sound(name));
        form->DXWaveList.Initialize(&device);
        form->DXWaveList.LoadContents(pack);
    }
    void TearDown() override {
        form.reset();
        fs::remove_all(root);
    }
    std::string LastModule() const { return fs::path(music.loaded.back()).filename().string(); }

    fs::path root;
    ManualClock clock;
    FakeWindow window;
    NullSurface surface;
    RecordingSoundDevice device{clock};
    FakeMusicPlayer music;
    FakeKeyboard keyboard;
    Platform platform;
    std::unique_ptr<TMainForm> form;
};

TEST_F(MainFormTest, RestartRuleStartsTheModuleOfTheCurrentScreenOnceItHasPlayedThrough) {
    struct Case {
        uint8_t state;
        const char* module;  // nullptr: no restart
    };
    const Case cases[] = {{1, "Menu.xm"}, {2, "Menu.xm"},     {3, "Menu.xm"}, {4, "Main.xm"},
                          {5, "Menu.xm"}, {6, "Menu.xm"},     {7, "Menu.xm"}, {8, "Menu.xm"},
                          {9, nullptr},   {10, "GameOver.xm"}};
    for (const Case& c : cases) {
        form->Audio.PlayMusic(MusicTrack(2));
        const size_t loads = music.loaded.size();
        form->ScreenState = Screen(c.state);
        form->MusicRestartRule();  // order 0 at the start: nothing
        music.order = 3;
        form->MusicRestartRule();
        EXPECT_EQ(form->Audio.LastMusicOrder, 3);
        EXPECT_EQ(music.loaded.size(), loads) << int(c.state);
        music.order = 0;  // back at the start: it has played through
        form->MusicRestartRule();
        if (c.module == nullptr) {
            EXPECT_EQ(music.loaded.size(), loads) << "state 9 keeps quiet";
        } else {
            ASSERT_EQ(music.loaded.size(), loads + 1) << int(c.state);
            EXPECT_EQ(LastModule(), c.module) << int(c.state);
            EXPECT_EQ(form->Audio.LastMusicOrder, 0);
        }
    }
}

TEST_F(MainFormTest, MusicSwitchAndMissingModules) {
    form->Audio.PlayMusic(MusicTrack(1));
    EXPECT_EQ(form->Audio.MusicName, "Menu");
    const int32_t playing = music.playing;
    form->GameMusicClick();
    EXPECT_FALSE(form->GameMusic);
    form->Audio.PlayMusic(MusicTrack(2));  // music off: the menu module keeps playing
    EXPECT_EQ(music.playing, playing);
    form->Audio.StopMusic();
    EXPECT_EQ(form->Audio.MusicHandle, 0);
    EXPECT_TRUE(music.live.empty());
    form->MusicRestartRule();  // idle without a module

    form->GameMusicClick();
    fs::remove(root / "Music" / "Main.xm");
    form->Audio.PlayMusic(MusicTrack(2));  // missing file: no music and no message
    EXPECT_EQ(form->Audio.MusicHandle, 0);
    EXPECT_TRUE(form->Errors.empty());
    EXPECT_TRUE(window.messages.empty());
    form->Audio.PlayMusic(MusicTrack(3));  // and the next call tries again
    EXPECT_EQ(form->Audio.MusicName, "GameOver");
}

TEST_F(MainFormTest, SoundOffLooksNothingUpButStoppingStillRuns) {
    form->Audio.PlaySound("boom");
    EXPECT_EQ(form->Audio.SoundsPlayed, std::vector<std::string>{"boom"});
    EXPECT_THROW(form->Audio.PlaySound("siren"), GameError);

    form->GameSoundClick();
    form->Audio.PlaySound("siren");  // not even looked up
    form->Audio.PlaySound("boom");
    EXPECT_EQ(form->Audio.SoundsPlayed.size(), 1u);
    form->Audio.StopSound("all");
    EXPECT_EQ(form->DXWaveList.FindWave("boom").PlayingCount(), 0);
    try {
        form->Audio.StopSound("siren");
        FAIL();
    } catch (const GameError& e) {
        EXPECT_STREQ(e.what(), "Wave 'siren' not found");
    }
}

TEST_F(MainFormTest, ErrorsInHandlersAreReportedAndTheProgramGoesOn) {
    form->Guard([&] { form->Audio.PlaySound("siren"); });
    ASSERT_EQ(form->Errors.size(), 1u);
    EXPECT_EQ(form->Errors[0], "Wave 'siren' not found");
    EXPECT_EQ(window.messages, form->Errors);
}

TEST_F(MainFormTest, AnUnwritableSettingsFolderIsReportedOnce) {
    std::ofstream(root / "home") << "a file where the folder should be";
    form->SaveConfig();
    form->SaveConfig();
    EXPECT_EQ(window.messages.size(), 1u);
    EXPECT_TRUE(form->HighScores[0].Name == "Anonymous");  // settings stay in memory
}

// A window that also notes whether it was full screen whenever its placement was stored or put back.
class PlacementWindow : public FakeWindow {
public:
    void StorePlacement() override {
        FakeWindow::StorePlacement();
        storedWhileFullScreen += IsFullScreen() ? 1 : 0;
    }
    void RestorePlacement() override {
        FakeWindow::RestorePlacement();
        restoredWhileFullScreen += IsFullScreen() ? 1 : 0;
    }
    int storedWhileFullScreen = 0;
    int restoredWhileFullScreen = 0;
};

TEST_F(MainFormTest, FullScreenStoresThePlacementOnTheWayInAndRestoresItOnTheWayOut) {
    enum class Step { AltEnter, Enter, Maximize, WindowGoesFullScreen };
    struct Case {
        const char* what;
        std::vector<Step> steps;
        int stored;
        int restored;
        bool fullScreen;
    };
    using S = Step;
    const Case cases[] = {
        {"Alt+Enter: full screen, the placement stored", {S::AltEnter}, 1, 0, true},
        {"Alt+Enter twice: back in the window", {S::AltEnter, S::AltEnter}, 1, 1, false},
        {"three times: stored again on the way in", {S::AltEnter, S::AltEnter, S::AltEnter}, 2, 1, true},
        {"four times", {S::AltEnter, S::AltEnter, S::AltEnter, S::AltEnter}, 2, 2, false},
        {"Enter alone switches nothing", {S::Enter}, 0, 0, false},
        {"already full screen: a full-screen placement is not stored",
         {S::WindowGoesFullScreen, S::AltEnter},
         0,
         0,
         true},
        {"leaving after that still puts the window back",
         {S::WindowGoesFullScreen, S::AltEnter, S::AltEnter},
         0,
         1,
         false},
        {"maximising the window goes full screen", {S::Maximize}, 1, 0, true},
        {"maximised, then Alt+Enter", {S::Maximize, S::AltEnter}, 1, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        form.reset();
        PlacementWindow placed;
        platform.window = &placed;
        form = std::make_unique<TMainForm>(platform);
        form->Show();
        const int32_t loadsBefore = form->SoundPackLoads;
        int switches = 0;
        for (Step step : c.steps) {
            switch (step) {
                case Step::AltEnter:
                    form->Deliver(
                        InputEvent{.kind = InputEvent::Kind::KeyDown, .key = kVkReturn, .shift = kShiftAlt});
                    ++switches;
                    break;
                case Step::Enter:
                    form->Deliver(InputEvent{.kind = InputEvent::Kind::KeyDown, .key = kVkReturn});
                    break;
                case Step::Maximize:
                    placed.maximized = true;
                    form->Deliver(InputEvent{.kind = InputEvent::Kind::Maximized});
                    form->DXTimerTimer(1);  // the switch waits for the next frame
                    ++switches;
                    break;
                case Step::WindowGoesFullScreen:
                    placed.SetFullScreen(true);
                    break;
            }
        }
        EXPECT_EQ(placed.placementsStored, c.stored);
        EXPECT_EQ(placed.placementsRestored, c.restored);
        // The placement kept is the window's, and it is put back once the window is a window again.
        EXPECT_EQ(placed.storedWhileFullScreen, 0);
        EXPECT_EQ(placed.restoredWhileFullScreen, 0);
        EXPECT_EQ(placed.IsFullScreen(), c.fullScreen);
        EXPECT_EQ(form->GameFullScreen, switches % 2 == 1);
        // Every switch lets go of the drawing surface and takes it up again.
        EXPECT_TRUE(form->SurfaceReady());
        EXPECT_EQ(form->SoundPackLoads - loadsBefore, switches);
        form.reset();  // before its window goes
    }
}

}  // namespace
