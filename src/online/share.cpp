#include "online/share.h"

#include "app/game_state.h"

void ShareScreen::Enter() {
    ctx.state.PromoCountdown = 0;
    CloseRequested();
}

void ShareScreen::CloseRequested() {
    // The page lets the window close once its countdown has run out.
    if (ctx.state.PromoCountdown <= 1) ctx.host.CloseWindow();
}
