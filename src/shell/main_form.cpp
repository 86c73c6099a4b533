#include "shell/main_form.h"

#include <cstdio>
#include <ctime>

#include "app/data_check.h"
#include "app/settings_file.h"
#include "base/errors.h"
#include "online/share.h"
#include "online/web_links.h"
#include "platform/clock.h"
#include "platform/draw_surface.h"
#include "platform/keyboard.h"
#include "platform/sound_device.h"
#include "platform/window.h"
#include "screens/clan_choice.h"
#include "screens/game_over_screen.h"
#include "screens/game_screen.h"
#include "screens/help_screen.h"
#include "screens/high_score_screen.h"
#include "screens/main_menu.h"
#include "screens/options_screen.h"
#include "screens/splash_screen.h"

namespace {

const char* const kCaption = "Vandrax";
const char* const kPausedCaption = "Vandrax [Pause]";
constexpr size_t kDataCheckSlice = 512 * 1024;
const char* const kMenuPack = "Data/GraphicsMenu.dxg";
const char* const kSoundPack = "Data/Sound.dxw";

template <class T>
T& Required(T* pointer, const char* what) {
    if (pointer == nullptr) throw GameError(std::string("no ") + what);
    return *pointer;
}

}  // namespace

TMainForm::TMainForm(const Platform& platform)
    : Audio(*this, DXWaveList, platform.music, platform.dataRoot),
      DXInput(Required(platform.keyboard, "keyboard"), Pad),
      platform_(platform) {
    const ScreenContext context{*this,
                                *this,
                                SpriteEngine,
                                ImageList,
                                Audio,
                                *this,
                                Required(platform.window, "window"),
                                Required(platform.surface, "drawing surface"),
                                Required(platform.keyboard, "keyboard"),
                                DXInput,
                                platform.http != nullptr ? *platform.http : noNetwork_,
                                platform.desktop != nullptr ? *platform.desktop : noDesktop_,
                                platform.pictures != nullptr ? *platform.pictures : noPictures_,
                                platform.dataRoot,
                                platform.scoreServer};
    auto put = [&](Screen screen, std::unique_ptr<IScreen> unit) {
        screens_[static_cast<size_t>(screen)] = std::move(unit);
    };
    put(Screen::Splash, std::make_unique<SplashScreen>(context));
    put(Screen::MainMenu, std::make_unique<MainMenuScreen>(context));
    put(Screen::ClanChoice, std::make_unique<ClanChoiceScreen>(context));
    put(Screen::Game, std::make_unique<GameScreen>(context));
    put(Screen::Help, std::make_unique<HelpScreen>(context));
    put(Screen::Options, std::make_unique<OptionsScreen>(context));
    put(Screen::HighScores, std::make_unique<HighScoreScreen>(context));
    auto share = std::make_unique<TShareScreen>(context);
    ShareScreen = share.get();
    put(Screen::Promotion, std::move(share));
    put(Screen::GameOver, std::make_unique<GameOverScreen>(context));
    Timer1.OnTimer = [this] { Guard([&] { Timer1Timer(); }); };
}

TMainForm::~TMainForm() {
    SpriteEngine.Engine().FreeChildren();
}

uint64_t TMainForm::Now() const {
    return platform_.clock != nullptr ? platform_.clock->Milliseconds() : 0;
}

std::string TMainForm::DataPath(const std::string& relative) const {
    return (platform_.dataRoot / relative).string();
}

std::filesystem::path TMainForm::ConfigFile() const {
    return ConfigPath(platform_.settingsFolder);
}

void TMainForm::ReportError(const std::string& message) {
    Errors.push_back(message);
    std::fprintf(stderr, "vandrax: %s\n", message.c_str());
    platform_.window->ShowMessage(message);
}

// ---------------------------------------------------------------------------------------------
// Start-up and the platform's events

void TMainForm::FormCreate() {
    // An error here skips the rest of start-up; the window opens anyway.
    Guard([&] {
        TextFontName = "Arial";
        ResizePending = false;
        platform_.window->SetCaption(kCaption);
        platform_.window->SetPointer(PointerShape::None);
        try {
            LoadGraphicsPack(kMenuPack);
        } catch (const GameError& error) {
            // Without the menu's pictures there is nothing to show: the player is told which file
            // it is, and the game ends.
            ReportError(std::string(error.what()) +
                        ". The game cannot start without it: reinstall the game.");
            terminated_ = true;
            return;
        }
        Clan = 1;
        GameOverPending = false;
        Paused = false;
        GamegoEdit = GameMainExit = GameEnterName = GameSendResult = GameClearHighScore = GameFullScreen =
            false;
        GameSound = GameMusic = true;
        ResetHighScores();
        LoadConfig();
        ReportDataDiffer(DataFiles.Start(platform_.dataRoot));
        // A description that cannot be read is told, and the game goes on without the page.
        Guard([&] { ShareScreen->Load(); });
        SetScreenState(Screen::Splash);
    });
}

