#pragma once
// The online table as a web page and as JSON.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "score_store.h"

// "2025-06-01T12:34:56Z".
std::string IsoTime(int64_t seconds);

// Text made safe inside HTML elements and quoted attributes.
std::string HtmlEscape(std::string_view text);

// The page: a table of the given rows, readable without scripts or outside files. A verified row
// carries a check mark beside the name that links to its replay; verifiedOnly says in the heading
// that the rows are the verified ones only.
std::string RenderTablePage(const std::vector<RankedScore>& rows, int64_t now, bool verifiedOnly = false);

// [{"rank":1,"name":…,"score":…,"country":…,"time":"…Z","verified":true,"replay":7}, …]
std::string RenderScoresJson(const std::vector<RankedScore>& rows);
