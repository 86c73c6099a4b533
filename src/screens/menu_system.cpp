#include "screens/menu_system.h"

#include <string>

#include "app/audio.h"
#include "app/game_state.h"
#include "engine/math256.h"
#include "platform/draw_surface.h"

void BeginMenuPointerMove(const ScreenContext& ctx, bool arrow) {
    KillHighlights(ctx.sprites.Engine());
    if (arrow) ctx.window.SetPointer(PointerShape::Arrow);
}

void HoverSound(const ScreenContext& ctx) {
    if (!ctx.state.HoverArmed) return;
    ctx.state.HoverArmed = false;
    ctx.audio.StopSound("button_up");
    ctx.audio.PlaySound("button_up");
}

void ArmHover(const ScreenContext& ctx) {
    ctx.state.HoverArmed = true;
}

void BeginKeyHover(const ScreenContext& ctx) {
    KillHighlights(ctx.sprites.Engine());
    ArmHover(ctx);
}

void ClickSound(const ScreenContext& ctx) {
    ctx.audio.PlaySound("button_down");
}

void ClearMenuTexts(const ScreenContext& ctx) {
    ctx.state.Hud.clear();
}

void MenuText(const ScreenContext& ctx, std::string_view text, int32_t x, int32_t y, int32_t size,
              uint32_t rgb) {
    ctx.surface.DrawText(ctx.state.TextFontName, size, rgb, x, y, text);
    ctx.state.Hud.push_back({std::string(text), x, y, size, rgb});
}

int32_t MenuTextWidth(const ScreenContext& ctx, std::string_view text, int32_t size) {
    return ctx.surface.TextWidth(ctx.state.TextFontName, size, text);
}

void MenuTextCentred(const ScreenContext& ctx, std::string_view text, int32_t centreX, int32_t y,
                     int32_t size, uint32_t rgb) {
    MenuText(ctx, text, centreX - RoundHalfEven(MenuTextWidth(ctx, text, size) / 2.0), y, size, rgb);
}
