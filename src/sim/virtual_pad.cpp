#include "sim/virtual_pad.h"

#include "platform/sdl/sdl_session.h"

namespace {

// The desktop's usual key repeat: the held fire repeats at it.
constexpr uint32_t kRepeatDelayMs = 500;
constexpr uint32_t kRepeatIntervalMs = 33;

SDL_GameControllerButton SdlButton(PadButton button) {
    switch (button) {
        case PadButton::South:
            return SDL_CONTROLLER_BUTTON_A;
        case PadButton::East:
            return SDL_CONTROLLER_BUTTON_B;
        case PadButton::West:
            return SDL_CONTROLLER_BUTTON_X;
        case PadButton::North:
            return SDL_CONTROLLER_BUTTON_Y;
        case PadButton::Back:
            return SDL_CONTROLLER_BUTTON_BACK;
        case PadButton::Start:
            return SDL_CONTROLLER_BUTTON_START;
        case PadButton::DpadUp:
            return SDL_CONTROLLER_BUTTON_DPAD_UP;
        case PadButton::DpadDown:
            return SDL_CONTROLLER_BUTTON_DPAD_DOWN;
        case PadButton::DpadLeft:
            return SDL_CONTROLLER_BUTTON_DPAD_LEFT;
        case PadButton::DpadRight:
            return SDL_CONTROLLER_BUTTON_DPAD_RIGHT;
        case PadButton::Other:
            break;
    }
    return SDL_CONTROLLER_BUTTON_GUIDE;
}

}  // namespace

VirtualPad::VirtualPad() : source_(kRepeatDelayMs, kRepeatIntervalMs) {
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) throw SdlError("SDL_InitSubSystem");
    // A joystick of the game-controller type with every standard button and axis: SDL gives it
    // the standard mapping (button n is SDL_CONTROLLER_BUTTON n, axis n likewise).
    SDL_VirtualJoystickDesc desc;
    SDL_zero(desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "vandrax-sim pad";
    device_ = SDL_JoystickAttachVirtualEx(&desc);
    if (device_ < 0) throw SdlError("SDL_JoystickAttachVirtualEx");
    joystick_ = SDL_JoystickOpen(device_);
    if (joystick_ == nullptr) throw SdlError("SDL_JoystickOpen");
}

VirtualPad::~VirtualPad() {
    if (joystick_ != nullptr) SDL_JoystickClose(joystick_);
    if (device_ >= 0) SDL_JoystickDetachVirtual(device_);
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

void VirtualPad::Apply(const InputEvent& event, uint64_t now, const SdlEventSource::Sink& deliver) {
    using Kind = InputEvent::Kind;
    switch (event.kind) {
        case Kind::PadButtonDown:
        case Kind::PadButtonUp:
            if (joystick_ != nullptr)
                SDL_JoystickSetVirtualButton(joystick_, SdlButton(event.padButton),
                                             event.kind == Kind::PadButtonDown ? 1 : 0);
            break;
        case Kind::PadAxis:
            if (joystick_ != nullptr)
                SDL_JoystickSetVirtualAxis(
                    joystick_, event.axis == 0 ? SDL_CONTROLLER_AXIS_LEFTX : SDL_CONTROLLER_AXIS_LEFTY,
                    static_cast<Sint16>(event.value));
            break;
        case Kind::PadRemoved:
            if (joystick_ != nullptr) {
                SDL_JoystickClose(joystick_);
                joystick_ = nullptr;
                SDL_JoystickDetachVirtual(device_);
                device_ = -1;
            }
            break;
        default:
            break;
    }
    Pump(now, deliver);
}

void VirtualPad::Pump(uint64_t now, const SdlEventSource::Sink& deliver) {
    const SdlEventSource::Sink count = [&](const InputEvent& event) {
        ++delivered_;
        deliver(event);
    };
    SDL_PumpEvents();
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) source_.Translate(event, now, count);
    source_.Repeat(now, count);
}
