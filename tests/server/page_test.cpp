// The online table page as a browser sees it: headless Chromium loads it from the real server,
// the rows are read back from its DOM, and a screenshot is kept for people to look at.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "server_harness.h"
#include "store_suites.h"
#include "table_page.h"

namespace {

bool HaveChromium() {
    return std::system("command -v chromium >/dev/null 2>&1") == 0;
}

// Chromium, headless and kept off the network, on its own throw-away profile.
std::string Chromium(const std::string& profile, const std::string& what, const std::string& url) {
    const std::string command =
        "timeout 120 chromium --headless --no-sandbox --disable-gpu "
        "--disable-background-networking --disable-component-update --disable-sync "
        "--no-first-run --user-data-dir=" +
        profile + " " + what + " '" + url + "' 2>/dev/null";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return output;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    pclose(pipe);
    return output;
}

std::string Unescape(std::string text) {
    const std::pair<const char*, const char*> entities[] = {{"&lt;", "<"},  {"&gt;", ">"},   {"&quot;", "\""},
                                                            {"&#39;", "'"}, {"&nbsp;", " "}, {"&amp;", "&"}};
    for (const auto& [entity, plain] : entities) {
        for (size_t at; (at = text.find(entity)) != std::string::npos;)
            text.replace(at, strlen(entity), plain);
    }
    return text;
}

// Text with its tags left out.
std::string StripTags(const std::string& html) {
    std::string text;
    bool inTag = false;
    for (char c : html) {
        if (c == '<') inTag = true;
        if (!inTag) text.push_back(c);
        if (c == '>') inTag = false;
    }
    return text;
}

// The parts between each opening tag of this name and its closing tag, in order.
std::vector<std::string> Elements(const std::string& html, const std::string& name) {
    std::vector<std::string> parts;
    const std::string open = "<" + name;
    const std::string close = "</" + name + ">";
    for (size_t at = 0; (at = html.find(open, at)) != std::string::npos;) {
        const size_t start = html.find('>', at);
        const size_t end = html.find(close, start);
        if (start == std::string::npos || end == std::string::npos) break;
        parts.push_back(html.substr(start + 1, end - start - 1));
        at = end + close.size();
    }
    return parts;
}

// The text of each cell of each body row.
std::vector<std::vector<std::string>> BodyRows(const std::string& dom) {
    std::vector<std::vector<std::string>> rows;
    const auto bodies = Elements(dom, "tbody");
    if (bodies.size() != 1) return rows;
    for (const auto& row : Elements(bodies[0], "tr")) {
        std::vector<std::string> texts;
        for (const auto& cell : Elements(row, "td")) texts.push_back(Unescape(StripTags(cell)));
        rows.push_back(texts);
    }
    return rows;
}

// Width and height from a PNG's header.
bool PngSize(const std::string& path, uint32_t& width, uint32_t& height) {
    std::ifstream in(path, std::ios::binary);
    unsigned char header[24] = {};
    if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return false;
    if (std::string(reinterpret_cast<char*>(header) + 1, 3) != "PNG") return false;
    width = (header[16] << 24) | (header[17] << 16) | (header[18] << 8) | header[19];
    height = (header[20] << 24) | (header[21] << 16) | (header[22] << 8) | header[23];
    return true;
}

}  // namespace

TEST(TablePage, BrowserShowsTheBestHundredAsStored) {
    if (!HaveChromium()) GTEST_SKIP() << "chromium is not installed: skipped";
    ScratchFolder folder;
    const std::string url = "sqlite:" + folder.path() + "/scores.db";
    ServerProcess server({"--db", url, "--rate-limit", "0"});
    ASSERT_TRUE(server.running());

    // What players may type and the page must show as text: markup, quotes, ampersands, accents.
    auto store = OpenScoreStore(url);
    const std::vector<std::pair<std::string, std::string>> players = {
        {"<b>Bold</b>", "<script>alert(1)</script>"},
        {"O'Neil & \"Co\"",
         "Espa\xC3\xB1"
         "a"},
        {"Zo\xC3\xAB", ""},
    };
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    int64_t score = 9'000'000;
    for (const auto& [name, country] : players) {
        const std::string token = NewTestToken();
        ASSERT_EQ(store->SubmitScore(token, now, now, 600, {name, score, country, now, "127.0.0.1"}),
                  SubmitOutcome::Stored);
        score -= 1'000'000;
    }
    // More than the page shows; one pair tied on score and time, stored in order.
    for (int i = 0; i < 105; ++i) {
        const std::string token = NewTestToken();
        const StoredScore row{"Driver" + std::to_string(i), 1000 + (i / 2) * 10, "Chile",
                              now - 86400 * (i % 3), "127.0.0.1"};
        ASSERT_EQ(store->SubmitScore(token, now, now, 600, row), SubmitOutcome::Stored);
    }

    ScratchFolder profile;
    const std::string page = server.url("/cgi/version.pl?prg=Vandrax&show&type=0");
    const std::string dom = Chromium(profile.path(), "--dump-dom", page);
    ASSERT_NE(dom.find("<table"), std::string::npos) << dom.substr(0, 500);
    // Whatever players typed stays text: no element of theirs made it into the page.
    EXPECT_EQ(dom.find("<script"), std::string::npos);
    EXPECT_EQ(dom.find("<b>"), std::string::npos);

    const auto rows = BodyRows(dom);
    const auto expected = store->BestScores(100);
    ASSERT_EQ(rows.size(), 100u);
    ASSERT_EQ(expected.size(), 100u);
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i + 1));
        ASSERT_EQ(rows[i].size(), 5u);
        EXPECT_EQ(rows[i][0], std::to_string(i + 1));
        EXPECT_EQ(rows[i][1], expected[i].name);
        EXPECT_EQ(rows[i][2], std::to_string(expected[i].score));
        EXPECT_EQ(rows[i][3], expected[i].country);
        EXPECT_EQ(rows[i][4], IsoTime(expected[i].time).substr(0, 10));
    }
    EXPECT_EQ(rows[0][1], "<b>Bold</b>");
    EXPECT_EQ(rows[0][3], "<script>alert(1)</script>");
    EXPECT_EQ(rows[1][1], "O'Neil & \"Co\"");
    EXPECT_EQ(rows[2][1], "Zo\xC3\xAB");

    // The picture a person looks at: kept beside the test binary.
    const std::string shot = std::string(VANDRAX_TEST_OUTPUT) + "/table-page.png";
    std::remove(shot.c_str());
    Chromium(profile.path(), "--screenshot=" + shot + " --window-size=1024,900 --hide-scrollbars", page);
    uint32_t width = 0;
    uint32_t height = 0;
    ASSERT_TRUE(PngSize(shot, width, height)) << shot;
    EXPECT_EQ(width, 1024u);
    EXPECT_EQ(height, 900u);
}

