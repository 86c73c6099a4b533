#include "screens/menu_links.h"

#include "online/score_submission.h"
#include "online/web_links.h"

void OpenWebsiteLink(const ScreenContext& ctx) {
    OpenLinkFile(ctx, "website.url");
}

void OpenMoreGamesLink(const ScreenContext& ctx) {
    OpenLinkFile(ctx, "moregames.url");
}

void OpenOnlineHighScores(const ScreenContext& ctx) {
    OpenOnlineTable(ctx);
}

void SubmitScore(const ScreenContext& ctx) {
    // The replay of the game just played goes up with its score.
    SubmitScore(ctx.http, ctx.window, ctx.scoreServer, ctx.state, ctx.host.EndedGameReplay());
}
