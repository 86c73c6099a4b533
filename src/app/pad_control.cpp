#include "app/pad_control.h"

#include "app/game_state.h"
#include "app/input_states.h"
#include "app/screen.h"
#include "platform/window.h"

namespace {

InputEvent Key(int32_t key, uint32_t shift = kShiftNone) {
    InputEvent event;
    event.kind = InputEvent::Kind::KeyDown;
    event.key = key;
    event.shift = shift;
    return event;
}

// The left mouse button going down or up where the pointer is.
InputEvent LeftButton(InputEvent::Kind kind, const GameState& state) {
    InputEvent event;
    event.kind = kind;
    event.button = MouseButton::Left;
    event.x = state.MouseX;
    event.y = state.MouseY;
    return event;
}

int32_t ArrowFor(PadButton button) {
    switch (button) {
        case PadButton::DpadUp:
            return kVkUp;
        case PadButton::DpadDown:
            return kVkDown;
        case PadButton::DpadLeft:
            return kVkLeft;
        default:
            return kVkRight;
    }
}

}  // namespace

bool GamepadControl::InPlay() const {
    return state_.ScreenState == Screen::Game && !state_.GameMainExit;
}

void GamepadControl::Frame(int32_t lagCount, IWindow& window) {
    if (!pad_.connected || InPlay()) {
        pointer_.Release();
        return;
    }
    if (const auto pixel = pointer_.Step(pad_.axisX, pad_.axisY, lagCount, {state_.MouseX, state_.MouseY}))
        window.WarpPointer(pixel->x, pixel->y);
}

std::vector<InputEvent> GamepadControl::Translate(const InputEvent& event, IScreen* screen) {
    using Kind = InputEvent::Kind;
    const bool inPlay = InPlay();
    if (!inPlay && screen != nullptr && screen->PadInput(event)) return {};
    const bool south = event.padButton == PadButton::South;
    if (event.kind == Kind::PadRemoved || (event.kind == Kind::PadButtonUp && south)) {
        // Only a press that clicked is released as a click.
        if (!clickHeld_) return {};
        clickHeld_ = false;
        return {LeftButton(Kind::ButtonUp, state_)};
    }
    if (event.kind != Kind::PadButtonDown) return {};
    switch (event.padButton) {
        case PadButton::South: {
            if (inPlay) {
                InputEvent fire = Key(kVkControl, kShiftCtrl);
                fire.repeat = event.repeat;
                return {fire};
            }
            // A held button repeats as fire does; a click happens once.
            if (event.repeat || clickHeld_) return {};
            clickHeld_ = true;
            return {LeftButton(Kind::ButtonDown, state_)};
        }
        case PadButton::Start:
            return {Key(inPlay ? 'P' : kVkReturn)};
        case PadButton::Back:
            return {Key(kVkEscape)};
        case PadButton::DpadUp:
        case PadButton::DpadDown:
        case PadButton::DpadLeft:
        case PadButton::DpadRight: {
            // In play the d-pad steers as the stick does (the polled states); on the menus it is
            // the arrow keys, held ones repeating as theirs do.
            if (inPlay) return {};
            InputEvent arrow = Key(ArrowFor(event.padButton));
            arrow.repeat = event.repeat;
            return {arrow};
        }
        default:
            return {};
    }
}
