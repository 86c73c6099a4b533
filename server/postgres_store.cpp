#include "postgres_store.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <pqxx/pqxx>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "score_token.h"

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
    // 2: tokens are signed, not stored when issued: only the used ones are kept, and the key.
    "DROP TABLE tokens;"
    "CREATE TABLE used_tokens (token TEXT PRIMARY KEY, issued_at TIMESTAMPTZ NOT NULL);"
    "CREATE INDEX used_tokens_by_age ON used_tokens (issued_at);"
    "CREATE TABLE token_key (id INTEGER PRIMARY KEY CHECK (id = 1), key TEXT NOT NULL);",
    // 3: the per-address budgets every server counts in together, in 10-second steps. Losing
    // them in a crash costs nothing, so they skip the write-ahead log.
    "CREATE UNLOGGED TABLE rate_counts ("
    "  budget TEXT NOT NULL,"
    "  address TEXT NOT NULL,"
    "  step BIGINT NOT NULL,"
    "  count INTEGER NOT NULL,"
    "  PRIMARY KEY (budget, address, step));",
    // 4: replays. A score remembers the token it came with (a replay names it), whether a replay
    // verified it and which; a replay keeps its file only once verified.
    "ALTER TABLE scores ADD COLUMN token TEXT,"
    "  ADD COLUMN verified BOOLEAN NOT NULL DEFAULT false,"
    "  ADD COLUMN replay_id BIGINT;"
    "CREATE UNIQUE INDEX scores_by_token ON scores (token);"
    "CREATE INDEX verified_scores_by_rank ON scores (score DESC, created_at, id) WHERE verified;"
    "CREATE TABLE replays ("
    "  id BIGSERIAL PRIMARY KEY,"
    "  score_id BIGINT NOT NULL UNIQUE REFERENCES scores (id),"
    "  uploaded_at TIMESTAMPTZ NOT NULL,"
    "  state TEXT NOT NULL CHECK (state IN ('checking', 'verified', 'unverified')),"
    "  reason TEXT NOT NULL DEFAULT '',"
    "  file BYTEA);",
};

// Any number will do as long as it stays the same: every server takes this lock to migrate.
constexpr int64_t kMigrationLock = 0x56414E44524158;  // "VANDRAX"

