#pragma once
// The two text fields of the menus, the country (options) and the player name (name entry): what
// they take and the blinking cursor behind the text.

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/screen.h"
#include "engine/sprite.h"

// Letters and digits only: what the game's font draws and what the settings file keeps as it is
// ("%" at a text's end would be taken for the file's filling).
bool IsFieldCharacter(char c);

// The most characters a field holds.
inline constexpr size_t kFieldLength = 10;

// The text cursor. Its step places it behind the country text on the options screen and behind
// the centred name on the game-over screen.
class Palka : public TImageSprite {
public:
    Palka(TSprite* parent, const ScreenContext& ctx);
    void Step(int32_t lagCount) override;

private:
    const ScreenContext& ctx_;  // the screen's own, which outlives its sprites
};

// One step of the cursor's 30-frame cycle (shown 14 frames, hidden 16, only while a field takes
// typing), run before the options' and the game over's frame. ctx is the screen's own.
void BlinkTextCursor(const ScreenContext& ctx);
