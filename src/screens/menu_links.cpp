#include "screens/menu_links.h"

void OpenWebsiteLink(const ScreenContext&) {}

void OpenMoreGamesLink(const ScreenContext&) {}

void OpenOnlineHighScores(const ScreenContext&) {}

void SubmitScore(const ScreenContext&) {}
