#include "postgres_store.h"

#include <mutex>
#include <pqxx/pqxx>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

// The schema, one step a version. A step never changes once released: a new one is added.
const std::vector<std::string_view> kMigrations = {
    // 1: scores and the open tokens.
    "CREATE TABLE scores ("
    "  id BIGSERIAL PRIMARY KEY,"
    "  name TEXT NOT NULL,"
    "  score BIGINT NOT NULL,"
    "  country TEXT NOT NULL,"
    "  created_at TIMESTAMPTZ NOT NULL,"
    "  address TEXT NOT NULL);"
    "CREATE INDEX scores_by_rank ON scores (score DESC, created_at, id);"
    "CREATE TABLE tokens (token TEXT PRIMARY KEY, issued_at TIMESTAMPTZ NOT NULL);"
    "CREATE INDEX tokens_by_age ON tokens (issued_at);",
};

// Any number will do as long as it stays the same: every server takes this lock to migrate.
constexpr int64_t kMigrationLock = 0x56414E44524158;  // "VANDRAX"

const std::pair<const char*, const char*> kStatements[] = {
    {"insert_token", "INSERT INTO tokens (token, issued_at) VALUES ($1, to_timestamp($2))"},
    {"take_token", "DELETE FROM tokens WHERE token = $1 RETURNING extract(epoch FROM issued_at)::bigint"},
    {"insert_score",
     "INSERT INTO scores (name, score, country, created_at, address) VALUES ($1, $2, $3, to_timestamp($4), "
     "$5)"},
    {"purge_tokens", "DELETE FROM tokens WHERE issued_at < to_timestamp($1)"},
    {"best_scores",
     "SELECT name, score, country, extract(epoch FROM created_at)::bigint FROM scores "
     "ORDER BY score DESC, created_at, id LIMIT $1"},
    {"all_scores",
     "SELECT name, score, country, extract(epoch FROM created_at)::bigint, address FROM scores ORDER BY id"},
    {"schema_version", "SELECT coalesce(max(version), 0) FROM schema_migrations"},
};

class PostgresStore final : public IScoreStore {
public:
    explicit PostgresStore(std::string url) : url_(std::move(url)) {
        Run([](pqxx::connection& connection) {
            pqxx::work work(connection);
            work.exec("SELECT pg_advisory_xact_lock(" + std::to_string(kMigrationLock) + ")");
            work.exec(
                "CREATE TABLE IF NOT EXISTS schema_migrations ("
                "  version INTEGER PRIMARY KEY, applied_at TIMESTAMPTZ NOT NULL DEFAULT now())");
            const auto current =
                work.exec("SELECT coalesce(max(version), 0) FROM schema_migrations")[0][0].as<int64_t>();
            if (current > static_cast<int64_t>(kMigrations.size()))
                throw StoreError("postgresql: the database is at schema version " + std::to_string(current) +
                                 ", newer than this server knows (" + std::to_string(kMigrations.size()) +
                                 ")");
            for (auto step = static_cast<size_t>(current); step < kMigrations.size(); ++step) {
                work.exec(std::string(kMigrations[step]));
                work.exec_params("INSERT INTO schema_migrations (version) VALUES ($1)",
                                 static_cast<int>(step + 1));
            }
            work.commit();
        });
    }

    void IssueToken(const std::string& token, int64_t issuedAt) override {
        Run([&](pqxx::connection& connection) {
            pqxx::work work(connection);
            work.exec_prepared("insert_token", token, issuedAt);
            work.commit();
        });
    }

    SubmitOutcome SubmitScore(const std::string& token, int64_t now, int64_t lifetime,
                              const StoredScore& score) override {
        return Run([&](pqxx::connection& connection) {
            pqxx::work work(connection);
            const pqxx::result taken = work.exec_prepared("take_token", token);
            if (taken.empty()) return SubmitOutcome::UnknownToken;
            const auto issuedAt = taken[0][0].as<int64_t>();
            if (now - issuedAt > lifetime) {
                work.commit();  // the token is used up either way
                return SubmitOutcome::ExpiredToken;
            }
            work.exec_prepared("insert_score", score.name, score.score, score.country, score.time,
                               score.address);
            work.commit();
            return SubmitOutcome::Stored;
        });
    }

    void PurgeTokens(int64_t issuedBefore) override {
        Run([&](pqxx::connection& connection) {
            pqxx::work work(connection);
            work.exec_prepared("purge_tokens", issuedBefore);
            work.commit();
        });
    }

    std::vector<RankedScore> BestScores(int64_t limit) override {
        return Run([&](pqxx::connection& connection) {
            pqxx::read_transaction work(connection);
            std::vector<RankedScore> rows;
            for (const auto& row : work.exec_prepared("best_scores", limit)) {
                rows.push_back({static_cast<int64_t>(rows.size()) + 1, row[0].as<std::string>(),
                                row[1].as<int64_t>(), row[2].as<std::string>(), row[3].as<int64_t>()});
            }
            return rows;
        });
    }

    std::vector<StoredScore> AllScores() override {
        return Run([&](pqxx::connection& connection) {
            pqxx::read_transaction work(connection);
            std::vector<StoredScore> rows;
            for (const auto& row : work.exec_prepared("all_scores")) {
                rows.push_back({row[0].as<std::string>(), row[1].as<int64_t>(), row[2].as<std::string>(),
                                row[3].as<int64_t>(), row[4].as<std::string>()});
            }
            return rows;
        });
    }

    int SchemaVersion() override {
        return Run([&](pqxx::connection& connection) {
            pqxx::read_transaction work(connection);
            return work.exec_prepared("schema_version")[0][0].as<int>();
        });
    }

private:
    // Runs one unit of work on a pooled connection. A connection that broke is dropped, so the
    // next call opens a fresh one once the database is back; every failure becomes a StoreError.
    template <typename Work>
    std::invoke_result_t<Work&, pqxx::connection&> Run(Work&& work) {
        std::unique_ptr<pqxx::connection> connection = Lease();
        try {
            if constexpr (std::is_void_v<decltype(work(*connection))>) {
                work(*connection);
                Return(std::move(connection));
            } else {
                auto result = work(*connection);
                Return(std::move(connection));
                return result;
            }
        } catch (const pqxx::broken_connection& error) {
            throw StoreError(std::string("postgresql: connection lost: ") + error.what());
        } catch (const StoreError&) {
            Return(std::move(connection));
            throw;
        } catch (const std::exception& error) {
            Return(std::move(connection));
            throw StoreError(std::string("postgresql: ") + error.what());
        }
    }

    std::unique_ptr<pqxx::connection> Lease() {
        {
            std::lock_guard lock(poolMutex_);
            if (!idle_.empty()) {
                auto connection = std::move(idle_.back());
                idle_.pop_back();
                return connection;
            }
        }
        try {
            auto connection = std::make_unique<pqxx::connection>(url_);
            for (const auto& [name, sql] : kStatements) connection->prepare(name, sql);
            return connection;
        } catch (const std::exception& error) {
            throw StoreError(std::string("postgresql: cannot connect: ") + error.what());
        }
    }

    void Return(std::unique_ptr<pqxx::connection> connection) {
        if (!connection || !connection->is_open()) return;
        std::lock_guard lock(poolMutex_);
        idle_.push_back(std::move(connection));
    }

    std::string url_;
    std::mutex poolMutex_;
    std::vector<std::unique_ptr<pqxx::connection>> idle_;
};

}  // namespace

std::unique_ptr<IScoreStore> OpenPostgresStore(const std::string& url) {
    return std::make_unique<PostgresStore>(url);
}
