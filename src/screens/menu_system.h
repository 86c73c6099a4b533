#pragma once
// What every menu screen shares: hot regions, the hover rule (hand pointer, highlight and the
// "button_up" sound), the click sound, and the menu texts, drawn in the game's font and kept in
// the state's text list so the simulator can tell what a frame showed.

#include <cstdint>
#include <string_view>

#include "app/screen.h"
#include "platform/window.h"
#include "screens/menu_sprites.h"

// A rectangle of surface pixels, both ends included.
struct HotRegion {
    int32_t left;
    int32_t right;
    int32_t top;
    int32_t bottom;
    bool Contains(int32_t x, int32_t y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

// Outside these bounds the pointer has left a sub-screen's panel.
inline constexpr HotRegion kPanelRegion{18, 491, 117, 573};
inline constexpr HotRegion kLogoRegion{531, 765, 526, 592};

inline constexpr uint32_t kMenuBlack = 0x000000;
inline constexpr uint32_t kMenuWhite = 0xFFFFFF;

// The first steps of a pointer move on a menu screen: the highlights go and, unless the screen
// keeps its shape, the arrow comes back.
void BeginMenuPointerMove(const ScreenContext& ctx, bool arrow = true);

// The hover sound: only when the pointer comes from outside every region, so moving within one
// item sounds once.
void HoverSound(const ScreenContext& ctx);

// The pointer is on a hot region: the hand, the region's highlight and the hover sound.
template <class Highlight>
void HoverItem(const ScreenContext& ctx, std::string_view image, double x, double y, int z) {
    ctx.window.SetPointer(PointerShape::Hand);
    CreateImageSprite<Highlight>(ctx.sprites.Engine(), ctx.images, image, x, y, z);
    HoverSound(ctx);
}

// The pointer is outside every hot region: the next region it enters sounds.
void ArmHover(const ScreenContext& ctx);

// A key moved the menu's light: the highlights go, and the item the screen lights next shows its
// hover and sounds, as the pointer coming onto it from outside does.
void BeginKeyHover(const ScreenContext& ctx);

// The centre of a region, where a key's choice clicks.
inline int32_t CentreX(const HotRegion& r) {
    return (r.left + r.right) / 2;
}
inline int32_t CentreY(const HotRegion& r) {
    return (r.top + r.bottom) / 2;
}

// Every click that acts ends with this.
void ClickSound(const ScreenContext& ctx);

// A frame's texts start afresh.
void ClearMenuTexts(const ScreenContext& ctx);
// A text with its top-left corner at (x, y), transparent background.
void MenuText(const ScreenContext& ctx, std::string_view text, int32_t x, int32_t y, int32_t size,
              uint32_t rgb = kMenuBlack);
// A text centred on centreX by its measured width, half of it rounded to even.
void MenuTextCentred(const ScreenContext& ctx, std::string_view text, int32_t centreX, int32_t y,
                     int32_t size, uint32_t rgb = kMenuBlack);
int32_t MenuTextWidth(const ScreenContext& ctx, std::string_view text, int32_t size);
