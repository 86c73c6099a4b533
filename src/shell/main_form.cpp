#include "shell/main_form.h"

#include <cstdio>
#include <ctime>

#include "app/data_check.h"
#include "app/settings_file.h"
#include "base/errors.h"
#include "base/memory.h"
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
const char* const kReplayCaption = "Vandrax [Replay]";
const char* const kReplayPausedCaption = "Vandrax [Replay paused]";
constexpr int32_t kWatchSpeedMax = 8;
constexpr size_t kDataCheckSlice = 512 * 1024;
const char* const kMenuPack = "Data/GraphicsMenu.dxg";
const char* const kSoundPack = "Data/Sound.dxw";
// The pack whose pictures a game is played with (the game screen loads it in place of the menu's,
// sizes and pixels are what collisions measure): a replay says which it ran on. The menu's pack
// is not in it, so new menu art leaves every replay playable.
const char* const kRulePacks[] = {"Data/GraphicsMain.dxg"};

// The window system's own events say nothing the game decides by.
bool Recordable(const InputEvent& event) {
    return event.kind != InputEvent::Kind::Quit && event.kind != InputEvent::Kind::SurfaceReset;
}

template <class T>
T& Required(T* pointer, const char* what) {
    if (pointer == nullptr) throw GameError(std::string("no ") + what);
    return *pointer;
}

}  // namespace

TMainForm::TMainForm(const Platform& platform)
    : Audio(*this, DXWaveList, platform.music, platform.dataRoot),
      DXInput(Required(platform.keyboard, "keyboard"), Pad),
      platform_(platform),
      kept_(platform.replayFolder, [this](const std::string& message) { ReportWriteFailure(message); }) {
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

void TMainForm::ReportWriteFailure(const std::string& message) {
    // A full disk or a folder that cannot be written would fail every save: one box is enough.
    if (writeFailureTold_) {
        std::fprintf(stderr, "vandrax: %s\n", message.c_str());
        return;
    }
    writeFailureTold_ = true;
    ReportError(message);
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
        // The table as read decides which of the games kept with its rows stay.
        kept_.TableChanged(HighScores);
        if (platform_.checkData) ReportDataDiffer(DataFiles.Start(platform_.dataRoot));
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
    // While a replay is watched its timers fire as the replay says, not by the clock.
    if (!watching_) {
        const auto timers = AllTimers();
        for (size_t i = 0; i < timers.size(); ++i)
            Guard([&] {
                if (!timers[i]->Due(now)) return;
                recorder_.Timer(static_cast<int32_t>(i));
                timers[i]->Fire(now);
            });
    }
    if (terminated_) return false;
    const int32_t lag = DXTimer.Poll(now);
    if (lag <= 0) return false;
    if (watch_)
        RunWatchFrames();
    else
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
    if (watching_ && !replayInput_) return WatchControl(event);
    if (deliverDepth_ == 0 && Recordable(event)) recorder_.Input(event);
    struct Depth {
        int32_t& depth;
        explicit Depth(int32_t& d) : depth(d) { ++depth; }
        ~Depth() { --depth; }
    } depth(deliverDepth_);
    Handle(event);
}

void TMainForm::Handle(const InputEvent& event) {
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
        // A replay's Alt+Enter switched the player's window, not the viewer's.
        if ((shift & kShiftAlt) != 0 && key == kVkReturn && !replayInput_) GameFullScreenClick();
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
        // A replay's focus change is what the game polled then; the viewer's window is the viewer's.
        if (replayInput_) return DXInput.SetFocused(active);
        if (active == DXTimer.Active()) return;
        DXTimer.SetActive(active, Now());
        // In the background every polled state is off: the car coasts.
        if (!watching_) DXInput.SetFocused(active);
        if (active)
            DXTimerActivate();
        else
            DXTimerDeactivate();
    });
}

void TMainForm::FormResize(bool maximized) {
    if (maximized && !replayInput_) ResizePending = true;
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
    const bool gameEnds = ScreenState == Screen::Game && value != Screen::Game;
    // The game-over screen also follows a quit with a score good enough for the table: only a game
    // with no car left has reached its game over.
    const bool gameOver = gameEnds && value == Screen::GameOver && GameOverPending;
    if (gameEnds && recorder_.Recording()) FinishRecording(gameOver, value == Screen::GameOver);
    const bool watchEnds = gameEnds && watching_;
    if (watchEnds) {
        WatchedEnd = EndNow(gameOver, watchFrames_);
        // A replay's game over is nobody's: no name entry, no table.
        if (watchAfter_ == Screen::None) terminated_ = true;
        value = watchAfter_ == Screen::None ? Screen::MainMenu : watchAfter_;
    }
    if (value == Screen::Game && !Demo && !watching_) ++GamesStarted;
    if (IScreen* screen = CurrentScreen()) screen->Leave();
    ScreenState = value;
    if (watchEnds) RestoreAfterWatching();
    if (value == Screen::Game && !Demo && !watching_ && (OnGameRecorded || kept_.Keeping())) BeginRecording();
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
    const bool swap = ImageList.Count() > 0;
    try {
        ImageList.LoadPack(DataPath(relative));
        ImageList.BuildColorTable();
    } catch (const GameError& error) {
        throw GameError(DataFileError(relative, error.what()));
    }
    // The old pack's pictures and the new one's decoding leave megabytes free in the middle of
    // the heap: given back, so that the menus and the game swapping packs all day stay the same size.
    if (swap) ReturnFreeMemory();
}

