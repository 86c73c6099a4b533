#pragma once
// The main window: owns every component and the whole game state, runs the screen table, the
// frame loop and the window's event handlers. Everything runs on one thread.

#include <array>
#include <bitset>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/audio.h"
#include "app/data_check.h"
#include "app/game_state.h"
#include "app/input_states.h"
#include "app/pad_control.h"
#include "app/random.h"
#include "app/replay.h"
#include "app/screen.h"
#include "app/timers.h"
#include "base/input.h"
#include "engine/image_list.h"
#include "engine/sprite.h"
#include "engine/wave_list.h"
#include "online/offline.h"
#include "online/web_links.h"
#include "shell/attract_mode.h"
#include "shell/game_recorder.h"
#include "shell/kept_replays.h"
#include "shell/replay_cursor.h"

class IClock;
class IDesktop;
class IDrawSurface;
class IHttpClient;
class IKeyboard;
class IMusicPlayer;
class IPictureLoader;
class ISoundDevice;
class IWindow;
class TShareScreen;
struct ConfigValues;

// What the game needs of the machine. Every pointer outlives the form.
struct Platform {
    IWindow* window = nullptr;
    IDrawSurface* surface = nullptr;
    ISoundDevice* sound = nullptr;
    IMusicPlayer* music = nullptr;
    IKeyboard* keyboard = nullptr;
    IClock* clock = nullptr;
    // The online side; without them the game runs offline, opens nothing and shows no
    // promotion page.
    IHttpClient* http = nullptr;
    IDesktop* desktop = nullptr;
    IPictureLoader* pictures = nullptr;
    std::string scoreServer{kDefaultScoreServer};
    std::filesystem::path dataRoot;        // holds Data/ and Music/
    std::filesystem::path settingsFolder;  // holds Config.cfg; empty: no settings file at all
    std::filesystem::path replayFolder;    // the player's games kept as replays; empty: none kept
    std::string version;                   // the game's, written into every replay
    // The data files' hashes are checked against the build's list while the game runs.
    bool checkData = true;
};

class TMainForm : public GameState, public WindowTimers, private IScreenHost {
public:
    explicit TMainForm(const Platform& platform);
    ~TMainForm() override;
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    // ---- program entry and the platform's events
    void FormCreate();
    // The window is on screen: the drawing surface initialises (unless a full-screen switch
    // during start-up already did).
    void Show();
    // Runs what is due now: window timers, then a frame when the frame timer says so.
    // Returns true when a frame was drawn.
    bool Idle();
    // When the next timer or frame is due, in clock milliseconds.
    uint64_t NextDueAt() const;
    // The one way input reaches the game, from the game's event loop and the simulator alike.
    void Deliver(const InputEvent& event);
    bool Terminated() const { return terminated_; }

    // ---- the window's handlers
    void FormKeyDown(int32_t key, uint32_t shift);
    void FormKeyPress(char character);
    void DXDrawMouseMove(int32_t x, int32_t y);
    void DXDrawMouseDown(MouseButton button);
    void FormCloseQuery();
    void SetApplicationActive(bool active);
    void FormResize(bool maximized);
    void SurfaceRestored();

    // ---- screens
    void SetScreenState(Screen value) override;
    IScreen* CurrentScreen() const { return screens_[static_cast<size_t>(ScreenState)].get(); }

    // ---- frame loop
    void DXTimerTimer(int32_t lagCount);
    // Starts the current screen's own module over once the playing one has ended.
    void MusicRestartRule();
    void DXTimerActivate();
    void DXTimerDeactivate();

    // ---- pop-up menu items used as flags, and their click handlers
    void GameFullScreenClick() override;
    void GameSoundClick() override;
    void GameMusicClick() override;
    void Timer1Timer();
    void UpdateCaption() override;

    // ---- settings and high scores
    void ResetHighScores();
    void LoadConfig();
    // A settings file not read whole is kept beside it, the player told where, and written anew.
    void KeepDamagedConfig();
    // Data files that differ from the build's list: the player is told once.
    void ReportDataDiffer(const std::vector<std::string>& files);
    void SaveConfig() override;
    std::filesystem::path ConfigFile() const;

    // ---- replays
    // While set, or while the platform names a replay folder, each game the player plays is
    // recorded, kept in the folder and handed here as it ends: at its game over, when the player
    // leaves it, or by FinishRecording. Never a demo or a replay watched.
    std::function<void(const Replay&)> OnGameRecorded;
    // A game still being recorded ends here (the program is ending), is kept and handed on.
    void FinishRecording();
    // The replay folder's games as the window keeps them.
    const KeptReplays& Kept() const { return kept_; }
    // The identity of the pack a game is played with (hashed once). Throws GameError.
    const std::array<uint8_t, 32>& DataId();
    // The start a replay of a game beginning now carries.
    ReplayStart ReplayStartNow();
    // Throws GameError, in the player's words, when the replay was made by another version of the
    // game or on other data: it would not play as it was played.
    void CheckReplayPlays(const ReplayStart& start);
    // Watches a replay in the window at the frame timer's pace. The viewer's keys: P pauses,
    // Escape ends, the right arrow (or F) doubles the speed up to 8 times and back. `after` is the
    // screen the window goes to when the replay ends (Screen::None: the program ends). Throws
    // GameError when CheckReplayPlays does.
    void WatchReplay(Replay replay, Screen after);
    // Playing a replay step by step (WatchReplay does it at the frame timer's pace, the headless
    // check as fast as it goes): the window at the replay's start on the game screen, then one
    // frame's steps a call. While watching nothing of the player's is changed or kept.
    void BeginWatching(const ReplayStart& start, Screen after);
    // Runs the replay's steps up to and including its next frame. False once the game has been
    // left (its end is WatchedEnd) or no step is left (the replay's game is left there).
    bool PlayReplayFrame(ReplayCursor& replay);
    // Leaves the replay's game for the screen that follows it.
    void StopWatching();
    bool Watching() const { return watching_; }
    ReplayEnd WatchedEnd;  // how the last replay watched ended, set as it left the game screen
    bool WatchPaused = false;
    int32_t WatchSpeed = 1;

