#pragma once
// The main window: owns every component and the whole game state, runs the screen states,
// the frame loop and the window's event handlers. Everything runs on one thread.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/high_scores.h"
#include "app/timers.h"
#include "engine/image_list.h"
#include "engine/sprite.h"
#include "engine/wave_list.h"

class IClock;
class IDrawSurface;
class IKeyboard;
class IMusicPlayer;
class ISoundDevice;
class IWindow;
struct ConfigValues;

// What the game needs of the machine. Every pointer outlives the form.
struct Platform {
    IWindow* window = nullptr;
    IDrawSurface* surface = nullptr;
    ISoundDevice* sound = nullptr;
    IMusicPlayer* music = nullptr;
    IKeyboard* keyboard = nullptr;
    IClock* clock = nullptr;
    std::filesystem::path dataRoot;        // holds Data/ and Music/
    std::filesystem::path settingsFolder;  // holds Config.cfg
};

// Shift-state bits of a key event.
enum ShiftState : uint32_t { kShiftNone = 0, kShiftShift = 1, kShiftAlt = 2, kShiftCtrl = 4 };
enum class MouseButton { Left, Right, Middle };

// Virtual key codes the handlers test.
constexpr int kVkReturn = 13;
constexpr int kVkEscape = 27;

class TMainForm {
public:
    explicit TMainForm(const Platform& platform);
    ~TMainForm();
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
    void FormKeyDown(int key, uint32_t shift);
    void FormKeyPress(char character);
    void DXDrawMouseMove(int32_t x, int32_t y);
    void DXDrawMouseDown(MouseButton button, int32_t x, int32_t y);
    // A close request (the window's close button, the system menu, a programmatic close).
    void FormCloseQuery();
    void SetApplicationActive(bool active);
    // The window was maximised: full screen at the next frame.
    void FormResize(bool maximized);
    // The drawing surface lost its textures (renderer reset): rebuild them from the kept pictures.
    void SurfaceRestored();
    // Ends the program at once (termination signal, session end).
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }

    // ---- screens
    void SetScreenState(uint8_t value);
    void MenuFrame();
    void ShowSplash();
    void LeaveGame();
    void ShowShareScreen();
    void ClearSpriteWorld();

    // ---- frame loop
    void DXTimerTimer(int32_t lagCount);
    void DXTimerActivate();
    void DXTimerDeactivate();

    // ---- pop-up menu items used as flags, and their click handlers
    void GameFullScreenClick();
    void GameSoundClick();
    void GameMusicClick();
    void GameMainExitClick();
    void Timer1Timer();

    // ---- sound and music
    void PlaySound(const std::string& name, bool wait = false);
    void StopSound(const std::string& name);
    void PlayMusic(int32_t number);
    void StopMusic();
    void MusicRestartRule();

    // ---- settings and high scores
    void ResetHighScores();
    void LoadConfig();
    void SaveConfig();
    std::filesystem::path ConfigFile() const;

    // ---- errors: reported (message box, stderr, record) and the program goes on
    void ReportError(const std::string& message);
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
    TTimer Timer1{4000};
    TTimer Timer_Level{2000};
    TTimer Timer_Nitro{1000};
    TTimer Timer_police{8000};
    TTimer sharetimer{100};

    // ---- fields of the window
    uint8_t ScreenState = 0;
    int32_t Level = 0;
    int32_t Score = 0;
    std::string CountryName;
    std::string PlayerName;
    std::string Edit1;  // the country text
    std::string Edit2;  // the player name

    bool GameFullScreen = false;
    bool GameSound = true;
    bool GameMusic = true;
    bool GameMainExit = false;
    bool GameEnterName = false;
    bool GameSendResult = false;
    bool GamegoEdit = false;
    bool GameClearHighScore = false;

    bool ResizePending = false;
    uint8_t CursorBlink = 0;
    std::string TextFontName = "Arial";

    // ---- shared game state read by the screens and the world
    int32_t Clan = 1;
    bool GameOverPending = false;
    bool Paused = false;
    bool Driving = false;
    bool BackFromGame = false;
    int32_t Lives = 0;
    int32_t Health = 0;
    double Speed = 0;
    double Distance = 0;
    double LevelLength = 0;
    int32_t MouseX = 0;
    int32_t MouseY = 0;
    int32_t PromoCountdown = 0;

    int32_t MusicHandle = 0;
    int32_t LastMusicOrder = 0;
    std::string MusicName;  // the module last started, empty when none

    THighScoreTable HighScores;

    // ---- what happened, for the simulator's state and the tests
    std::vector<std::string> Errors;
    std::vector<std::string> SoundsPlayed;
    std::vector<std::string> PacksLoaded;
    int64_t FramesDrawn = 0;
    int32_t SoundPackLoads = 0;
    bool SurfaceReady() const { return surfaceReady_; }
    IWindow& Window() { return *platform_.window; }
    IDrawSurface& Surface() { return *platform_.surface; }
    uint64_t Now() const;

private:
    std::string DataPath(const std::string& relative) const;
    void LoadGraphicsPack(const std::string& relative);
    void EnterState(uint8_t value);
    void LeaveState(uint8_t value);
    void DXDrawInitialize();
    void DXDrawFinalize();
    void UpdateCaption();
    std::array<TTimer*, 5> WindowTimers() { return {&Timer1, &Timer_Level, &Timer_Nitro, &Timer_police, &sharetimer}; }
    std::array<const TTimer*, 5> WindowTimers() const {
        return {&Timer1, &Timer_Level, &Timer_Nitro, &Timer_police, &sharetimer};
    }
    // The values the settings file stores, as they stand now.
    ConfigValues CurrentSettings() const;

    Platform platform_;
    bool surfaceReady_ = false;
    bool terminated_ = false;
    bool settingsWriteReported_ = false;
};