// ---------------------------------------------------------------------------------------------
// Frame loop

void TMainForm::DXTimerTimer(int32_t lagCount) {
    if (!surfaceReady_) return;
    if (watching_)
        ++watchFrames_;
    else
        recorder_.Frame(lagCount, PolledKeys(*platform_.keyboard));
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
    if (watching_) {
        const std::string caption = WatchPaused      ? kReplayPausedCaption
                                    : WatchSpeed > 1 ? FormatMessage("Vandrax [Replay x%d]", WatchSpeed)
                                                     : kReplayCaption;
        platform_.window->SetCaption(caption);
        return;
    }
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
    // No settings folder (a replay checked headless): the defaults, and nothing written.
    if (platform_.settingsFolder.empty()) {
        savedConfig_ = FormatConfig(CurrentSettings());
        return;
    }
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
    // A demo game keeps nothing, nor does a replay watched.
    if (Demo || watching_) return;
    // The games kept with rows that have left the table go with them.
    kept_.TableChanged(HighScores);
    if (platform_.settingsFolder.empty()) return;
    // The filling stays on the mirrors until they are next refreshed from the text fields.
    CountryName = FillToFive(Edit1);
    PlayerName = FillToFive(Edit2);
    const std::string text = FormatConfig(CurrentSettings());
    if (text == savedConfig_) return;
    try {
        WriteConfigFile(ConfigFile(), text);
        savedConfig_ = text;
    } catch (const GameError& error) {
        ReportWriteFailure(error.what());
    }
}

// ---------------------------------------------------------------------------------------------
// Replays

const std::array<uint8_t, 32>& TMainForm::DataId() {
    if (!dataId_) {
        std::vector<std::string> packs;
        for (const char* pack : kRulePacks) packs.push_back(DataPath(pack));
        dataId_ = DataIdentity(packs);
    }
    return *dataId_;
}

ReplayStart TMainForm::ReplayStartNow() {
    ReplayStart start;
    start.version = platform_.version;
    start.data = DataId();
    start.random = SaveRandom();
    start.clan = Clan;
    start.mouseX = MouseX;
    start.mouseY = MouseY;
    start.hoverArmed = HoverArmed;
    start.focused = DXInput.Focused();
    start.pad = Pad;
    start.startedAt = static_cast<int64_t>(std::time(nullptr));
    return start;
}

void TMainForm::CheckReplayPlays(const ReplayStart& start) {
    if (start.version != platform_.version)
        throw GameError(
            FormatMessage("The replay was recorded by Vandrax %s and cannot be played by Vandrax %s",
                          start.version.c_str(), platform_.version.c_str()));
    if (start.data != DataId()) throw GameError("The replay was recorded with other game data");
}

ReplayEnd TMainForm::EndNow(bool gameOver, int64_t frames) const {
    ReplayEnd end;
    end.score = Score;
    end.level = Level;
    end.lives = Lives;
    end.frames = frames;
    end.ended = gameOver;
    return end;
}

void TMainForm::BeginRecording() {
    kept_.GameBegins();
    try {
        recorder_.Begin(ReplayStartNow());
    } catch (const GameError& error) {
        // The game plays on unrecorded; its packs will tell their own error if they are unreadable.
        std::fprintf(stderr, "vandrax: this game is not recorded: %s\n", error.what());
    }
}

void TMainForm::FinishRecording(bool gameOver, bool nameEntryFollows) {
    const Replay replay = recorder_.Finish(EndNow(gameOver, recorder_.Frames()));
    // The game-over screen's name entry ties the game to its row and sends it with the score,
    // whether the game reached its game over or was left with a score for the table.
    kept_.GameEnded(replay, nameEntryFollows, HighScores);
    if (OnGameRecorded) Guard([&] { OnGameRecorded(replay); });
}

std::span<const uint8_t> TMainForm::EndedGameReplay() const {
    return kept_.EndedGame();
}

void TMainForm::HighScoreEntered(const std::string& name, int32_t score) {
    kept_.RowEntered(name, score);
}

std::array<bool, 10> TMainForm::RowsWithReplays() const {
    std::array<bool, 10> rows{};
    const auto files = kept_.RowFiles(HighScores);
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = !files[i].empty();
    return rows;
}

void TMainForm::WatchRowReplay(int32_t row) {
    const auto files = kept_.RowFiles(HighScores);
    if (row < 0 || static_cast<size_t>(row) >= files.size() || files[static_cast<size_t>(row)].empty())
        return;
    Guard([&] { WatchReplay(ReadReplayFile(files[static_cast<size_t>(row)].string()), Screen::HighScores); });
}