    // ---- errors: reported (message box, stderr, record) and the program goes on
    void ReportError(const std::string& message) override;
    // A file the game could not write (settings, a replay): the player is told the first time, the
    // rest goes to stderr; the game runs on with what it holds in memory.
    void ReportWriteFailure(const std::string& message);
    template <class F>
    void Guard(F&& action) {
        try {
            action();
        } catch (const std::exception& error) {
            ReportError(error.what());
        }
    }

    // ---- components
    TDXSpriteEngine SpriteEngine;
    TPictureCollection ImageList;
    TWaveCollection DXWaveList;
    FrameTimer DXTimer;
    GameAudio Audio;
    PadState Pad;
    TDXInput DXInput;
    GamepadControl PadControl{*this, Pad};
    TShareScreen* ShareScreen = nullptr;  // the exit promotion page, one of the screens
    AttractMode Attract;

    // ---- what happened, for the simulator's state and the tests
    std::vector<std::string> Errors;
    std::vector<std::string> PacksLoaded;
    int64_t FramesDrawn = 0;
    int32_t SoundPackLoads = 0;
    int32_t GamesStarted = 0;  // by a player, demos not counted
    bool SurfaceReady() const { return surfaceReady_; }
    uint64_t Now() const override;

private:
    void LoadGraphicsPack(const std::string& relative) override;
    // FormClose: from the promotion page, the only screen the window closes from, "play.url"
    // opens on the way out.
    void CloseWindow() override;
    std::string DataPath(const std::string& relative) const;
    void DXDrawInitialize();
    // The attract mode's demo game starts when the main menu has stood idle long enough, and ends
    // after its longest run; input ends it in Deliver.
    void RunAttractMode();
    void DXDrawFinalize();
    std::array<TTimer*, 5> AllTimers() {
        return {&Timer1, &Timer_Level, &Timer_Nitro, &Timer_police, &sharetimer};
    }
    std::array<const TTimer*, 5> AllTimers() const {
        return {&Timer1, &Timer_Level, &Timer_Nitro, &Timer_police, &sharetimer};
    }
    // The values the settings file stores, as they stand now.
    ConfigValues CurrentSettings() const;
    // The one way an event is handled, recorded or played back alike.
    void Handle(const InputEvent& event);
    // The viewer's own input while a replay is watched.
    void WatchControl(const InputEvent& event);
    void RunWatchFrames();
    // A replay's steps, each handled as it was when recorded.
    void WatchInput(const InputEvent& event);
    void WatchTimer(int32_t index);
    void WatchFrame(int32_t lag);
    ReplayEnd EndNow(bool gameOver, int64_t frames) const;
    void BeginRecording();
    // gameOver: no car left; nameEntryFollows: the game-over screen comes next.
    void FinishRecording(bool gameOver, bool nameEntryFollows);
    void RestoreAfterWatching();
    // The screens' side of the kept replays (IScreenHost).
    std::span<const uint8_t> EndedGameReplay() const override;
    void HighScoreEntered(const std::string& name, int32_t score) override;
    std::array<bool, 10> RowsWithReplays() const override;
    void WatchRowReplay(int32_t row) override;

    Platform platform_;
    NoNetwork noNetwork_;
    NoDesktop noDesktop_;
    NoPictures noPictures_;
    std::array<std::unique_ptr<IScreen>, kScreenCount> screens_;
    bool surfaceReady_ = false;
    bool terminated_ = false;
    bool writeFailureTold_ = false;
    DataCheck DataFiles;
    bool dataDifferTold_ = false;
    std::string savedConfig_;  // the settings file's text as it is on disk (or would be, unwritten)

    GameRecorder recorder_;
    KeptReplays kept_;
    int32_t deliverDepth_ = 0;  // the pad's stand-in events are not recorded, their pad event is
    std::optional<std::array<uint8_t, 32>> dataId_;
    // Watching: the replay's keys, and what is put back when it ends.
    std::unique_ptr<ReplayCursor> watch_;
    bool watching_ = false;
    bool replayInput_ = false;  // what is being handled comes from the replay, not the viewer
    Screen watchAfter_ = Screen::None;
    int64_t watchFrames_ = 0;
    ReplayKeyboard replayKeys_;
    GameState watchSaved_;
    RandomState watchRandom_;
    PadState watchPad_;
};
