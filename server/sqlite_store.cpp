#include "sqlite_store.h"

#include <sqlite3.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "score_token.h"

namespace {

// The schema, one step a version. A step never changes once released: a new one is added.
const std::vector<std::string_view> kMigrations = {
    // 1: scores and the open tokens.
    "CREATE TABLE scores ("
    "  id INTEGER PRIMARY KEY,"
    "  name TEXT NOT NULL,"
    "  score INTEGER NOT NULL,"
    "  country TEXT NOT NULL,"
    "  created_at INTEGER NOT NULL,"
    "  address TEXT NOT NULL);"
    "CREATE INDEX scores_by_rank ON scores (score DESC, created_at, id);"
    "CREATE TABLE tokens (token TEXT PRIMARY KEY, issued_at INTEGER NOT NULL) WITHOUT ROWID;"
    "CREATE INDEX tokens_by_age ON tokens (issued_at);",
    // 2: tokens are signed, not stored when issued: only the used ones are kept, and the key.
    "DROP TABLE tokens;"
    "CREATE TABLE used_tokens (token TEXT PRIMARY KEY, issued_at INTEGER NOT NULL) WITHOUT ROWID;"
    "CREATE INDEX used_tokens_by_age ON used_tokens (issued_at);"
    "CREATE TABLE token_key (id INTEGER PRIMARY KEY CHECK (id = 1), key TEXT NOT NULL);",
    // 3: replays. A score remembers the token it came with (a replay names it), whether a replay
    // verified it and which; a replay keeps its file only once verified.
    "ALTER TABLE scores ADD COLUMN token TEXT;"
    "ALTER TABLE scores ADD COLUMN verified INTEGER NOT NULL DEFAULT 0;"
    "ALTER TABLE scores ADD COLUMN replay_id INTEGER;"
    "CREATE UNIQUE INDEX scores_by_token ON scores (token);"
    "CREATE INDEX verified_scores_by_rank ON scores (score DESC, created_at, id) WHERE verified = 1;"
    "CREATE TABLE replays ("
    "  id INTEGER PRIMARY KEY,"
    "  score_id INTEGER NOT NULL UNIQUE REFERENCES scores (id),"
    "  uploaded_at INTEGER NOT NULL,"
    "  state TEXT NOT NULL CHECK (state IN ('checking', 'verified', 'unverified')),"
    "  reason TEXT NOT NULL DEFAULT '',"
    "  file BLOB);",
};

class Connection;

class Statement {
public:
    Statement(sqlite3* db, std::string_view sql) : db_(db) {
        if (sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                               &stmt_, nullptr) != SQLITE_OK)
            throw StoreError(std::string("sqlite: ") + sqlite3_errmsg(db));
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() { sqlite3_finalize(stmt_); }

    Statement& Bind(int index, int64_t value) {
        Check(sqlite3_bind_int64(stmt_, index, value));
        return *this;
    }
    Statement& Bind(int index, const std::string& value) {
        Check(
            sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT));
        return *this;
    }
    Statement& Bind(int index, const std::vector<uint8_t>& value) {
        Check(
            sqlite3_bind_blob(stmt_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT));
        return *this;
    }
    // True while a row is there to read.
    bool Step() {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        Check(rc);
        return false;
    }
    int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
    bool IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
    std::optional<int64_t> MaybeInt(int column) const {
        return IsNull(column) ? std::nullopt : std::optional<int64_t>(Int(column));
    }
    std::vector<uint8_t> Blob(int column) const {
        const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(stmt_, column));
        return bytes ? std::vector<uint8_t>(bytes, bytes + sqlite3_column_bytes(stmt_, column))
                     : std::vector<uint8_t>();
    }
    std::string Text(int column) const {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        return text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(stmt_, column)))
                    : std::string();
    }
    // Ready for the next use, bindings cleared.
    void Reset() {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }

private:
    void Check(int rc) const {
        if (rc != SQLITE_OK) throw StoreError(std::string("sqlite: ") + sqlite3_errmsg(db_));
    }
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// Resets the statement however the use ends.
class Use {
public:
    explicit Use(Statement& statement) : statement_(statement) {}
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;
    ~Use() { statement_.Reset(); }
    Statement* operator->() { return &statement_; }

private:
    Statement& statement_;
};

