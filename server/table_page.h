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

// The page: a table of the given rows, readable without scripts or outside files.
std::string RenderTablePage(const std::vector<RankedScore>& rows, int64_t now);

// [{"rank":1,"name":…,"score":…,"country":…,"time":"…Z"}, …]
std::string RenderScoresJson(const std::vector<RankedScore>& rows);
