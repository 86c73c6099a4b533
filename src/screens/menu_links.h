#pragma once
// The links of the menus and the score's sending, one small function each, handing over to the
// online side. The click sound is the caller's.

#include "app/screen.h"

// The publisher logo: "website.url".
void OpenWebsiteLink(const ScreenContext& ctx);
// The main menu's "Visit Web Site": "moregames.url".
void OpenMoreGamesLink(const ScreenContext& ctx);
// The high-score screen's View: the online table of the score server.
void OpenOnlineHighScores(const ScreenContext& ctx);
// The name entry's "send my score": the result and the game's replay go to the score server (it waits
// for the answers).
void SubmitScore(const ScreenContext& ctx);
