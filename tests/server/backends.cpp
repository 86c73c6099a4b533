#include <sqlite3.h>

#include <filesystem>
#include <pqxx/pqxx>

#include "store_suites.h"

void BumpSchemaVersion(const std::string& url, int version) {
    const std::string insert =
        "INSERT INTO schema_migrations (version) VALUES (" + std::to_string(version) + ")";
    if (url.rfind("sqlite:", 0) == 0) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(url.substr(7).c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, insert.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        return;
    }
    pqxx::connection connection(url);
    pqxx::work work(connection);
    work.exec(insert);
    work.commit();
}

void MakeDatabaseBeforeReplays(const std::string& url) {
    if (url.rfind("sqlite:", 0) == 0) {
        const std::string schema =
            "CREATE TABLE schema_migrations (version INTEGER PRIMARY KEY, applied_at INTEGER NOT NULL "
            "DEFAULT 0);"
            "INSERT INTO schema_migrations (version) VALUES (1), (2);"
            "CREATE TABLE scores (id INTEGER PRIMARY KEY, name TEXT NOT NULL, score INTEGER NOT NULL,"
            "  country TEXT NOT NULL, created_at INTEGER NOT NULL, address TEXT NOT NULL);"
            "CREATE INDEX scores_by_rank ON scores (score DESC, created_at, id);"
            "CREATE TABLE used_tokens (token TEXT PRIMARY KEY, issued_at INTEGER NOT NULL) WITHOUT ROWID;"
            "CREATE INDEX used_tokens_by_age ON used_tokens (issued_at);"
            "CREATE TABLE token_key (id INTEGER PRIMARY KEY CHECK (id = 1), key TEXT NOT NULL);"
            "INSERT INTO scores (name, score, country, created_at, address)"
            "  VALUES ('Old', 4321, 'Latvia', 1700000000, '127.0.0.1');";
        const std::string path = url.substr(7);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, schema.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
            << sqlite3_errmsg(db);
        sqlite3_close(db);
        return;
    }
    pqxx::connection connection(url);
    pqxx::work work(connection);
    work.exec(
        "CREATE TABLE schema_migrations (version INTEGER PRIMARY KEY, applied_at TIMESTAMPTZ NOT NULL "
        "DEFAULT now());"
        "INSERT INTO schema_migrations (version) VALUES (1), (2), (3);"
        "CREATE TABLE scores (id BIGSERIAL PRIMARY KEY, name TEXT NOT NULL, score BIGINT NOT NULL,"
        "  country TEXT NOT NULL, created_at TIMESTAMPTZ NOT NULL, address TEXT NOT NULL);"
        "CREATE INDEX scores_by_rank ON scores (score DESC, created_at, id);"
        "CREATE TABLE used_tokens (token TEXT PRIMARY KEY, issued_at TIMESTAMPTZ NOT NULL);"
        "CREATE INDEX used_tokens_by_age ON used_tokens (issued_at);"
        "CREATE TABLE token_key (id INTEGER PRIMARY KEY CHECK (id = 1), key TEXT NOT NULL);"
        "CREATE UNLOGGED TABLE rate_counts (budget TEXT NOT NULL, address TEXT NOT NULL, step BIGINT NOT "
        "NULL,"
        "  count INTEGER NOT NULL, PRIMARY KEY (budget, address, step));"
        "INSERT INTO scores (name, score, country, created_at, address)"
        "  VALUES ('Old', 4321, 'Latvia', to_timestamp(1700000000), '127.0.0.1');");
    work.commit();
}