const std::pair<const char*, const char*> kStatements[] = {
    {"use_token",
     "INSERT INTO used_tokens (token, issued_at) VALUES ($1, to_timestamp($2)) ON CONFLICT DO NOTHING "
     "RETURNING 1"},
    {"offer_key", "INSERT INTO token_key (id, key) VALUES (1, $1) ON CONFLICT DO NOTHING"},
    {"read_key", "SELECT key FROM token_key WHERE id = 1"},
    {"used_tokens", "SELECT count(*) FROM used_tokens"},
    {"insert_score",
     "INSERT INTO scores (name, score, country, created_at, address, token) "
     "VALUES ($1, $2, $3, to_timestamp($4), $5, $6)"},
    {"purge_tokens", "DELETE FROM used_tokens WHERE issued_at < to_timestamp($1)"},
    {"best_scores",
     "SELECT name, score, country, extract(epoch FROM created_at)::bigint, verified, replay_id FROM scores "
     "ORDER BY score DESC, created_at, id LIMIT $1"},
    {"best_verified_scores",
     "SELECT name, score, country, extract(epoch FROM created_at)::bigint, verified, replay_id FROM scores "
     "WHERE verified ORDER BY score DESC, created_at, id LIMIT $1"},
    {"replay_slot",
     "SELECT s.id, s.score, s.name, extract(epoch FROM s.created_at)::bigint, r.id, r.state FROM scores s "
     "LEFT JOIN replays r ON r.score_id = s.id WHERE s.token = $1"},
    // A second upload for the score racing this one waits on the unique score_id, then inserts nothing.
    {"insert_replay",
     "INSERT INTO replays (score_id, uploaded_at, state) VALUES ($1, to_timestamp($2), 'checking') "
     "ON CONFLICT (score_id) DO NOTHING RETURNING id"},
    {"finish_replay", "UPDATE replays SET state = 'unverified', reason = $2 WHERE id = $1"},
    {"abandon_checks",
     "UPDATE replays SET state = 'unverified', reason = $2 WHERE state = 'checking' AND uploaded_at < "
     "to_timestamp($1)"},
    {"keep_replay", "UPDATE replays SET state = 'verified', reason = $2, file = $3 WHERE id = $1"},
    {"mark_verified",
     "UPDATE scores SET verified = true, replay_id = $1 WHERE id = (SELECT score_id FROM replays WHERE id = "
     "$1)"},
    {"verified_replay", "SELECT file FROM replays WHERE id = $1 AND state = 'verified'"},
    {"all_scores",
     "SELECT name, score, country, extract(epoch FROM created_at)::bigint, address FROM scores ORDER BY id"},
    {"schema_version", "SELECT coalesce(max(version), 0) FROM schema_migrations"},
    // One query more for the address if the last six steps (this one and the five before, 50 to
    // 60 seconds) hold fewer than $3. The row of this step is locked while it is counted up, and
    // the condition is checked on its newest count, so servers asking together never overshoot.
    {"take_budget",
     "WITH now_step AS (SELECT floor(extract(epoch FROM statement_timestamp()) / 10)::bigint AS s),"
     " prior AS (SELECT coalesce(sum(count), 0) AS n FROM rate_counts, now_step"
     "   WHERE budget = $1 AND address = $2 AND step > now_step.s - 6 AND step < now_step.s),"
     " bump AS (INSERT INTO rate_counts AS r (budget, address, step, count)"
     "   SELECT $1, $2, now_step.s, 1 FROM now_step, prior WHERE prior.n < $3"
     "   ON CONFLICT (budget, address, step) DO UPDATE SET count = r.count + 1"
     "   WHERE r.count + (SELECT n FROM prior) < $3 RETURNING 1)"
     " SELECT count(*) FROM bump"},
    {"purge_budgets",
     "DELETE FROM rate_counts WHERE step < floor(extract(epoch FROM statement_timestamp()) / 10)::bigint - "
     "6"},
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

    std::string TokenKey() override {
        return Run([&](pqxx::connection& connection) {
            pqxx::work work(connection);
            // Of servers starting together, the first to commit sets it; the others wait on the
            // row and then read that one.
            work.exec_prepared("offer_key", NewTokenKey());
            const pqxx::result key = work.exec_prepared("read_key");
            work.commit();
            if (key.empty()) throw StoreError("postgresql: no token key");
            return key[0][0].as<std::string>();
        });
    }

    SubmitOutcome SubmitScore(const std::string& token, int64_t issuedAt, int64_t now, int64_t lifetime,
                              const StoredScore& score) override {
        if (now - issuedAt > lifetime) return SubmitOutcome::ExpiredToken;
        return Run([&](pqxx::connection& connection) {
            pqxx::work work(connection);
            // A second server using the same token at once waits on the row, then finds it taken.
            if (work.exec_prepared("use_token", token, issuedAt).empty()) return SubmitOutcome::UnknownToken;
            work.exec_prepared("insert_score", score.name, score.score, score.country, score.time,
                               score.address, token);
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

    int64_t UsedTokens() override {
        return Run([&](pqxx::connection& connection) {
            pqxx::read_transaction work(connection);
            return work.exec_prepared("used_tokens")[0][0].as<int64_t>();
        });
    }

    std::vector<RankedScore> BestScores(int64_t limit) override { return Ranked("best_scores", limit); }

    std::vector<RankedScore> BestVerifiedScores(int64_t limit) override {
        return Ranked("best_verified_scores", limit);
    }

    ReplaySlot FindReplaySlot(const std::string& token, int64_t now, int64_t window) override {
        return Run([&](pqxx::connection& connection) {
            pqxx::read_transaction work(connection);
            return Slot(work, token, now, window);
        });
    }

    ReplaySlot ClaimReplay(const std::string& token, int64_t now, int64_t window) override {
        return Run([&](pqxx::connection& connection) {
            pqxx::work work(connection);
            ReplaySlot slot = Slot(work, token, now, window);
            if (slot.state != ReplaySlot::State::Open) return slot;
            const pqxx::result inserted = work.exec_prepared("insert_replay", slot.scoreId, now);
            if (inserted.empty()) {
                // Another server took it between the look and the insert.
                work.abort();
                return FindReplaySlot(token, now, window);
            }
            slot.replayId = inserted[0][0].as<int64_t>();
            work.commit();
            return slot;
        });
    }

    void FinishReplay(int64_t replayId, bool verified, const std::string& reason,
                      const std::vector<uint8_t>& file) override {
        Run([&](pqxx::connection& connection) {
            pqxx::work work(connection);
            if (verified) {
                work.exec_prepared("keep_replay", replayId, reason,
                                   pqxx::binarystring(file.data(), file.size()));
                work.exec_prepared("mark_verified", replayId);
            } else {
                work.exec_prepared("finish_replay", replayId, reason);
            }
            work.commit();
        });
    }

    int64_t AbandonChecks(int64_t uploadedBefore, const std::string& reason) override {
        return Run([&](pqxx::connection& connection) {
            pqxx::work work(connection);
            const pqxx::result done = work.exec_prepared("abandon_checks", uploadedBefore, reason);
            work.commit();
            return static_cast<int64_t>(done.affected_rows());
        });
    }

    std::optional<std::vector<uint8_t>> VerifiedReplay(int64_t replayId) override {
        return Run([&](pqxx::connection& connection) -> std::optional<std::vector<uint8_t>> {
            pqxx::read_transaction work(connection);
            const pqxx::result found = work.exec_prepared("verified_replay", replayId);
            if (found.empty()) return std::nullopt;
            const pqxx::binarystring file(found[0][0]);
            return std::vector<uint8_t>(file.data(), file.data() + file.size());
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

    std::unique_ptr<RateBudget> SharedRateBudget(const std::string& name, size_t limit) override;

    // One query against a shared budget (see take_budget).
    bool TakeBudget(const std::string& name, const std::string& address, size_t limit) {
        // Steps older than the window are cleared now and then by whoever passes.
        const bool purge = ++budgetCalls_ % 1024 == 0;
        return Run([&](pqxx::connection& connection) {
            pqxx::work work(connection);
            if (purge) work.exec_prepared("purge_budgets");
            const bool allowed =
                work.exec_prepared("take_budget", name, address, static_cast<int64_t>(limit))[0][0]
                    .as<int64_t>() > 0;
            work.commit();
            return allowed;
        });
    }

    int SchemaVersion() override {
        return Run([&](pqxx::connection& connection) {
            pqxx::read_transaction work(connection);
            return work.exec_prepared("schema_version")[0][0].as<int>();
        });
    }

private:
    std::vector<RankedScore> Ranked(const char* statement, int64_t limit) {
        return Run([&](pqxx::connection& connection) {
            pqxx::read_transaction work(connection);
            std::vector<RankedScore> rows;
            for (const auto& row : work.exec_prepared(statement, limit)) {
                rows.push_back(
                    {static_cast<int64_t>(rows.size()) + 1, row[0].as<std::string>(), row[1].as<int64_t>(),
                     row[2].as<std::string>(), row[3].as<int64_t>(), row[4].as<bool>(),
                     row[5].is_null() ? std::nullopt : std::optional<int64_t>(row[5].as<int64_t>())});
            }
            return rows;
        });
    }

    static ReplaySlot Slot(pqxx::transaction_base& work, const std::string& token, int64_t now,
                           int64_t window) {
        const pqxx::result found = work.exec_prepared("replay_slot", token);
        ReplaySlot slot;
        if (found.empty()) return slot;
        const auto row = found[0];
        slot.scoreId = row[0].as<int64_t>();
        slot.score = row[1].as<int64_t>();
        slot.name = row[2].as<std::string>();
        if (!row[4].is_null()) {
            slot.state = ReplaySlot::State::Taken;
            slot.replayId = row[4].as<int64_t>();
            const std::string state = row[5].as<std::string>();
            if (state != "checking") slot.verified = state == "verified";
        } else if (now - row[3].as<int64_t>() > window) {
            slot.state = ReplaySlot::State::TooLate;
        } else {
            slot.state = ReplaySlot::State::Open;
        }
        return slot;
    }

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
    std::atomic<uint64_t> budgetCalls_{0};
    std::mutex poolMutex_;
    std::vector<std::unique_ptr<pqxx::connection>> idle_;
};

class SharedBudget final : public RateBudget {
public:
    SharedBudget(PostgresStore& store, std::string name, size_t limit)
        : store_(store), name_(std::move(name)), limit_(limit) {}
    bool Allow(const std::string& address) override { return store_.TakeBudget(name_, address, limit_); }

private:
    PostgresStore& store_;
    std::string name_;
    size_t limit_;
};

std::unique_ptr<RateBudget> PostgresStore::SharedRateBudget(const std::string& name, size_t limit) {
    return std::make_unique<SharedBudget>(*this, name, limit);
}

}  // namespace

std::unique_ptr<IScoreStore> OpenPostgresStore(const std::string& url) {
    return std::make_unique<PostgresStore>(url);
}
