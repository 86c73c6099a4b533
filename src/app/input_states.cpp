#include "app/input_states.h"

#include "platform/keyboard.h"

namespace {

// A stick counts as pushed beyond half of its travel each way.
constexpr int32_t kDeadZone = 16384;

TDXInput::Bindings MakeBindings() {
    TDXInput::Bindings b{};
    b[TDXInput::kUp] = {'W', kVkUp, kVkNumpad0 + 8};
    b[TDXInput::kDown] = {'S', kVkDown, kVkNumpad0 + 2};
    b[TDXInput::kLeft] = {'A', kVkLeft, kVkNumpad0 + 4};
    b[TDXInput::kRight] = {'D', kVkRight, kVkNumpad0 + 6};
    b[TDXInput::kButton1 + 0] = {kVkReturn, 0, 0};
    b[TDXInput::kButton1 + 1] = {'X', kVkSpace, 0};  // the handbrake
    b[TDXInput::kButton1 + 2] = {kVkEscape, 'P', 0};
    return b;
}

}  // namespace

void PadState::Track(const InputEvent& event) {
    switch (event.kind) {
        case InputEvent::Kind::PadButtonDown:
        case InputEvent::Kind::PadButtonUp:
            connected = true;
            buttons[static_cast<size_t>(event.padButton)] = event.kind == InputEvent::Kind::PadButtonDown;
            break;
        case InputEvent::Kind::PadAxis:
            connected = true;
            if (event.axis == 0) axisX = event.value;
            if (event.axis == 1) axisY = event.value;
            break;
        case InputEvent::Kind::PadRemoved:
            *this = PadState{};
            break;
        default:
            break;
    }
}

const TDXInput::Bindings& TDXInput::DefaultBindings() {
    static const Bindings bindings = MakeBindings();
    return bindings;
}

void TDXInput::Hold(int32_t state, bool on) {
    if (state >= 0 && state < kStateCount) held_[static_cast<size_t>(state)] = on;
}

void TDXInput::Update() {
    states_.fill(false);
    if (!focused_) return;
    states_ = held_;
    const Bindings& bindings = DefaultBindings();
    for (size_t state = 0; state < bindings.size(); ++state)
        for (const int32_t key : bindings[state])
            if (key != 0 && keyboard_->IsKeyDown(key)) states_[state] = true;
    if (!pad_.connected) return;
    // The stick and the d-pad drive the four directions; south fires as Ctrl does (an event,
    // not a state), east is the handbrake.
    if (pad_.axisY < -kDeadZone || pad_.Held(PadButton::DpadUp)) states_[kUp] = true;
    if (pad_.axisY > kDeadZone || pad_.Held(PadButton::DpadDown)) states_[kDown] = true;
    if (pad_.axisX < -kDeadZone || pad_.Held(PadButton::DpadLeft)) states_[kLeft] = true;
    if (pad_.axisX > kDeadZone || pad_.Held(PadButton::DpadRight)) states_[kRight] = true;
    if (pad_.Held(PadButton::East)) states_[kButton1 + 1] = true;
}
