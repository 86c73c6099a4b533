#include "platform/sdl/sdl_events.h"

#include <optional>

#include "platform/sdl/sdl_input.h"
#include "platform/sdl/sdl_window.h"

namespace {

MouseButton ButtonFromSdl(Uint8 button) {
    return button == SDL_BUTTON_RIGHT ? MouseButton::Right : button == SDL_BUTTON_MIDDLE ? MouseButton::Middle
                                                                                          : MouseButton::Left;
}

InputEvent Make(InputEvent::Kind kind) {
    InputEvent event;
    event.kind = kind;
    return event;
}

}  // namespace

namespace {

std::optional<InputEvent> Translate(const SDL_Event& event, const SdlWindow& window) {
    using Kind = InputEvent::Kind;
    switch (event.type) {
        case SDL_QUIT:
            // With the last-window-close quit switched off this comes only from a termination
            // signal (Ctrl+C in a terminal, the session ending).
            return Make(Kind::Quit);
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_CLOSE:
                    return Make(Kind::Close);
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                    return Make(Kind::FocusGained);
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    return Make(Kind::FocusLost);
                case SDL_WINDOWEVENT_MAXIMIZED:
                    return Make(Kind::Maximized);
                default:
                    return std::nullopt;
            }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            InputEvent out = Make(event.type == SDL_KEYDOWN ? Kind::KeyDown : Kind::KeyUp);
            out.key = VirtualKeyFromSdl(event.key.keysym.sym);
            if (out.key == 0) return std::nullopt;
            out.shift = ShiftStateFromSdl(event.key.keysym.mod);
            out.repeat = event.key.repeat != 0;
            return out;
        }
        case SDL_MOUSEMOTION: {
            InputEvent out = Make(Kind::PointerMove);
            window.MapPointer(event.motion.x, event.motion.y, out.x, out.y);
            return out;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            InputEvent out = Make(event.type == SDL_MOUSEBUTTONDOWN ? Kind::ButtonDown : Kind::ButtonUp);
            window.MapPointer(event.button.x, event.button.y, out.x, out.y);
            out.button = ButtonFromSdl(event.button.button);
            return out;
        }
        case SDL_RENDER_TARGETS_RESET:
        case SDL_RENDER_DEVICE_RESET:
            return Make(Kind::SurfaceReset);
        default:
            return std::nullopt;
    }
}

}  // namespace

void TranslateEvent(const SDL_Event& event, const SdlWindow& window,
                    const std::function<void(const InputEvent&)>& deliver) {
    if (event.type == SDL_TEXTINPUT) {
        // One event a character; single-byte characters only, as the game's texts are 8-bit.
        for (const char* c = event.text.text; *c != 0; ++c) {
            if ((static_cast<unsigned char>(*c) & 0x80) != 0) continue;
            InputEvent out = Make(InputEvent::Kind::Char);
            out.text = *c;
            deliver(out);
        }
        return;
    }
    if (const std::optional<InputEvent> out = Translate(event, window)) deliver(*out);
}