void TMainForm::Show() {
    if (!surfaceReady_) Guard([&] { DXDrawInitialize(); });
}

bool TMainForm::Idle() {
    const uint64_t now = Now();
    for (TTimer* timer : AllTimers()) Guard([&] { timer->Poll(now); });
    if (terminated_) return false;
    const int32_t lag = DXTimer.Poll(now);
    if (lag <= 0) return false;
    DXTimerTimer(lag);
    // The data files' hashes, a slice a frame (about 4 ms of the CPU at most).
    if (!DataFiles.Done()) Guard([&] { ReportDataDiffer(DataFiles.Step(kDataCheckSlice)); });
    return true;
}

uint64_t TMainForm::NextDueAt() const {
    uint64_t due = DXTimer.DueAt();
    for (const TTimer* timer : AllTimers()) due = std::min(due, timer->DueAt());
    return due;
}

void TMainForm::Deliver(const InputEvent& event) {
    using Kind = InputEvent::Kind;
    const bool playerInput = IsPlayerInput(event);
    if (playerInput) Attract.Touch(Now());
    if (Demo && (playerInput || event.kind == Kind::Close)) {
        // Input ends the demo at once. A pointer move goes on to the main menu (its hover) and the
        // close button asks its question there; a key or a click is not taken as a choice on a
        // menu the player had not seen.
        Guard([&] { SetScreenState(Screen::MainMenu); });
        if (event.kind != Kind::PointerMove && event.kind != Kind::Close) {
            Pad.Track(event);
            return;
        }
    }
    switch (event.kind) {
        case Kind::KeyDown:
            FormKeyDown(event.key, event.shift);
            // Backspace, Enter and Escape also arrive as characters, as typed keys do.
            if (event.key == kVkBack || event.key == kVkReturn || event.key == kVkEscape)
                FormKeyPress(static_cast<char>(event.key));
            break;
        case Kind::KeyUp:
            break;
        case Kind::Char:
            FormKeyPress(event.text);
            break;
        case Kind::PointerMove:
            DXDrawMouseMove(event.x, event.y);
            break;
        case Kind::ButtonDown:
            DXDrawMouseDown(event.button);
            break;
        case Kind::ButtonUp:
            Guard([&] {
                if (IScreen* screen = CurrentScreen()) screen->PointerUp(event.button);
            });
            break;
        case Kind::FocusGained:
            // The idle minute counts while the window is in front.
            Attract.Touch(Now());
            SetApplicationActive(true);
            break;
        case Kind::FocusLost:
            SetApplicationActive(false);
            break;
        case Kind::Close:
            FormCloseQuery();
            break;
        case Kind::Maximized:
            FormResize(true);
            break;
        case Kind::Quit:
            // A termination signal (Ctrl+C in a terminal, the session ending): end cleanly.
            terminated_ = true;
            break;
        case Kind::SurfaceReset:
            SurfaceRestored();
            break;
        case Kind::PadButtonDown:
        case Kind::PadButtonUp:
        case Kind::PadAxis:
        case Kind::PadRemoved: {
            Pad.Track(event);
            // The pad's buttons act as the keys and clicks they stand for (GamepadControl).
            std::vector<InputEvent> standIns;
            Guard([&] { standIns = PadControl.Translate(event, CurrentScreen()); });
            for (const InputEvent& standIn : standIns) Deliver(standIn);
            break;
        }
    }
}

void TMainForm::FormKeyDown(int32_t key, uint32_t shift) {
    Guard([&] {
        if (IScreen* screen = CurrentScreen()) screen->KeyDown(key, shift);
        if ((shift & kShiftAlt) != 0 && key == kVkReturn) GameFullScreenClick();
    });
}

void TMainForm::FormKeyPress(char character) {
    Guard([&] {
        if (IScreen* screen = CurrentScreen()) screen->Char(character);
    });
}

void TMainForm::DXDrawMouseMove(int32_t x, int32_t y) {
    Guard([&] {
        MouseX = x;
        MouseY = y;
        if (IScreen* screen = CurrentScreen()) screen->PointerMove(x, y);
    });
}

void TMainForm::DXDrawMouseDown(MouseButton button) {
    // Clicks act where the last pointer move left MouseX and MouseY, not at their own position.
    Guard([&] {
        if (IScreen* screen = CurrentScreen()) screen->PointerDown(button);
    });
}

