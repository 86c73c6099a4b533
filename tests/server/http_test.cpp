// The HTTP interface end to end: the real vandrax-scored on a real socket, on each back end.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <thread>

#include "app/text_codec.h"
#include "score_record.h"
#include "score_token.h"
#include "store_suites.h"

namespace {

const std::string kVersionQuery = "/cgi/version.pl?version&prg=Vandrax";
const std::string kScoreQuery = "/cgi/version.pl?hs&prg=Vandrax&inf=";
const std::string kTablePage = "/cgi/version.pl?prg=Vandrax&show&type=0";

std::string FreshToken(const ServerProcess& server) {
    const HttpAnswer answer = HttpGet(server.port(), kVersionQuery);
    EXPECT_EQ(answer.status, 200);
    return TokenOf(answer.body);
}

// The score query of the game for these values, with a token fresh from the server.
std::string ScoreTarget(const ServerProcess& server, const std::string& name, const std::string& score,
                        const std::string& country = "Latvia") {
    return kScoreQuery + GameRecord(name, score, FreshToken(server), country);
}

int64_t Now() {
    return static_cast<int64_t>(std::time(nullptr));
}

std::vector<std::string> Fields(const std::string& text) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t bar; (bar = text.find('|', start)) != std::string::npos; start = bar + 1)
        fields.push_back(text.substr(start, bar - start));
    fields.push_back(text.substr(start));
    return fields;
}

// "2025-06-01T12:34:56Z"
bool IsIsoTime(const std::string& text) {
    const std::string shape = "dddd-dd-ddTdd:dd:ddZ";
    if (text.size() != shape.size()) return false;
    for (size_t i = 0; i < shape.size(); ++i) {
        if (shape[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(text[i])) : text[i] != shape[i])
            return false;
    }
    return true;
}

}  // namespace

TEST_P(HttpTest, VersionAnswerCarriesATokenTheGameFinds) {
    ServerProcess server({"--db", database_->url()});
    ASSERT_TRUE(server.running());
    const HttpAnswer first = HttpGet(server.port(), kVersionQuery);
    const HttpAnswer second = HttpGet(server.port(), kVersionQuery);
    ASSERT_EQ(first.status, 200);
    EXPECT_EQ(first.contentType, "text/plain; charset=utf-8");
    // OK|program|version|lifetime|token|time: the game needs "OK" in front and the token fifth.
    const std::vector<std::string> fields = Fields(first.body);
    ASSERT_EQ(fields.size(), 6u) << first.body;
    EXPECT_EQ(fields[0], "OK");
    EXPECT_EQ(fields[1], "Vandrax");
    EXPECT_FALSE(fields[2].empty());
    EXPECT_EQ(fields[2].find_first_not_of("0123456789."), std::string::npos) << fields[2];
    EXPECT_EQ(fields[3], "600");
    EXPECT_TRUE(IsTokenShaped(fields[4])) << fields[4];
    EXPECT_EQ(fields[4], TokenOf(first.body));
    EXPECT_TRUE(IsIsoTime(fields[5])) << fields[5];
    EXPECT_NE(TokenOf(first.body), TokenOf(second.body));
}

// The game's own request: its headers, the token taken from the version answer, the record
// encoded with the game's codec.
TEST_P(HttpTest, ScoreWithAFreshTokenIsStored) {
    ServerProcess server({"--db", database_->url()});
    ASSERT_TRUE(server.running());
    httplib::Client game("127.0.0.1", server.port());
    game.set_url_encode(false);
    const httplib::Headers headers = {{"Accept", "text/html, */*"},
                                      {"Content-Type", "text/html"},
                                      {"User-Agent", "Mozilla/3.0 (compatible; Indy Library)"}};
    auto version = game.Get(kVersionQuery, headers);
    ASSERT_TRUE(version);
    ASSERT_EQ(version->body.substr(0, 2), "OK");
    const int64_t before = Now();
    auto score =
        game.Get(kScoreQuery + GameRecord("Anna", "123450", TokenOf(version->body), "Latvia"), headers);
    ASSERT_TRUE(score);
    EXPECT_EQ(score->status, 200);
    EXPECT_EQ(score->body, "OK");

    const auto stored = OpenScoreStore(database_->url())->AllScores();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].name, "Anna");
    EXPECT_EQ(stored[0].score, 123450);
    EXPECT_EQ(stored[0].country, "Latvia");
    EXPECT_EQ(stored[0].address, "127.0.0.1");
    EXPECT_GE(stored[0].time, before);
    EXPECT_LE(stored[0].time, Now());
    // One line in the log says what was stored.
    const auto log = server.WaitForLogLines(1);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("stored 123450 for Anna (Latvia)"), std::string::npos) << log[0];
}

