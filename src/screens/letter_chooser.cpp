#include "screens/letter_chooser.h"

#include <string>
#include <string_view>

#include "app/game_state.h"
#include "platform/draw_surface.h"
#include "screens/menu_system.h"

namespace {

constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr int32_t kLetterCount = static_cast<int32_t>(kLetters.size());

// Held left or right: the first run after 400 ms, then one letter each 100 ms (5 ms steps).
constexpr int32_t kRunDelaySteps = 80;
constexpr int32_t kRunIntervalSteps = 20;

// A stick pushed past a fifth of its travel counts as the pad in use.
constexpr int32_t kStickUsed = 6554;

// The strip: the name panel's dark metal with a light edge, the field's white behind the letter
// under selection.
constexpr int32_t kStripWidth = 380;
constexpr int32_t kStripHeight = 66;
constexpr uint32_t kStripEdge = 0x8A929C;
constexpr uint32_t kStripFill = 0x262C33;
constexpr uint32_t kFieldFill = 0xF2F4F6;
constexpr uint32_t kNear = 0xD0D5DB;
constexpr uint32_t kFar = 0x808892;
constexpr uint32_t kHint = 0xF0B030;  // the panel's amber
constexpr int32_t kSlot = 38;

}  // namespace

void LetterChooser::Reset() {
    shown_ = false;
    index_ = 0;
    held_ = heldSteps_ = 0;
}

char LetterChooser::Letter() const {
    return LetterAt(0);
}

char LetterChooser::LetterAt(int32_t offset) const {
    const int32_t at = ((index_ + offset) % kLetterCount + kLetterCount) % kLetterCount;
    return kLetters[static_cast<size_t>(at)];
}

void LetterChooser::Move(int32_t direction) {
    index_ = ((index_ + direction) % kLetterCount + kLetterCount) % kLetterCount;
}

LetterChooser::Field LetterChooser::FieldOf(IScreen& screen) {
    return {[&screen](char c) { screen.Char(c); },
            [&screen] {
                screen.KeyDown(kVkBack, kShiftNone);
                screen.Char(static_cast<char>(kVkBack));
            }};
}

bool LetterChooser::Take(const InputEvent& event, bool editing, const Field& field) {
    using Kind = InputEvent::Kind;
    switch (event.kind) {
        case Kind::PadAxis:
            if (event.value > kStickUsed || event.value < -kStickUsed) shown_ = true;
            return false;
        case Kind::PadRemoved:
            held_ = 0;
            return false;
        case Kind::PadButtonUp:
            if ((event.padButton == PadButton::DpadLeft && held_ < 0) ||
                (event.padButton == PadButton::DpadRight && held_ > 0))
                held_ = 0;
            return false;
        case Kind::PadButtonDown:
            break;
        default:
            return false;
    }
    shown_ = true;
    if (!editing) {
        held_ = 0;
        return false;
    }
    switch (event.padButton) {
        case PadButton::DpadLeft:
        case PadButton::DpadRight:
            held_ = event.padButton == PadButton::DpadLeft ? -1 : 1;
            heldSteps_ = 0;
            Move(held_);
            return true;
        case PadButton::DpadUp:
        case PadButton::North:
            field.type(Letter());
            return true;
        case PadButton::DpadDown:
        case PadButton::West:
            field.erase();
            return true;
        default:
            return false;
    }
}

void LetterChooser::Step(int32_t lagCount) {
    if (held_ == 0) return;
    for (int32_t i = 0; i < lagCount; ++i) {
        ++heldSteps_;
        if (heldSteps_ >= kRunDelaySteps && (heldSteps_ - kRunDelaySteps) % kRunIntervalSteps == 0)
            Move(held_);
    }
}

void LetterChooser::Draw(const ScreenContext& ctx, int32_t centreX, int32_t top) const {
    IDrawSurface& surface = ctx.surface;
    const int32_t left = centreX - kStripWidth / 2;
    surface.FillRect(MakeRect(left, top, kStripWidth, kStripHeight), kStripEdge);
    surface.FillRect(MakeRect(left + 2, top + 2, kStripWidth - 4, kStripHeight - 4), kStripFill);
    // The letter under selection on the field's white, two neighbours each side fading out.
    surface.FillRect(MakeRect(centreX - 17, top + 6, 34, 34), kFieldFill);
    MenuTextCentred(ctx, std::string(1, Letter()), centreX, top + 8, 20);
    for (const int32_t offset : {-2, -1, 1, 2}) {
        const uint32_t colour = offset == -1 || offset == 1 ? kNear : kFar;
        MenuTextCentred(ctx, std::string(1, LetterAt(offset)), centreX + offset * kSlot, top + 11, 16,
                        colour);
    }
    MenuTextCentred(ctx, "LEFT/RIGHT: LETTER    UP: TYPE    DOWN: ERASE    START: OK", centreX, top + 45, 8,
                    kHint);
}
