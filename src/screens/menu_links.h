#pragma once
// The links of the menus and the score's sending, one small function each, so that the online
// unit can take each of them over as it is. Until then a click on a link plays its sound (the
// caller's) and nothing else, and a score is kept only in the local table.

#include "app/screen.h"

// The publisher logo: "website.url".
void OpenWebsiteLink(const ScreenContext& ctx);
// The main menu's "Visit Web Site": "moregames.url".
void OpenMoreGamesLink(const ScreenContext& ctx);
// The high-score screen's View: the online table of the score server.
void OpenOnlineHighScores(const ScreenContext& ctx);
// The name entry's "send my score": the result goes to the score server (it waits for the answer).
void SubmitScore(const ScreenContext& ctx);
