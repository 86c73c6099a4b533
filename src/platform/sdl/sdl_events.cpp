#include "platform/sdl/sdl_events.h"

#include <optional>

#include "platform/sdl/sdl_input.h"
#include "platform/sdl/sdl_window.h"

namespace {

MouseButton ButtonFromSdl(Uint8 button) {
    return button == SDL_BUTTON_RIGHT    ? MouseButton::Right
           : button == SDL_BUTTON_MIDDLE ? MouseButton::Middle
                                         : MouseButton::Left;
}

PadButton PadButtonFromSdl(Uint8 button) {
    switch (button) {
        case SDL_CONTROLLER_BUTTON_A:
            return PadButton::South;
        case SDL_CONTROLLER_BUTTON_B:
            return PadButton::East;
        case SDL_CONTROLLER_BUTTON_X:
            return PadButton::West;
        case SDL_CONTROLLER_BUTTON_Y:
            return PadButton::North;
        case SDL_CONTROLLER_BUTTON_BACK:
            return PadButton::Back;
        case SDL_CONTROLLER_BUTTON_START:
            return PadButton::Start;
        case SDL_CONTROLLER_BUTTON_DPAD_UP:
            return PadButton::DpadUp;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
            return PadButton::DpadDown;
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
            return PadButton::DpadLeft;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
            return PadButton::DpadRight;
        default:
            return PadButton::Other;
    }
}

InputEvent Make(InputEvent::Kind kind) {
    InputEvent event;
    event.kind = kind;
    return event;
}

bool IsCtrl(SDL_Keycode key) {
    return key == SDLK_LCTRL || key == SDLK_RCTRL;
}

}  // namespace

SdlEventSource::SdlEventSource(const SdlWindow& window, uint32_t repeatDelayMs, uint32_t repeatIntervalMs)
    : SdlEventSource(repeatDelayMs, repeatIntervalMs) {
    window_ = &window;
}

SdlEventSource::SdlEventSource(uint32_t repeatDelayMs, uint32_t repeatIntervalMs)
    : window_(nullptr), delay_(repeatDelayMs), interval_(repeatIntervalMs > 0 ? repeatIntervalMs : 33) {}

SdlEventSource::~SdlEventSource() {
    for (auto& [id, pad] : pads_) SDL_GameControllerClose(pad);
}

void SdlEventSource::Press(Held& held, uint64_t now) {
    held.held = true;
    held.native = false;
    held.next = now + delay_;
}

void SdlEventSource::Translate(const SDL_Event& event, const Sink& deliver) {
    Translate(event, SDL_GetTicks64(), deliver);
}