void TMainForm::FormCloseQuery() {
    Guard([&] {
        if (IScreen* screen = CurrentScreen()) screen->CloseRequested();
    });
}

void TMainForm::CloseWindow() {
    if (ScreenState == Screen::Promotion) {
        IDesktop& desktop = platform_.desktop != nullptr ? *platform_.desktop : noDesktop_;
        OpenLinkFile(desktop, platform_.dataRoot, "play.url");
    }
    terminated_ = true;
}

void TMainForm::SetApplicationActive(bool active) {
    Guard([&] {
        if (active == DXTimer.Active()) return;
        DXTimer.SetActive(active, Now());
        // In the background every polled state is off: the car coasts.
        DXInput.SetFocused(active);
        if (active)
            DXTimerActivate();
        else
            DXTimerDeactivate();
    });
}

void TMainForm::FormResize(bool maximized) {
    if (maximized) ResizePending = true;
}

void TMainForm::SurfaceRestored() {
    // The surface rebuilds its drawing target, then every picture its texture.
    Guard([&] {
        platform_.surface->Restore();
        ImageList.Restore();
    });
}

// ---------------------------------------------------------------------------------------------
// Screens

void TMainForm::SetScreenState(Screen value) {
    // Whatever ends a demo's game leads back to the main menu as it was before the demo.
    const bool demoEnds = Demo && value != Screen::Game;
    if (demoEnds) value = Screen::MainMenu;
    if (value == Screen::Game && !Demo) ++GamesStarted;
    if (IScreen* screen = CurrentScreen()) screen->Leave();
    ScreenState = value;
    if (IScreen* screen = CurrentScreen()) screen->Enter();
    if (demoEnds) {
        Attract.Restore(*this);
        // The item under the pointer lights up again, without its sound.
        if (IScreen* screen = CurrentScreen()) screen->PointerMove(MouseX, MouseY);
    }
    Attract.Touch(Now());
}

void TMainForm::RunAttractMode() {
    const uint64_t now = Now();
    if (Attract.Due(*this, now)) {
        Attract.Begin(*this, now);
        SetScreenState(Screen::Game);
    } else if (Demo && Attract.Expired(now)) {
        SetScreenState(Screen::MainMenu);
    }
}

void TMainForm::Timer1Timer() {
    Timer1.SetEnabled(false, Now());
    if (IScreen* screen = CurrentScreen()) screen->Timer1();
}

void TMainForm::ReportDataDiffer(const std::vector<std::string>& files) {
    if (files.empty()) return;
    // Told once; what is found later goes to stderr.
    if (dataDifferTold_) {
        std::fprintf(stderr, "vandrax: %s\n", DataDifferMessage(files).c_str());
        return;
    }
    dataDifferTold_ = true;
    ReportError(DataDifferMessage(files));
}

void TMainForm::LoadGraphicsPack(const std::string& relative) {
    PacksLoaded.push_back(relative);
    try {
        ImageList.LoadPack(DataPath(relative));
        ImageList.BuildColorTable();
    } catch (const GameError& error) {
        throw GameError(DataFileError(relative, error.what()));
    }
}

// ---------------------------------------------------------------------------------------------
// Frame loop

void TMainForm::DXTimerTimer(int32_t lagCount) {
    if (!surfaceReady_) return;
    // An error abandons this frame; the next one runs normally.
    Guard([&] {
        if (ResizePending) {
            ResizePending = false;
            if (platform_.window->IsMaximized()) GameFullScreenClick();
        }
        RunAttractMode();
        PadControl.Frame(lagCount, *platform_.window);
        if (IScreen* screen = CurrentScreen()) screen->Frame(lagCount);
        if (!surfaceReady_) return;
        platform_.surface->Present();
        ++FramesDrawn;
        MusicRestartRule();
    });
}

void TMainForm::MusicRestartRule() {
    const IScreen* screen = CurrentScreen();
    Audio.MusicRestartRule(screen != nullptr ? screen->OwnMusic() : MusicTrack::Menu);
}

void TMainForm::UpdateCaption() {
    platform_.window->SetCaption(!DXTimer.Active() || GameMainExit ? kPausedCaption : kCaption);
}

void TMainForm::DXTimerActivate() {
    UpdateCaption();
}

void TMainForm::DXTimerDeactivate() {
    UpdateCaption();
}

