#pragma once
// Stand-ins for the platform that record what the game asked of them: the simulator runs on
// them and the tests check effects through them, with no window, display or sound card.

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/input.h"
#include "platform/clock.h"
#include "platform/draw_surface.h"
#include "platform/keyboard.h"
#include "platform/music_player.h"
#include "platform/sound_device.h"
#include "platform/window.h"

class ManualClock : public IClock {
public:
    uint64_t Milliseconds() const override { return now; }
    uint64_t now = 0;
};

class FakeWindow : public IWindow {
public:
    void SetCaption(const std::string& caption) override { caption_ = caption; }
    std::string Caption() const override { return caption_; }
    void SetFullScreen(bool fullScreen) override { fullScreen_ = fullScreen; }
    bool IsFullScreen() const override { return fullScreen_; }
    bool IsMaximized() const override { return maximized; }
    void StorePlacement() override { ++placementsStored; }
    void RestorePlacement() override { ++placementsRestored; }
    void ShowNormal() override { maximized = false; }
    void SetPointer(PointerShape shape) override { pointer = shape; }
    void WarpPointer(int32_t x, int32_t y) override { warps.push_back({x, y}); }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }

    bool maximized = false;
    PointerShape pointer = PointerShape::Arrow;
    int placementsStored = 0;
    int placementsRestored = 0;
    std::vector<std::pair<int32_t, int32_t>> warps;
    std::vector<std::string> messages;

private:
    std::string caption_ = "Vandrax";
    bool fullScreen_ = false;
};

// Sound buffers that "play" for the wave's length on the given clock.
class RecordingSoundDevice : public ISoundDevice {
public:
    explicit RecordingSoundDevice(ManualClock& clock) : clock_(clock) {}
    std::unique_ptr<ISoundBuffer> CreateBuffer(const WaveData& wave) override;
    // Advances the clock: the wait of a sound played to its end.
    void Wait(int ms) override { clock_.now += static_cast<uint64_t>(ms); }

    ManualClock& Clock() { return clock_; }
    // Every start, in order: the buffer's number and whether it loops.
    struct Start {
        int buffer;
        bool looped;
    };
    std::vector<Start> starts;
    bool recordStarts = true;  // off for long runs, where the list would only grow
    int buffersMade = 0;

private:
    ManualClock& clock_;
};

// A module player that loads any existing file and reports a scripted order position.
class FakeMusicPlayer : public IMusicPlayer {
public:
    int32_t SongLoadFromFile(const std::string& path) override;
    void SongPlay(int32_t handle) override;
    int32_t SongGetOrder(int32_t handle) override;
    void SongFree(int32_t handle) override;

    std::vector<std::string> loaded;  // paths, in order
    std::set<int32_t> live;
    int32_t playing = 0;
    int32_t order = 0;  // what SongGetOrder answers for the playing module
    bool failLoads = false;

private:
    int32_t next_ = 0;
};

// A surface that draws nothing and counts what it was asked to draw.
class NullSurface : public IDrawSurface {
public:
    int32_t Width() const override { return 800; }
    int32_t Height() const override { return 600; }
    std::unique_ptr<ITexture> CreateTexture(const uint32_t* pixels, int32_t width, int32_t height) override;
    void Draw(ITexture&, const Rect& src, const Rect& dst, int32_t opacity) override;
    void DrawRotated(ITexture&, const Rect& src, const Rect& dst, double degrees, int32_t opacity) override;
    void FillRect(const Rect&, uint32_t) override { ++fills; }
    void DrawText(std::string_view font, int32_t size, uint32_t rgb, int32_t x, int32_t y,
                  std::string_view text) override {
        texts.emplace_back(text);
        if (recordDraws) textDraws.push_back({std::string(font), size, rgb, x, y, std::string(text)});
    }
    int32_t TextWidth(std::string_view, int32_t size, std::string_view text) override {
        return static_cast<int32_t>(text.size()) * size / 2;
    }
    int32_t TextHeight(std::string_view, int32_t size) override { return size * 3 / 2; }
    void Present() override { ++presents; }
    void Restore() override { ++restores; }

    struct DrawCall {
        int texture;  // the texture's number, in creation order
        Rect src;
        Rect dst;
        int32_t opacity;
        double degrees;
    };
    bool recordDraws = true;
    std::vector<DrawCall> draws;
    std::vector<std::string> texts;
    struct TextDraw {
        std::string font;
        int32_t size;
        uint32_t rgb;
        int32_t x;
        int32_t y;
        std::string text;
    };
    std::vector<TextDraw> textDraws;
    int texturesMade = 0;
    int64_t drawCount = 0;
    int fills = 0;
    int presents = 0;
    int restores = 0;
};

class FakeKeyboard : public IKeyboard {
public:
    bool IsKeyDown(int virtualKey) const override { return down.count(virtualKey) != 0; }
    // Keeps the key states as a keyboard would for the events that reach the game.
    void Track(const InputEvent& event);
    std::set<int> down;
};
