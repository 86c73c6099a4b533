#pragma once
// A screen of the game (splash, main menu, clan choice, game, help, options, high scores,
// promotion page, game over): its own unit with enter, frame and leave actions and its own
// key, character and pointer handlers. The main window keeps one of each in a table and
// dispatches through it; a screen reaches the window only through the context it is given.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "base/input.h"
#include "base/screens.h"

class GameAudio;
class IDesktop;
class IDrawSurface;
class IHttpClient;
class IKeyboard;
class IPictureLoader;
class IWindow;
class TDXInput;
class TDXSpriteEngine;
class TPictureCollection;
struct GameState;
struct WindowTimers;

// What the main window does for its screens.
class IScreenHost {
public:
    virtual ~IScreenHost() = default;
    // Runs the current screen's leave action and the new one's enter action.
    virtual void SetScreenState(Screen value) = 0;
    // The caption says "paused" while the game is in the background or the quit overlay is up.
    virtual void UpdateCaption() = 0;
    virtual void GameFullScreenClick() = 0;
    // Music and sound on or off: the check mark only (the options screen starts and stops the music).
    virtual void GameMusicClick() = 0;
    virtual void GameSoundClick() = 0;
    virtual void SaveConfig() = 0;
    // Loads a graphics pack into the image list and builds its colour table.
    virtual void LoadGraphicsPack(const std::string& relative) = 0;
    // Ends the program (the window closes).
    virtual void CloseWindow() = 0;
    // The game's error report: message box, stderr and the record the simulator keeps.
    virtual void ReportError(const std::string& message) = 0;
    virtual uint64_t Now() const = 0;

    // ---- the player's kept replays
    // The replay of the game that has just reached its game over, as its file holds it; empty when
    // the game was not recorded.
    virtual std::span<const uint8_t> EndedGameReplay() const = 0;
    // That game has entered the high-score table as this row: its replay stays as long as the row.
    virtual void HighScoreEntered(const std::string& name, int32_t score) = 0;
    // Which rows of the high-score table have a replay kept.
    virtual std::array<bool, 10> RowsWithReplays() const = 0;
    // Watches the replay kept for a row of the table in the window, then shows the table again. A
    // replay that cannot be played is reported and the table stays.
    virtual void WatchRowReplay(int32_t row) = 0;
};

struct ScreenContext {
    GameState& state;
    IScreenHost& host;
    TDXSpriteEngine& sprites;
    TPictureCollection& images;
    GameAudio& audio;
    WindowTimers& timers;
    IWindow& window;
    IDrawSurface& surface;
    IKeyboard& keyboard;
    TDXInput& input;  // the polled 36 states
    // ---- the online side: score server, desktop links, the promotion page's pictures
    IHttpClient& http;
    IDesktop& desktop;
    IPictureLoader& pictures;
    std::filesystem::path dataRoot;  // link files and wdata/ live here
    std::string scoreServer;         // base address, "http://host:port"
};

class IScreen {
public:
    explicit IScreen(const ScreenContext& context) : ctx(context) {}
    virtual ~IScreen() = default;
    IScreen(const IScreen&) = delete;
    IScreen& operator=(const IScreen&) = delete;

    virtual void Enter() = 0;
    // One frame: move, draw and the screen's text. lagCount: 5 ms steps since the last frame.
    virtual void Frame(int32_t lagCount) = 0;
    virtual void Leave() = 0;
    virtual void KeyDown(int32_t /*key*/, uint32_t /*shift*/) {}
    virtual void Char(char /*c*/) {}
    virtual void PointerMove(int32_t /*x*/, int32_t /*y*/) {}
    virtual void PointerDown(MouseButton /*button*/) {}
    virtual void PointerUp(MouseButton /*button*/) {}
    // A gamepad event outside play, before it acts as the key or click it stands for; true when
    // the screen took it for itself (the name entry's letter chooser).
    virtual bool PadInput(const InputEvent& /*event*/) { return false; }
    // The window's close button.
    virtual void CloseRequested() {}
    // Timer1 fired (it has switched itself off already).
    virtual void Timer1() {}
    // The module this screen starts over when the playing one has ended; none keeps silence.
    virtual std::optional<MusicTrack> OwnMusic() const { return MusicTrack::Menu; }

protected:
    ScreenContext ctx;
};