class Connection {
public:
    Connection(const std::string& path, bool readOnly) {
        const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) |
                          SQLITE_OPEN_NOMUTEX;
        if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
            const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
            sqlite3_close(db_);
            throw StoreError("sqlite: cannot open " + path + ": " + message);
        }
        // Another process (a second server, the operator's sqlite3) may hold the lock a moment.
        sqlite3_busy_timeout(db_, 5000);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() {
        statements_.clear();
        sqlite3_close(db_);
    }

    void Exec(std::string_view sql) {
        char* error = nullptr;
        if (sqlite3_exec(db_, std::string(sql).c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string message = error ? error : sqlite3_errmsg(db_);
            sqlite3_free(error);
            throw StoreError("sqlite: " + message + " [" + std::string(sql.substr(0, 30)) + "]");
        }
    }

    // Rows the last statement changed.
    int Changes() const { return sqlite3_changes(db_); }
    int64_t LastRowId() const { return sqlite3_last_insert_rowid(db_); }

    // The statement for this text, prepared once for the connection's life.
    Statement& Prepared(std::string_view sql) {
        for (auto& [text, statement] : statements_)
            if (text == sql) return *statement;
        statements_.emplace_back(sql, std::make_unique<Statement>(db_, sql));
        return *statements_.back().second;
    }

private:
    sqlite3* db_ = nullptr;
    std::vector<std::pair<std::string_view, std::unique_ptr<Statement>>> statements_;
};