TEST_P(HttpTest, ATokenStoresOnlyOnce) {
    ServerProcess server({"--db", database_->url()});
    ASSERT_TRUE(server.running());
    const std::string target = ScoreTarget(server, "Anna", "500");
    EXPECT_EQ(HttpGet(server.port(), target).status, 200);
    const HttpAnswer replay = HttpGet(server.port(), target);
    EXPECT_EQ(replay.status, 403);
    EXPECT_EQ(replay.body, "ERROR|unknown or used token");
    EXPECT_EQ(OpenScoreStore(database_->url())->AllScores().size(), 1u);
}

// Every kind of bad score query: an error status, nothing stored, one line in the log.
TEST_P(HttpTest, BadScoreQueriesAreRefusedAndLeaveNoTrace) {
    ServerProcess server({"--db", database_->url(), "--rate-limit", "0"});
    ASSERT_TRUE(server.running());
    auto store = OpenScoreStore(database_->url());

    struct Case {
        std::string what;
        std::function<std::string()> target;
        int status;
        std::string logged;  // part of the log line
    };
    const auto record = [&](const std::string& name, const std::string& score,
                            const std::string& country = "Latvia") {
        return [&server, name, score, country] { return ScoreTarget(server, name, score, country); };
    };
    const std::vector<Case> cases = {
        {"expired token",
         [&] {
             const std::string token = TokenSigner(store->TokenKey()).Issue(Now() - 601);
             return kScoreQuery + GameRecord("Anna", "100", token, "Latvia");
         },
         403, "expired token"},
        {"token never issued",
         [&] { return kScoreQuery + GameRecord("Anna", "100", NewTestToken(), "Latvia"); }, 403,
         "unknown or used token"},
        {"no token", [&] { return kScoreQuery + GameRecord("Anna", "100", "", "Latvia"); }, 400, "no token"},
        {"not a record", [&] { return kScoreQuery + EncodeText("hello"); }, 400, "not seven fields"},
        {"name with a bar", record("An|na", "100"), 400, "not seven fields"},
        {"fields swapped",
         [&] {
             std::string plain =
                 "type=0|score=100|name=Anna|key=V|p=" + FreshToken(server) + "|add=Latvia|z=";
             while (plain.size() % 5) plain += "0";
             return kScoreQuery + EncodeText(plain);
         },
         400, "fields out of order"},
        {"empty name", record("", "100"), 400, "empty name"},
        {"no record", [&] { return std::string("/cgi/version.pl?hs&prg=Vandrax"); }, 400, "no record"},
        {"record given twice",
         [&] { return ScoreTarget(server, "Anna", "100") + "&inf=" + GameRecord("Bob", "1", "x", ""); }, 400,
         "malformed query"},
        {"another program", [&] { return std::string("/cgi/version.pl?hs&prg=Other&inf=AAAAAAAA"); }, 404,
         "unknown program"},
        {"over 4 KiB", [&] { return ScoreTarget(server, "Anna", "100") + std::string(4200, 'A'); }, 414,
         "request over 4 KiB"},
        {"over the HTTP library's own limit", [&] { return kScoreQuery + std::string(9000, 'A'); }, 414,
         " 414 "},
        {"small letters",
         [&] {
             std::string target = ScoreTarget(server, "Anna", "100");
             for (size_t i = kScoreQuery.size(); i < target.size(); ++i)
                 target[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(target[i])));
             return target;
         },
         400, "alphabet"},
        {"percent escapes",
         [&] { return kScoreQuery + "%41" + GameRecord("Anna", "100", FreshToken(server), ""); }, 400,
         "alphabet"},
        {"cut short",
         [&] {
             const std::string target = ScoreTarget(server, "Anna", "100");
             return target.substr(0, target.size() - 1);
         },
         400, "multiple of 8"},
        {"control character in the name", record("An\x01na", "100"), 400, "control character in name"},
        {"new line in the country", record("Anna", "100", "Lat\nvia"), 400, "control character in country"},
        {"right-to-left override in the name", record("Anna\xE2\x80\xAE", "100"), 400,
         "control character in name"},
        {"Arabic letter mark in the name", record("Anna\xD8\x9C", "100"), 400, "control character in name"},
        {"zero width space in the country", record("Anna", "100", "Lat\xE2\x80\x8Bvia"), 400,
         "control character in country"},
        {"name not UTF-8", record("Ann\xE9", "100"), 400, "not UTF-8"},
        {"absurd score", record("Anna", "10000001"), 400, "above the limit"},
        {"negative score", record("Anna", "-5"), 400, "plain decimal"},
        {"score with leading zeros", record("Anna", "007"), 400, "plain decimal"},
        {"score in exponent form", record("Anna", "1e5"), 400, "plain decimal"},
        {"score far too long", record("Anna", "99999999999999999999"), 400, "plain decimal"},
        {"name too long", record(std::string(33, 'A'), "100"), 400, "name too long"},
    };

    size_t lines = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const HttpAnswer answer = HttpGet(server.port(), c.target());
        EXPECT_EQ(answer.status, c.status);
        ++lines;
        const auto log = server.WaitForLogLines(lines);
        ASSERT_EQ(log.size(), lines);
        EXPECT_NE(log.back().find(c.logged), std::string::npos) << log.back();
    }
    EXPECT_TRUE(store->AllScores().empty());
    // Each refusal was one line, and no line carries a raw control character from the query.
    EXPECT_EQ(server.Terminate(), 0);
    const auto log = server.LogLines();
    ASSERT_EQ(log.size(), cases.size() + 1);  // and "stopped"
    for (const auto& line : log)
        for (char ch : line) EXPECT_TRUE(ch >= 0x20 && ch < 0x7F) << line;
}

