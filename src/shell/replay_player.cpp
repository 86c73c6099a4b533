#include "shell/replay_player.h"

#include "shell/main_form.h"

void ReplayPlayer::Begin(Screen after) {
    next_ = 0;
    form_.BeginWatching(replay_.start, after);
}

bool ReplayPlayer::NextFrame() {
    const std::vector<ReplayStep>& steps = replay_.steps;
    while (next_ < steps.size() && form_.Watching()) {
        const ReplayStep& step = steps[next_++];
        switch (step.kind) {
            case ReplayStep::Kind::Keys:
                keys_ = step.keys;
                break;
            case ReplayStep::Kind::Timer:
                form_.WatchTimer(step.timer);
                break;
            case ReplayStep::Kind::Input:
                form_.WatchInput(step.input);
                break;
            case ReplayStep::Kind::Frame:
                form_.WatchFrame(step.lag, keys_);
                return form_.Watching();
        }
    }
    // The recording stops here (the program ended during the game): so does the replay.
    form_.StopWatching();
    return false;
}
