#include "shell/game_recorder.h"

#include "app/input_states.h"
#include "app/timers.h"

std::bitset<256> PolledKeys(const IKeyboard& keyboard) {
    std::bitset<256> down;
    for (const auto& keys : TDXInput::DefaultBindings())
        for (const int32_t key : keys)
            if (key > 0 && key < 256 && keyboard.IsKeyDown(key)) down.set(static_cast<size_t>(key));
    return down;
}

void GameRecorder::Begin(const ReplayStart& start) {
    replay_.emplace();
    replay_->start = start;
    keys_.reset();
    frames_ = 0;
    playMs_ = 0;
}

void GameRecorder::Frame(int32_t lag, const std::bitset<256>& keys) {
    if (!replay_) return;
    if (keys != keys_) {
        ReplayStep step;
        step.kind = ReplayStep::Kind::Keys;
        step.keys = keys;
        replay_->steps.push_back(step);
        keys_ = keys;
    }
    ReplayStep step;
    step.kind = ReplayStep::Kind::Frame;
    step.lag = lag;
    replay_->steps.push_back(step);
    ++frames_;
    playMs_ += static_cast<int64_t>(lag) * FrameTimer::kIntervalMs;
    KeepWithinLimits();
}

void GameRecorder::KeepWithinLimits() {
    // A replay no reader would take is not kept at all.
    const ReplayLimits limits;
    if (playMs_ > limits.maxPlayMs || replay_->steps.size() > limits.maxSteps) Drop();
}

void GameRecorder::Timer(int32_t index) {
    if (!replay_) return;
    ReplayStep step;
    step.kind = ReplayStep::Kind::Timer;
    step.timer = index;
    replay_->steps.push_back(step);
    KeepWithinLimits();
}

void GameRecorder::Input(const InputEvent& event) {
    if (!replay_) return;
    ReplayStep step;
    step.kind = ReplayStep::Kind::Input;
    step.input = event;
    replay_->steps.push_back(step);
    KeepWithinLimits();
}

Replay GameRecorder::Finish(const ReplayEnd& end) {
    Replay replay = std::move(*replay_);
    replay_.reset();
    replay.end = end;
    replay.end.frames = frames_;
    return replay;
}