TEST_P(HttpTest, RateLimitStopsTheEleventhScoreInAMinute) {
    ServerProcess server({"--db", database_->url()});  // the default limit: 10 a minute
    ASSERT_TRUE(server.running());
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(HttpGet(server.port(), ScoreTarget(server, "Anna", "100")).status, 200);
    const HttpAnswer eleventh = HttpGet(server.port(), ScoreTarget(server, "Anna", "100"));
    EXPECT_EQ(eleventh.status, 429);
    EXPECT_EQ(OpenScoreStore(database_->url())->AllScores().size(), 10u);
    // Version queries have a budget of their own, and the table none.
    EXPECT_EQ(HttpGet(server.port(), kVersionQuery).status, 200);
    EXPECT_EQ(HttpGet(server.port(), kTablePage).status, 200);
    // The server logs a request after answering it, on the worker that took it, so the tenth
    // score's line may come after the eleventh's: look for the refusal among all of them.
    const auto log = server.WaitForLogLines(11);
    ASSERT_EQ(log.size(), 11u);
    const auto refusals = std::count_if(log.begin(), log.end(), [](const std::string& line) {
        return line.find("too many score queries") != std::string::npos;
    });
    EXPECT_EQ(refusals, 1);
}

TEST_P(HttpTest, JsonApiListsTheBestFirst) {
    ServerProcess server({"--db", database_->url()});
    ASSERT_TRUE(server.running());
    ASSERT_EQ(HttpGet(server.port(), ScoreTarget(server, "Low", "100", "")).status, 200);
    ASSERT_EQ(HttpGet(server.port(), ScoreTarget(server, "High", "9000", "Chile")).status, 200);
    ASSERT_EQ(HttpGet(server.port(), ScoreTarget(server, "Mid", "500", "<Peru>")).status, 200);

    const HttpAnswer all = HttpGet(server.port(), "/api/scores");
    ASSERT_EQ(all.status, 200);
    EXPECT_EQ(all.contentType, "application/json");
    const auto rows = nlohmann::json::parse(all.body);
    ASSERT_TRUE(rows.is_array());
    ASSERT_EQ(rows.size(), 3u);
    // Scores come unverified, with no replay, until one plays to them.
    EXPECT_EQ(rows[0], (nlohmann::json{{"rank", 1},
                                       {"name", "High"},
                                       {"score", 9000},
                                       {"country", "Chile"},
                                       {"time", rows[0]["time"]},
                                       {"verified", false},
                                       {"replay", nullptr}}));
    EXPECT_TRUE(IsIsoTime(rows[0]["time"].get<std::string>())) << rows[0]["time"];
    EXPECT_EQ(rows[1]["name"], "Mid");
    EXPECT_EQ(rows[1]["country"], "<Peru>");
    EXPECT_EQ(rows[2]["rank"], 3);

    const auto two = nlohmann::json::parse(HttpGet(server.port(), "/api/scores?limit=2").body);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[1]["name"], "Mid");
    for (const std::string bad : {"0", "-1", "abc", "1001", "", "2x"})
        EXPECT_EQ(HttpGet(server.port(), "/api/scores?limit=" + bad).status, 400) << bad;
}