void TMainForm::DXDrawInitialize() {
    platform_.window->ShowNormal();
    surfaceReady_ = true;
    SpriteEngine.SurfaceInitialized(platform_.surface);
    if (!ImageList.Bound()) ImageList.Initialize(platform_.surface);
    DXTimer.SetEnabled(true, Now());
    // The sound pack is read again at every initialisation of the drawing surface.
    DXWaveList.Initialize(platform_.sound);
    ++SoundPackLoads;
    // A sound pack that cannot be read is reported here and the switch still completes; every
    // sound asked for later reports its own missing wave.
    Guard([&] {
        try {
            DXWaveList.LoadPack(DataPath(kSoundPack));
        } catch (const GameError& error) {
            Audio.WavesIncomplete = true;
            throw GameError(DataFileError(kSoundPack, error.what()));
        }
    });
}

void TMainForm::DXDrawFinalize() {
    DXTimer.SetEnabled(false, Now());
    SpriteEngine.SurfaceFinalized();
    surfaceReady_ = false;
}

void TMainForm::GameFullScreenClick() {
    GameFullScreen = !GameFullScreen;
    GamegoEdit = false;
    IWindow& window = *platform_.window;
    DXDrawFinalize();
    if (GameFullScreen) {
        if (!window.IsFullScreen()) window.StorePlacement();
        window.SetFullScreen(true);
    } else {
        const bool wasFullScreen = window.IsFullScreen();
        window.SetFullScreen(false);
        if (wasFullScreen) window.RestorePlacement();
    }
    DXDrawInitialize();
}

void TMainForm::GameSoundClick() {
    GameSound = !GameSound;
}

void TMainForm::GameMusicClick() {
    GameMusic = !GameMusic;
}

// ---------------------------------------------------------------------------------------------
// Settings and high scores

void TMainForm::ResetHighScores() {
    HighScores = DefaultHighScores();
    SetScreenState(Screen::HighScores);
}

ConfigValues TMainForm::CurrentSettings() const {
    ConfigValues values;
    values.fullScreen = GameFullScreen;
    values.music = GameMusic;
    values.sound = GameSound;
    values.country = Edit1;
    values.name = Edit2;
    values.highScores = HighScores;
    return values;
}

void TMainForm::LoadConfig() {
    // A game killed while saving leaves its temporary beside the file: the next start clears it.
    RemoveLeftoverTemporaries(ConfigFile());
    const ConfigValues defaults = CurrentSettings();
    ConfigValues values = defaults;
    ConfigReadResult result;
    bool found = false;
    try {
        found = ReadConfigFile(ConfigFile(), values, result);
    } catch (const GameError& error) {
        // There but not readable at all (far too large, not a file): nothing of it is used.
        std::fprintf(stderr, "vandrax: %s\n", error.what());
        found = true;
        values = defaults;
        result = ConfigReadResult{};
        result.whole = false;
    }
    if (found) {
        for (const std::string& problem : result.problems)
            std::fprintf(stderr, "vandrax: %s\n", problem.c_str());
        if (result.switchToFullScreen) GameFullScreenClick();
        GameMusic = values.music;
        GameSound = values.sound;
        Edit1 = CountryName = values.country;
        Edit2 = PlayerName = values.name;
        HighScores = values.highScores;
    }
    // The file is written when what it holds changes, and only then.
    savedConfig_ = FormatConfig(CurrentSettings());
    if (found && !result.whole) KeepDamagedConfig();
}

void TMainForm::KeepDamagedConfig() {
    std::filesystem::path copy;
    try {
        copy = KeepDamagedCopy(ConfigFile(), std::time(nullptr));
    } catch (const GameError& error) {
        // No copy, so the file stays as it is until a setting changes.
        ReportError(error.what());
        return;
    }
    ReportError(
        FormatMessage("The settings file was damaged. A copy of it is kept as '%s'; the settings and "
                      "high scores that could be read are used.",
                      copy.c_str()));
    // The copy is safe: the file itself is written again, whole.
    savedConfig_.clear();
    SaveConfig();
}

void TMainForm::SaveConfig() {
    // A demo game keeps nothing.
    if (Demo) return;
    // The filling stays on the mirrors until they are next refreshed from the text fields.
    CountryName = FillToFive(Edit1);
    PlayerName = FillToFive(Edit2);
    const std::string text = FormatConfig(CurrentSettings());
    if (text == savedConfig_) return;
    try {
        WriteConfigFile(ConfigFile(), text);
        savedConfig_ = text;
    } catch (const GameError& error) {
        // An unwritable settings folder is told once; the game runs on with its settings in memory.
        if (settingsWriteReported_) {
            std::fprintf(stderr, "vandrax: %s\n", error.what());
            return;
        }
        settingsWriteReported_ = true;
        ReportError(error.what());
    }
}