TEST(TablePage, BrowserShowsAnEmptyBoard) {
    if (!HaveChromium()) GTEST_SKIP() << "chromium is not installed: skipped";
    ScratchFolder folder;
    ServerProcess server({"--db", "sqlite:" + folder.path() + "/scores.db"});
    ASSERT_TRUE(server.running());
    ScratchFolder profile;
    const std::string dom = Chromium(profile.path(), "--dump-dom", server.url("/"));
    EXPECT_NE(dom.find("No scores yet"), std::string::npos) << dom.substr(0, 500);
    EXPECT_TRUE(BodyRows(dom).empty());
}

// A verified row carries its mark as the browser shows it: a check mark beside the name, with a
// title saying what it means, linking to the replay the server serves; other rows carry none.
TEST(TablePage, BrowserShowsTheVerifiedMark) {
    if (!HaveChromium()) GTEST_SKIP() << "chromium is not installed: skipped";
    ScratchFolder folder;
    const std::string url = "sqlite:" + folder.path() + "/scores.db";
    auto store = OpenScoreStore(url);
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    std::vector<std::string> tokens;
    for (const auto& [name, score] :
         {std::pair<std::string, int64_t>{"Top", 900}, {"Checked", 500}, {"Low", 100}}) {
        tokens.push_back(NewTestToken());
        ASSERT_EQ(store->SubmitScore(tokens.back(), now, now, 600, {name, score, "Chile", now, "127.0.0.1"}),
                  SubmitOutcome::Stored);
    }
    const std::vector<uint8_t> file = {'V', 'A', 'N', 0, 0xFF, '\n'};
    const int64_t id = store->ClaimReplay(tokens[1], now, 600).replayId;
    store->FinishReplay(id, true, "replay ends at 500 as stored", file);
    store->FinishReplay(store->ClaimReplay(tokens[2], now, 600).replayId, false,
                        "replay ends at 0, stored 100", file);
    ServerProcess server({"--db", url});
    ASSERT_TRUE(server.running());

    ScratchFolder profile;
    const std::string page = server.url("/cgi/version.pl?prg=Vandrax&show&type=0");
    const std::string dom = Chromium(profile.path(), "--dump-dom", page);
    const auto rows = Elements(Elements(dom, "tbody").at(0), "tr");
    ASSERT_EQ(rows.size(), 3u) << dom.substr(0, 500);
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto marks = Elements(rows[i], "a");
        EXPECT_EQ(marks.size(), i == 1 ? 1u : 0u) << rows[i];
    }
    // The mark sits in the name's cell, after the name.
    const std::string name = Elements(rows[1], "td").at(1);
    EXPECT_EQ(name.rfind("Checked<a ", 0), 0u) << name;
    EXPECT_EQ(Elements(name, "a").at(0), "\xE2\x9C\x93");
    EXPECT_NE(name.find("class=\"verified\""), std::string::npos) << name;
    EXPECT_NE(name.find("title=\"Verified: the server played this game's replay to this score. Download the "
                        "replay\""),
              std::string::npos)
        << name;
    const std::string link = "/api/replays/" + std::to_string(id);
    EXPECT_NE(name.find("href=\"" + link + "\""), std::string::npos) << name;
    const HttpAnswer download = HttpGet(server.port(), link);
    EXPECT_EQ(download.status, 200);
    EXPECT_EQ(download.body, std::string(file.begin(), file.end()));

    const std::string shot = std::string(VANDRAX_TEST_OUTPUT) + "/table-page-verified.png";
    std::remove(shot.c_str());
    Chromium(profile.path(), "--screenshot=" + shot + " --window-size=800,400 --hide-scrollbars", page);
    uint32_t width = 0;
    uint32_t height = 0;
    EXPECT_TRUE(PngSize(shot, width, height)) << shot;
}