void TMainForm::FinishRecording() {
    if (recorder_.Recording()) FinishRecording(false, false);
}

void TMainForm::WatchReplay(Replay replay, Screen after) {
    CheckReplayPlays(replay.start);
    watch_ = std::make_unique<ReplayCursor>(std::move(replay));
    BeginWatching(watch_->Recorded().start, after);
}

void TMainForm::BeginWatching(const ReplayStart& start, Screen after) {
    watchSaved_ = *this;
    watchRandom_ = SaveRandom();
    watchPad_ = Pad;
    watching_ = true;
    watchAfter_ = after;
    watchFrames_ = 0;
    WatchPaused = false;
    WatchSpeed = 1;
    RestoreRandom(start.random);
    Clan = start.clan;
    MouseX = start.mouseX;
    MouseY = start.mouseY;
    HoverArmed = start.hoverArmed;
    GameMainExit = false;
    Demo = false;
    Pad = start.pad;
    replayKeys_.down.reset();
    DXInput.SetKeyboard(replayKeys_);
    DXInput.ReleaseAll();
    DXInput.SetFocused(start.focused);
    UpdateCaption();
    SetScreenState(Screen::Game);
}

void TMainForm::RestoreAfterWatching() {
    // The window's own state stays as the viewer left it.
    const Screen screen = ScreenState;
    const bool fullScreen = GameFullScreen;
    const bool resizePending = ResizePending;
    static_cast<GameState&>(*this) = watchSaved_;
    ScreenState = screen;
    GameFullScreen = fullScreen;
    ResizePending = resizePending;
    RestoreRandom(watchRandom_);
    Pad = watchPad_;
    DXInput.SetKeyboard(*platform_.keyboard);
    DXInput.SetFocused(DXTimer.Active());
    watching_ = false;
    UpdateCaption();
}

void TMainForm::WatchInput(const InputEvent& event) {
    replayInput_ = true;
    Deliver(event);
    replayInput_ = false;
}

void TMainForm::WatchTimer(int32_t index) {
    const auto timers = AllTimers();
    if (index < 0 || static_cast<size_t>(index) >= timers.size()) return;
    replayInput_ = true;
    Guard([&] { timers[static_cast<size_t>(index)]->FireRecorded(); });
    replayInput_ = false;
}

void TMainForm::WatchFrame(int32_t lag) {
    replayInput_ = true;
    DXTimerTimer(lag);
    replayInput_ = false;
}

bool TMainForm::PlayReplayFrame(ReplayCursor& replay) {
    while (watching_) {
        const ReplayStep* step = replay.Next();
        if (step == nullptr) break;
        switch (step->kind) {
            case ReplayStep::Kind::Keys:
                replayKeys_.down = step->keys;
                break;
            case ReplayStep::Kind::Timer:
                WatchTimer(step->timer);
                break;
            case ReplayStep::Kind::Input:
                WatchInput(step->input);
                break;
            case ReplayStep::Kind::Frame:
                WatchFrame(step->lag);
                return watching_;
        }
    }
    // The recording stops here (the program ended during the game): so does the replay.
    StopWatching();
    return false;
}

void TMainForm::StopWatching() {
    if (watching_ && ScreenState == Screen::Game) Guard([&] { SetScreenState(watchAfter_); });
}

void TMainForm::RunWatchFrames() {
    if (!WatchPaused)
        for (int32_t i = 0; i < WatchSpeed; ++i)
            if (!PlayReplayFrame(*watch_)) break;
    // Ended: the window has gone on to the screen after it.
    if (!watching_) watch_.reset();
}

void TMainForm::WatchControl(const InputEvent& event) {
    using Kind = InputEvent::Kind;
    switch (event.kind) {
        case Kind::KeyDown:
            if ((event.shift & kShiftAlt) != 0 && event.key == kVkReturn) {
                Guard([&] { GameFullScreenClick(); });
            } else if (event.key == 'P' || event.key == kVkPause) {
                WatchPaused = !WatchPaused;
                UpdateCaption();
            } else if (event.key == kVkEscape) {
                StopWatching();
            } else if (event.key == kVkRight || event.key == 'F') {
                WatchSpeed = WatchSpeed >= kWatchSpeedMax ? 1 : WatchSpeed * 2;
                UpdateCaption();
            }
            break;
        case Kind::Close:
            StopWatching();
            break;
        case Kind::Quit:
            terminated_ = true;
            break;
        case Kind::FocusGained:
        case Kind::FocusLost:
            // In the background the replay waits, as a game does.
            SetApplicationActive(event.kind == Kind::FocusGained);
            break;
        case Kind::Maximized:
            FormResize(true);
            break;
        case Kind::SurfaceReset:
            SurfaceRestored();
            break;
        default:
            // The pointer, the pad and typing belong to the replay.
            break;
    }
}