void SdlEventSource::Translate(const SDL_Event& event, uint64_t now, const Sink& deliver) {
    using Kind = InputEvent::Kind;
    switch (event.type) {
        case SDL_QUIT:
            // With the last-window-close quit switched off this comes only from a termination
            // signal (Ctrl+C in a terminal, the session ending).
            deliver(Make(Kind::Quit));
            return;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_CLOSE:
                    deliver(Make(Kind::Close));
                    return;
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                    deliver(Make(Kind::FocusGained));
                    return;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    // Keys released in the background never tell us so.
                    ctrl_ = Held{};
                    padFire_ = Held{};
                    deliver(Make(Kind::FocusLost));
                    return;
                case SDL_WINDOWEVENT_MAXIMIZED:
                    deliver(Make(Kind::Maximized));
                    return;
                default:
                    return;
            }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const SDL_Keycode sym = event.key.keysym.sym;
            if (IsCtrl(sym)) {
                if (event.type == SDL_KEYUP) {
                    if ((SDL_GetModState() & KMOD_CTRL) == 0) ctrl_ = Held{};
                } else if (event.key.repeat != 0) {
                    ctrl_.native = true;
                } else {
                    Press(ctrl_, now);
                }
            }
            InputEvent out = Make(event.type == SDL_KEYDOWN ? Kind::KeyDown : Kind::KeyUp);
            out.key = VirtualKeyFromSdl(sym);
            if (out.key == 0) return;
            out.shift = ShiftStateFromSdl(event.key.keysym.mod);
            out.repeat = event.key.repeat != 0;
            deliver(out);
            return;
        }
        case SDL_TEXTINPUT:
            // One event a character; single-byte characters only, as the game's texts are 8-bit.
            for (const char* c = event.text.text; *c != 0; ++c) {
                if ((static_cast<unsigned char>(*c) & 0x80) != 0) continue;
                InputEvent out = Make(Kind::Char);
                out.text = *c;
                deliver(out);
            }
            return;
        case SDL_MOUSEMOTION: {
            if (window_ == nullptr) return;
            InputEvent out = Make(Kind::PointerMove);
            window_->MapPointer(event.motion.x, event.motion.y, out.x, out.y);
            deliver(out);
            return;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            if (window_ == nullptr) return;
            InputEvent out = Make(event.type == SDL_MOUSEBUTTONDOWN ? Kind::ButtonDown : Kind::ButtonUp);
            window_->MapPointer(event.button.x, event.button.y, out.x, out.y);
            out.button = ButtonFromSdl(event.button.button);
            deliver(out);
            return;
        }
        case SDL_CONTROLLERDEVICEADDED:
            // Plugged in at any time; the first pad opened is as good as any.
            if (SDL_GameController* pad = SDL_GameControllerOpen(event.cdevice.which))
                pads_[SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad))] = pad;
            return;
        case SDL_CONTROLLERDEVICEREMOVED: {
            const auto found = pads_.find(event.cdevice.which);
            if (found == pads_.end()) return;
            SDL_GameControllerClose(found->second);
            pads_.erase(found);
            // Every state off: the car coasts.
            padFire_ = Held{};
            deliver(Make(Kind::PadRemoved));
            return;
        }
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP: {
            InputEvent out =
                Make(event.type == SDL_CONTROLLERBUTTONDOWN ? Kind::PadButtonDown : Kind::PadButtonUp);
            out.padButton = PadButtonFromSdl(event.cbutton.button);
            if (out.padButton == PadButton::South) {
                if (event.type == SDL_CONTROLLERBUTTONDOWN)
                    Press(padFire_, now);
                else
                    padFire_ = Held{};
            }
            deliver(out);
            return;
        }
        case SDL_CONTROLLERAXISMOTION: {
            if (event.caxis.axis != SDL_CONTROLLER_AXIS_LEFTX &&
                event.caxis.axis != SDL_CONTROLLER_AXIS_LEFTY)
                return;
            InputEvent out = Make(Kind::PadAxis);
            out.axis = event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX ? 0 : 1;
            out.value = event.caxis.value;
            deliver(out);
            return;
        }
        case SDL_RENDER_TARGETS_RESET:
        case SDL_RENDER_DEVICE_RESET:
            deliver(Make(Kind::SurfaceReset));
            return;
        default:
            return;
    }
}

void SdlEventSource::Repeat(uint64_t now, const Sink& deliver) {
    // Linux desktops usually do not repeat modifier keys: repeat a held Ctrl ourselves, unless
    // the desktop's own repeats arrive.
    if (ctrl_.held && !ctrl_.native && now >= ctrl_.next) {
        ctrl_.next = now + interval_;
        InputEvent out = Make(InputEvent::Kind::KeyDown);
        out.key = kVkControl;
        out.shift = ShiftStateFromSdl(SDL_GetModState()) | kShiftCtrl;
        out.repeat = true;
        deliver(out);
    }
    if (padFire_.held && now >= padFire_.next) {
        padFire_.next = now + interval_;
        InputEvent out = Make(InputEvent::Kind::PadButtonDown);
        out.padButton = PadButton::South;
        out.repeat = true;
        deliver(out);
    }
}

uint64_t SdlEventSource::NextRepeatAt() const {
    uint64_t due = UINT64_MAX;
    if (ctrl_.held && !ctrl_.native) due = ctrl_.next;
    if (padFire_.held && padFire_.next < due) due = padFire_.next;
    return due;
}