// Rolls back unless committed.
class Transaction {
public:
    explicit Transaction(Connection& connection) : connection_(connection) {
        connection_.Exec("BEGIN IMMEDIATE");
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction() {
        if (!done_) {
            try {
                connection_.Exec("ROLLBACK");
            } catch (const StoreError&) {
                // The transaction is gone already; nothing more to undo.
            }
        }
    }
    void Commit() {
        connection_.Exec("COMMIT");
        done_ = true;
    }

private:
    Connection& connection_;
    bool done_ = false;
};

constexpr std::string_view kUseToken =
    "INSERT INTO used_tokens (token, issued_at) VALUES (?1, ?2) ON CONFLICT DO NOTHING";
constexpr std::string_view kOfferKey =
    "INSERT INTO token_key (id, key) VALUES (1, ?1) ON CONFLICT DO NOTHING";
constexpr std::string_view kReadKey = "SELECT key FROM token_key WHERE id = 1";
constexpr std::string_view kUsedTokens = "SELECT count(*) FROM used_tokens";
constexpr std::string_view kInsertScore =
    "INSERT INTO scores (name, score, country, created_at, address, token) VALUES (?1, ?2, ?3, ?4, ?5, ?6)";
constexpr std::string_view kPurgeTokens = "DELETE FROM used_tokens WHERE issued_at < ?1";
constexpr std::string_view kBestScores =
    "SELECT name, score, country, created_at, verified, replay_id FROM scores "
    "ORDER BY score DESC, created_at, id LIMIT ?1";
constexpr std::string_view kBestVerifiedScores =
    "SELECT name, score, country, created_at, verified, replay_id FROM scores WHERE verified = 1 "
    "ORDER BY score DESC, created_at, id LIMIT ?1";
constexpr std::string_view kAllScores =
    "SELECT name, score, country, created_at, address FROM scores ORDER BY id";
constexpr std::string_view kReplaySlot =
    "SELECT s.id, s.score, s.name, s.created_at, r.id, r.state FROM scores s "
    "LEFT JOIN replays r ON r.score_id = s.id WHERE s.token = ?1";
constexpr std::string_view kInsertReplay =
    "INSERT INTO replays (score_id, uploaded_at, state) VALUES (?1, ?2, 'checking')";
constexpr std::string_view kFinishReplay =
    "UPDATE replays SET state = ?2, reason = ?3, file = ?4 WHERE id = ?1";
constexpr std::string_view kAbandonChecks =
    "UPDATE replays SET state = 'unverified', reason = ?2 WHERE state = 'checking' AND uploaded_at < ?1";
constexpr std::string_view kMarkVerified =
    "UPDATE scores SET verified = 1, replay_id = ?1 WHERE id = (SELECT score_id FROM replays WHERE id = ?1)";
constexpr std::string_view kVerifiedReplay = "SELECT file FROM replays WHERE id = ?1 AND state = 'verified'";
constexpr std::string_view kSchemaVersion = "SELECT coalesce(max(version), 0) FROM schema_migrations";

class SqliteStore final : public IScoreStore {
public:
    explicit SqliteStore(std::string path) : path_(std::move(path)), writer_(path_, false) {
        // WAL: readers never wait for the writer, and the file stays one database. NORMAL
        // synchronisation keeps the file whole if the server dies; a power cut may lose the last
        // few scores, which is a fair price for not syncing on every score.
        // Switching a new file to WAL needs it to itself; a second server opening the same new
        // file at that moment gets "locked" at once, without the busy wait, so it asks again.
        for (int attempt = 0;; ++attempt) {
            try {
                writer_.Exec("PRAGMA journal_mode=WAL");
                break;
            } catch (const StoreError&) {
                if (attempt == 500) throw;
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        writer_.Exec("PRAGMA synchronous=NORMAL");
        Migrate();
    }

    std::string TokenKey() override {
        std::lock_guard lock(writeMutex_);
        {
            Use offer(writer_.Prepared(kOfferKey));
            offer->Bind(1, NewTokenKey()).Step();
        }
        Use read(writer_.Prepared(kReadKey));
        if (!read->Step()) throw StoreError("sqlite: no token key");
        return read->Text(0);
    }

    SubmitOutcome SubmitScore(const std::string& token, int64_t issuedAt, int64_t now, int64_t lifetime,
                              const StoredScore& score) override {
        if (now - issuedAt > lifetime) return SubmitOutcome::ExpiredToken;
        std::lock_guard lock(writeMutex_);
        Transaction transaction(writer_);
        {
            Use use(writer_.Prepared(kUseToken));
            use->Bind(1, token).Bind(2, issuedAt).Step();
            if (writer_.Changes() == 0) return SubmitOutcome::UnknownToken;
        }
        {
            Use insert(writer_.Prepared(kInsertScore));
            insert->Bind(1, score.name).Bind(2, score.score).Bind(3, score.country).Bind(4, score.time);
            insert->Bind(5, score.address).Bind(6, token).Step();
        }
        transaction.Commit();
        return SubmitOutcome::Stored;
    }

    void PurgeTokens(int64_t issuedBefore) override {
        std::lock_guard lock(writeMutex_);
        Use purge(writer_.Prepared(kPurgeTokens));
        purge->Bind(1, issuedBefore).Step();
    }

    int64_t UsedTokens() override {
        Reader reader(*this);
        Use count(reader->Prepared(kUsedTokens));
        count->Step();
        return count->Int(0);
    }

    std::vector<RankedScore> BestScores(int64_t limit) override { return Ranked(kBestScores, limit); }

    std::vector<RankedScore> BestVerifiedScores(int64_t limit) override {
        return Ranked(kBestVerifiedScores, limit);
    }

    std::vector<StoredScore> AllScores() override {
        Reader reader(*this);
        Use all(reader->Prepared(kAllScores));
        std::vector<StoredScore> rows;
        while (all->Step())
            rows.push_back({all->Text(0), all->Int(1), all->Text(2), all->Int(3), all->Text(4)});
        return rows;
    }

    ReplaySlot FindReplaySlot(const std::string& token, int64_t now, int64_t window) override {
        Reader reader(*this);
        return Slot(*reader, token, now, window);
    }

    ReplaySlot ClaimReplay(const std::string& token, int64_t now, int64_t window) override {
        std::lock_guard lock(writeMutex_);
        Transaction transaction(writer_);
        ReplaySlot slot = Slot(writer_, token, now, window);
        if (slot.state != ReplaySlot::State::Open) return slot;
        {
            Use insert(writer_.Prepared(kInsertReplay));
            insert->Bind(1, slot.scoreId).Bind(2, now).Step();
        }
        slot.replayId = writer_.LastRowId();
        transaction.Commit();
        return slot;
    }

    int64_t AbandonChecks(int64_t uploadedBefore, const std::string& reason) override {
        std::lock_guard lock(writeMutex_);
        Use abandon(writer_.Prepared(kAbandonChecks));
        abandon->Bind(1, uploadedBefore).Bind(2, reason).Step();
        return writer_.Changes();
    }

    void FinishReplay(int64_t replayId, bool verified, const std::string& reason,
                      const std::vector<uint8_t>& file) override {
        std::lock_guard lock(writeMutex_);
        Transaction transaction(writer_);
        {
            Use finish(writer_.Prepared(kFinishReplay));
            finish->Bind(1, replayId)
                .Bind(2, std::string(verified ? "verified" : "unverified"))
                .Bind(3, reason);
            if (verified) finish->Bind(4, file);
            finish->Step();
        }
        if (verified) {
            Use mark(writer_.Prepared(kMarkVerified));
            mark->Bind(1, replayId).Step();
        }
        transaction.Commit();
    }

    std::optional<std::vector<uint8_t>> VerifiedReplay(int64_t replayId) override {
        Reader reader(*this);
        Use file(reader->Prepared(kVerifiedReplay));
        file->Bind(1, replayId);
        if (!file->Step()) return std::nullopt;
        return file->Blob(0);
    }

    int SchemaVersion() override {
        Reader reader(*this);
        Use version(reader->Prepared(kSchemaVersion));
        version->Step();
        return static_cast<int>(version->Int(0));
    }

private:
    // A read-only connection lent from the pool for one call; reads run beside the writer.
    class Reader {
    public:
        explicit Reader(SqliteStore& store) : store_(store) {
            {
                std::lock_guard lock(store_.readersMutex_);
                if (!store_.idleReaders_.empty()) {
                    connection_ = std::move(store_.idleReaders_.back());
                    store_.idleReaders_.pop_back();
                }
            }
            if (!connection_) connection_ = std::make_unique<Connection>(store_.path_, true);
        }
        Reader(const Reader&) = delete;
        Reader& operator=(const Reader&) = delete;
        ~Reader() {
            std::lock_guard lock(store_.readersMutex_);
            store_.idleReaders_.push_back(std::move(connection_));
        }
        Connection* operator->() { return connection_.get(); }
        Connection& operator*() { return *connection_; }

    private:
        SqliteStore& store_;
        std::unique_ptr<Connection> connection_;
    };

    std::vector<RankedScore> Ranked(std::string_view query, int64_t limit) {
        Reader reader(*this);
        Use best(reader->Prepared(query));
        best->Bind(1, limit);
        std::vector<RankedScore> rows;
        while (best->Step()) {
            rows.push_back({static_cast<int64_t>(rows.size()) + 1, best->Text(0), best->Int(1), best->Text(2),
                            best->Int(3), best->Int(4) != 0, best->MaybeInt(5)});
        }
        return rows;
    }

    static ReplaySlot Slot(Connection& connection, const std::string& token, int64_t now, int64_t window) {
        Use find(connection.Prepared(kReplaySlot));
        find->Bind(1, token);
        ReplaySlot slot;
        if (!find->Step()) return slot;
        slot.scoreId = find->Int(0);
        slot.score = find->Int(1);
        slot.name = find->Text(2);
        if (!find->IsNull(4)) {
            slot.state = ReplaySlot::State::Taken;
            slot.replayId = find->Int(4);
            const std::string state = find->Text(5);
            if (state != "checking") slot.verified = state == "verified";
        } else if (now - find->Int(3) > window) {
            slot.state = ReplaySlot::State::TooLate;
        } else {
            slot.state = ReplaySlot::State::Open;
        }
        return slot;
    }

    void Migrate() {
        std::lock_guard lock(writeMutex_);
        Transaction transaction(writer_);
        writer_.Exec(
            "CREATE TABLE IF NOT EXISTS schema_migrations ("
            "  version INTEGER PRIMARY KEY, applied_at INTEGER NOT NULL DEFAULT (strftime('%s','now')))");
        int64_t current = 0;
        {
            Use version(writer_.Prepared(kSchemaVersion));
            version->Step();
            current = version->Int(0);
        }
        if (current > static_cast<int64_t>(kMigrations.size()))
            throw StoreError("sqlite: the database is at schema version " + std::to_string(current) +
                             ", newer than this server knows (" + std::to_string(kMigrations.size()) + ")");
        for (auto step = static_cast<size_t>(current); step < kMigrations.size(); ++step) {
            writer_.Exec(kMigrations[step]);
            writer_.Exec("INSERT INTO schema_migrations (version) VALUES (" + std::to_string(step + 1) + ")");
        }
        transaction.Commit();
    }

    std::string path_;
    std::mutex writeMutex_;
    Connection writer_;
    std::mutex readersMutex_;
    std::vector<std::unique_ptr<Connection>> idleReaders_;
};

}  // namespace

std::unique_ptr<IScoreStore> OpenSqliteStore(const std::string& path) {
    return std::make_unique<SqliteStore>(path);
}
