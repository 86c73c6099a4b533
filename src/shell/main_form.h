#pragma once
// The main window: owns every component and the whole game state, runs the screen table, the
// frame loop and the window's event handlers. Everything runs on one thread.

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/audio.h"
#include "app/data_check.h"
#include "app/game_state.h"
#include "app/input_states.h"
#include "app/pad_control.h"
#include "app/screen.h"
#include "app/timers.h"
#include "base/input.h"
#include "engine/image_list.h"
#include "engine/sprite.h"
#include "engine/wave_list.h"
#include "online/offline.h"
#include "online/web_links.h"
#include "shell/attract_mode.h"

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
    std::filesystem::path settingsFolder;  // holds Config.cfg
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

    // ---- errors: reported (message box, stderr, record) and the program goes on
    void ReportError(const std::string& message) override;
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

    Platform platform_;
    NoNetwork noNetwork_;
    NoDesktop noDesktop_;
    NoPictures noPictures_;
    std::array<std::unique_ptr<IScreen>, kScreenCount> screens_;
    bool surfaceReady_ = false;
    bool terminated_ = false;
    bool settingsWriteReported_ = false;
    DataCheck DataFiles;
    bool dataDifferTold_ = false;
    std::string savedConfig_;  // the settings file's text as it is on disk (or would be, unwritten)
};
