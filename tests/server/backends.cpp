#include <sqlite3.h>

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
