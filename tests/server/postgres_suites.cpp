#include "store_suites.h"

INSTANTIATE_TEST_SUITE_P(Postgres, StoreTest, testing::Values(PostgresBackend()), BackendName);
INSTANTIATE_TEST_SUITE_P(Postgres, HttpTest, testing::Values(PostgresBackend()), BackendName);

#include <pqxx/pqxx>
#include <thread>
#include <vector>

// The database cuts the server's connections (a restart, a failover): the next requests may fail
// with an error status, then the server is back with fresh connections, without a restart.
TEST(PostgresOnly, ServerRecoversWhenTheDatabaseDropsItsConnections) {
    const Backend backend = PostgresBackend();
    if (const std::string why = backend.unavailable(); !why.empty()) GTEST_SKIP() << why;
    const auto database = backend.make();
    ServerProcess server({"--db", database->url()});
    ASSERT_TRUE(server.running());
    const std::string version = "/cgi/version.pl?version&prg=Vandrax";
    ASSERT_EQ(HttpGet(server.port(), version).status, 200);
    ASSERT_EQ(HttpGet(server.port(), "/api/scores").status, 200);  // a second pooled connection

    pqxx::connection admin(database->url());
    pqxx::nontransaction work(admin);
    const auto cut = work.exec(
        "SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
        "WHERE datname = current_database() AND pid <> pg_backend_pid()");
    ASSERT_GE(cut.size(), 1u);

    // The version query does not touch the database; the table does.
    int failures = 0;
    HttpAnswer answer;
    for (int attempt = 0; attempt < 3; ++attempt) {
        answer = HttpGet(server.port(), "/api/scores");
        if (answer.status == 200) break;
        EXPECT_EQ(answer.status, 503);
        ++failures;
    }
    ASSERT_EQ(answer.status, 200);
    EXPECT_LE(failures, 2);  // at most the two pooled connections that were cut
    answer = HttpGet(server.port(), version);
    ASSERT_EQ(answer.status, 200);
    const std::string score =
        "/cgi/version.pl?hs&prg=Vandrax&inf=" + GameRecord("Anna", "42", TokenOf(answer.body), "");
    EXPECT_EQ(HttpGet(server.port(), score).status, 200);
    EXPECT_EQ(OpenScoreStore(database->url())->AllScores().size(), 1u);
    // Each failed request left one line saying what went wrong.
    const auto log = server.WaitForLogLines(static_cast<size_t>(failures) + 1);
    for (int i = 0; i < failures; ++i) EXPECT_NE(log[i].find("server trouble"), std::string::npos) << log[i];
}

// Servers sharing a database count each address's queries together: what one let through, the
// other counts, for score queries and version queries alike, also when they are asked at once.
TEST(PostgresOnly, ServersSharingADatabaseShareTheBudgets) {
    const Backend backend = PostgresBackend();
    if (const std::string why = backend.unavailable(); !why.empty()) GTEST_SKIP() << why;
    const auto database = backend.make();
    ServerProcess first({"--db", database->url(), "--rate-limit", "4", "--version-rate-limit", "9"});
    ServerProcess second({"--db", database->url(), "--rate-limit", "4", "--version-rate-limit", "9"});
    ASSERT_TRUE(first.running());
    ASSERT_TRUE(second.running());
    const std::string version = "/cgi/version.pl?version&prg=Vandrax";
    const std::string score = "/cgi/version.pl?hs&prg=Vandrax&inf=";

    // Nine version queries in all, asked of both servers at once: nine tokens, then no more.
    std::vector<HttpAnswer> answers(12);
    std::vector<std::thread> askers;
    for (size_t i = 0; i < answers.size(); ++i) {
        askers.emplace_back([&, i] { answers[i] = HttpGet((i % 2 ? second : first).port(), version); });
    }
    for (auto& asker : askers) asker.join();
    std::vector<std::string> tokens;
    for (const auto& answer : answers) {
        if (answer.status == 200)
            tokens.push_back(TokenOf(answer.body));
        else
            EXPECT_EQ(answer.status, 429) << answer.body;
    }
    ASSERT_EQ(tokens.size(), 9u);
    EXPECT_EQ(HttpGet(first.port(), version).status, 429);
    EXPECT_EQ(HttpGet(second.port(), version).status, 429);

    // Four scores between the two servers, the fifth refused at either.
    for (size_t i = 0; i < 4; ++i) {
        const auto& server = i % 2 ? second : first;
        EXPECT_EQ(HttpGet(server.port(), score + GameRecord("Anna", "7", tokens[i], "")).status, 200) << i;
    }
    EXPECT_EQ(HttpGet(first.port(), score + GameRecord("Anna", "7", tokens[4], "")).status, 429);
    EXPECT_EQ(HttpGet(second.port(), score + GameRecord("Anna", "7", tokens[5], "")).status, 429);
    EXPECT_EQ(OpenScoreStore(database->url())->AllScores().size(), 4u);
}
