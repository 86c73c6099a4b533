#include "table_page.h"

#include <ctime>
#include <nlohmann/json.hpp>

std::string IsoTime(int64_t seconds) {
    const auto t = static_cast<std::time_t>(seconds);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

namespace {

// A dark city night with the clans' colours: Dragons' yellow and red for the podium, Bulldogs'
// blue for the lines. Everything is in the page; the server serves nothing else.
constexpr std::string_view kStyle = R"(
:root { color-scheme: dark; }
* { box-sizing: border-box; }
body { margin: 0; min-height: 100vh; font-family: "Liberation Sans", Arial, Helvetica, sans-serif;
  color: #e8ecf4; background: #0b0e17;
  background-image: linear-gradient(180deg, #141a2e 0%, #0b0e17 55%, #07080d 100%); }
main { max-width: 760px; margin: 0 auto; padding: 32px 20px 48px; }
header { text-align: center; margin-bottom: 24px; }
h1 { margin: 0; font-size: 44px; letter-spacing: 6px; text-transform: uppercase; font-weight: 900;
  color: #ffd23f; text-shadow: 0 0 12px rgba(255, 140, 0, 0.55), 3px 3px 0 #a3161a; }
header p { margin: 6px 0 0; color: #8fa3c8; letter-spacing: 3px; text-transform: uppercase; font-size: 14px; }
table { width: 100%; border-collapse: collapse; background: rgba(20, 27, 46, 0.92);
  border: 2px solid #2d4a86; box-shadow: 0 0 24px rgba(45, 110, 220, 0.25); }
caption { caption-side: bottom; padding: 10px; color: #6f7fa0; font-size: 13px; text-align: right; }
th, td { padding: 8px 14px; text-align: left; }
thead th { background: #1d2f57; color: #bcd0f5; font-size: 13px; letter-spacing: 2px; text-transform: uppercase;
  border-bottom: 2px solid #3b66b8; }
tbody tr:nth-child(even) { background: rgba(255, 255, 255, 0.035); }
tbody tr:hover { background: rgba(59, 102, 184, 0.25); }
td.rank { width: 64px; font-weight: 700; color: #8fa3c8; text-align: right; }
td.name { font-weight: 700; }
td.score { text-align: right; font-variant-numeric: tabular-nums; font-weight: 700; color: #ffd23f; }
th.score { text-align: right; }
td.country { color: #b5c0d8; }
td.time { color: #6f7fa0; font-size: 13px; white-space: nowrap; }
tr.podium td.rank { color: #ff5a36; }
tr.first td.rank, tr.first td.name, tr.first td.score { font-size: 19px; }
tr.first td.name { color: #ffd23f; }
.empty { padding: 40px; text-align: center; color: #8fa3c8; font-size: 18px; }
a.verified { display: inline-block; margin-left: 8px; width: 18px; height: 18px; border-radius: 9px;
  background: #2f9e5a; color: #ffffff; font-size: 12px; line-height: 18px; text-align: center;
  text-decoration: none; vertical-align: 2px; }
a.verified:hover { background: #41c275; }
)";

// Beside a verified name: a check mark whose title says what it means, linking to the replay.
std::string VerifiedMark(const RankedScore& row) {
    if (!row.verified || !row.replay) return {};
    const std::string id = std::to_string(*row.replay);
    return "<a class=\"verified\" href=\"/api/replays/" + id + "\" download=\"vandrax-" + id +
           ".vxr\" title=\"Verified: the server played this game's replay to this score. Download the "
           "replay\">\xE2\x9C\x93</a>";
}

}  // namespace

std::string RenderTablePage(const std::vector<RankedScore>& rows, int64_t now, bool verifiedOnly) {
    std::string page;
    page.reserve(4096 + rows.size() * 256);
    page += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    page += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    page += "<title>Vandrax \xE2\x80\x94 High Scores</title>\n<style>";
    page += kStyle;
    page +=
        "</style>\n</head>\n<body>\n<main>\n<header>\n<h1>Vandrax</h1>\n<p>Best drivers of the last "
        "town</p>\n";
    if (verifiedOnly) page += "<p id=\"verified-only\">Verified scores only</p>\n";
    page += "</header>\n";
    if (rows.empty()) {
        page += "<p class=\"empty\" id=\"no-scores\">No scores yet. Be the first on the board!</p>\n";
    } else {
        page += "<table id=\"scores\">\n<caption>Best ";
        page += std::to_string(rows.size());
        page += " \xC2\xB7 updated <time datetime=\"" + IsoTime(now) + "\">" + IsoTime(now).substr(0, 16);
        page +=
            " UTC</time></caption>\n<thead><tr><th scope=\"col\">#</th><th scope=\"col\">Name</th>"
            "<th scope=\"col\" class=\"score\">Score</th><th scope=\"col\">Country</th>"
            "<th scope=\"col\">Date</th></tr></thead>\n<tbody>\n";
        for (const auto& row : rows) {
            page += "<tr";
            if (row.rank == 1)
                page += " class=\"podium first\"";
            else if (row.rank <= 3)
                page += " class=\"podium\"";
            page += "><td class=\"rank\">" + std::to_string(row.rank) + "</td><td class=\"name\">" +
                    HtmlEscape(row.name) + VerifiedMark(row) + "</td><td class=\"score\">" +
                    std::to_string(row.score) + "</td><td class=\"country\">" + HtmlEscape(row.country) +
                    "</td><td class=\"time\"><time datetime=\"" + IsoTime(row.time) + "\">" +
                    IsoTime(row.time).substr(0, 10) + "</time></td></tr>\n";
        }
        page += "</tbody>\n</table>\n";
    }
    page += "</main>\n</body>\n</html>\n";
    return page;
}

std::string RenderScoresJson(const std::vector<RankedScore>& rows) {
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const auto& row : rows) {
        array.push_back(
            {{"rank", row.rank},
             {"name", row.name},
             {"score", row.score},
             {"country", row.country},
             {"time", IsoTime(row.time)},
             {"verified", row.verified},
             {"replay", row.replay ? nlohmann::ordered_json(*row.replay) : nlohmann::ordered_json()}});
    }
    // Stored texts are checked UTF-8; should one ever not be, it is replaced, never a failure.
    return array.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}