TEST_P(HttpTest, TablePageEscapesWhatPlayersTyped) {
    ServerProcess server({"--db", database_->url()});
    ASSERT_TRUE(server.running());
    ASSERT_EQ(HttpGet(server.port(), ScoreTarget(server, "<b>Bo</b>", "700", "\"&'")).status, 200);
    const HttpAnswer page = HttpGet(server.port(), kTablePage);
    ASSERT_EQ(page.status, 200);
    EXPECT_EQ(page.contentType, "text/html; charset=utf-8");
    EXPECT_NE(page.body.find("&lt;b&gt;Bo&lt;/b&gt;"), std::string::npos);
    EXPECT_NE(page.body.find("&quot;&amp;&#39;"), std::string::npos);
    EXPECT_EQ(page.body.find("<b>Bo"), std::string::npos);
    EXPECT_EQ(HttpGet(server.port(), "/cgi/version.pl?prg=Vandrax&show&type=1").status, 404);
}

// A request that is still arriving when SIGTERM comes is answered; then the server ends cleanly.
TEST_P(HttpTest, SigtermFinishesTheRequestInProgress) {
    ServerProcess server({"--db", database_->url()});
    ASSERT_TRUE(server.running());
    const int sock = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(server.port()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const std::string head = "GET " + kVersionQuery + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    ASSERT_EQ(write(sock, head.data(), head.size()), static_cast<ssize_t>(head.size()));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    server.SendTerm();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(write(sock, "\r\n", 2), 2);
    std::string response;
    char buffer[1024];
    for (ssize_t n; (n = read(sock, buffer, sizeof buffer)) > 0;)
        response.append(buffer, static_cast<size_t>(n));
    close(sock);
    EXPECT_EQ(response.rfind("HTTP/1.1 200", 0), 0u) << response;
    EXPECT_NE(response.find("\r\n\r\nOK|Vandrax|"), std::string::npos) << response;

    EXPECT_EQ(server.Wait(), 0);
    EXPECT_EQ(HttpGet(server.port(), kVersionQuery).status, -1);
    // SQLite folds its write-ahead log back into the file when the last connection closes.
    if (database_->url().rfind("sqlite:", 0) == 0) {
        EXPECT_FALSE(std::filesystem::exists(database_->url().substr(7) + "-wal"));
    }
    const auto log = server.LogLines();
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log.back().find("stopped"), std::string::npos);
}

