#pragma once
// Records the game the player is playing: what reached it, in order, from its start to its end.

#include <bitset>
#include <cstdint>
#include <optional>

#include "app/replay.h"
#include "platform/keyboard.h"

// The keys a replayed frame holds down, answered as the keyboard would.
class ReplayKeyboard : public IKeyboard {
public:
    bool IsKeyDown(int virtualKey) const override {
        return virtualKey >= 0 && virtualKey < static_cast<int>(down.size()) &&
               down[static_cast<size_t>(virtualKey)];
    }
    std::bitset<256> down;
};

// The keys the game polls (its bindings) that are down on `keyboard` now.
std::bitset<256> PolledKeys(const IKeyboard& keyboard);

class GameRecorder {
public:
    bool Recording() const { return replay_.has_value(); }
    void Begin(const ReplayStart& start);
    // A frame runs with these keys down.
    void Frame(int32_t lag, const std::bitset<256>& keys);
    void Timer(int32_t index);
    void Input(const InputEvent& event);
    // The game as recorded, with its end; recording stops.
    Replay Finish(const ReplayEnd& end);
    // Recording stops and the game is not kept (it has run longer than a replay may be).
    void Drop() { replay_.reset(); }
    int64_t Frames() const { return frames_; }

private:
    void KeepWithinLimits();

    std::optional<Replay> replay_;
    std::bitset<256> keys_;
    int64_t frames_ = 0;
    int64_t playMs_ = 0;
};