// Two servers on one database: a token from one is good at the other, and only once, also when
// several copies of one score query race to both servers.
TEST_P(HttpTest, ServersSharingADatabaseShareTheTokens) {
    ServerProcess first({"--db", database_->url(), "--rate-limit", "0"});
    ServerProcess second({"--db", database_->url(), "--rate-limit", "0"});
    ASSERT_TRUE(first.running());
    ASSERT_TRUE(second.running());
    const std::string target = kScoreQuery + GameRecord("Anna", "900", FreshToken(first), "Latvia");
    EXPECT_EQ(HttpGet(second.port(), target).status, 200);
    EXPECT_EQ(HttpGet(first.port(), target).status, 403);
    const auto best = nlohmann::json::parse(HttpGet(first.port(), "/api/scores").body);
    ASSERT_EQ(best.size(), 1u);
    EXPECT_EQ(best[0]["score"], 900);

    size_t expected = 1;
    for (const int racers : {2, 8}) {
        for (int round = 0; round < 5; ++round) {
            const std::string raced = kScoreQuery + GameRecord("Race", "10", FreshToken(first), "");
            std::vector<int> statuses(static_cast<size_t>(racers));
            std::vector<std::thread> threads;
            for (int r = 0; r < racers; ++r) {
                threads.emplace_back([&, r] {
                    const ServerProcess& server = r % 2 ? second : first;
                    statuses[static_cast<size_t>(r)] = HttpGet(server.port(), raced).status;
                });
            }
            for (auto& thread : threads) thread.join();
            EXPECT_EQ(std::count(statuses.begin(), statuses.end(), 200), 1) << racers << " racers";
            EXPECT_EQ(std::count(statuses.begin(), statuses.end(), 403), racers - 1) << racers << " racers";
            ++expected;
        }
    }
    EXPECT_EQ(OpenScoreStore(database_->url())->AllScores().size(), expected);
}

// A token is checked by its signature and its time, at the server, whoever issued it.
TEST_P(HttpTest, TokensAreCheckedBySignatureAndAge) {
    ServerProcess server({"--db", database_->url(), "--rate-limit", "0"});
    ASSERT_TRUE(server.running());
    const TokenSigner ours(OpenScoreStore(database_->url())->TokenKey());
    std::string altered = FreshToken(server);
    altered[0] = altered[0] == 'f' ? 'e' : 'f';  // its time moved
    const struct {
        std::string what;
        std::string token;
        int status;
        std::string body;
    } cases[] = {
        {"issued almost ten minutes ago", ours.Issue(Now() - 590), 200, "OK"},
        {"issued over ten minutes ago", ours.Issue(Now() - 601), 403, "ERROR|expired token"},
        {"issued an hour from now", ours.Issue(Now() + 3600), 403, "ERROR|unknown or used token"},
        {"signed with another key", TokenSigner(NewTokenKey()).Issue(Now()), 403,
         "ERROR|unknown or used token"},
        {"altered", altered, 403, "ERROR|unknown or used token"},
        {"never issued", NewTestToken(), 403, "ERROR|unknown or used token"},
    };
    for (const auto& c : cases) {
        const HttpAnswer answer = HttpGet(server.port(), kScoreQuery + GameRecord("Anna", "5", c.token, ""));
        EXPECT_EQ(answer.status, c.status) << c.what;
        EXPECT_EQ(answer.body, c.body) << c.what;
    }
    EXPECT_EQ(OpenScoreStore(database_->url())->AllScores().size(), 1u);
}

// Version queries cost the database nothing: a token is written down only once it is used.
TEST_P(HttpTest, VersionQueriesWriteNothingUntilATokenIsUsed) {
    ServerProcess server({"--db", database_->url(), "--version-rate-limit", "0"});
    ASSERT_TRUE(server.running());
    std::string token;
    for (int i = 0; i < 300; ++i) token = FreshToken(server);
    auto store = OpenScoreStore(database_->url());
    EXPECT_EQ(store->UsedTokens(), 0);
    ASSERT_EQ(HttpGet(server.port(), kScoreQuery + GameRecord("Anna", "5", token, "")).status, 200);
    EXPECT_EQ(store->UsedTokens(), 1);
}

TEST_P(HttpTest, VersionQueriesHaveABudgetOfTheirOwn) {
    ServerProcess server({"--db", database_->url()});  // the default: 30 a minute
    ASSERT_TRUE(server.running());
    std::vector<std::string> tokens;
    for (int i = 0; i < 30; ++i) tokens.push_back(FreshToken(server));
    const HttpAnswer refused = HttpGet(server.port(), kVersionQuery);
    EXPECT_EQ(refused.status, 429);
    EXPECT_EQ(refused.body, "ERROR|too many version queries");
    // The game shows "Can't connect to server!" for any answer not starting with OK; scores with
    // the tokens it has still go in.
    EXPECT_NE(refused.body.substr(0, 2), "OK");
    EXPECT_EQ(HttpGet(server.port(), kScoreQuery + GameRecord("Anna", "5", tokens.back(), "")).status, 200);
}
