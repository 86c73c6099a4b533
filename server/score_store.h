#pragma once
// Where the scores, the used tokens and the token key live. One interface, two back ends: SQLite (one file,
// the default) and PostgreSQL (several servers sharing one database). Every method may be called from any of
// the server's threads at once; every failure of the database is thrown as StoreError.

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "rate_limiter.h"

struct StoreError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A score as it is kept. Times are seconds since 1970 (UTC).
struct StoredScore {
    std::string name;
    int64_t score = 0;
    std::string country;
    int64_t time = 0;
    std::string address;  // the client's address, for the operator; never shown on the page
};

// One row of the online table; rank 1 is the best.
struct RankedScore {
    int64_t rank = 0;
    std::string name;
    int64_t score = 0;
    std::string country;
    int64_t time = 0;
    bool verified = false;          // a replay of it played to exactly this score
    std::optional<int64_t> replay;  // the id of that replay
};

enum class SubmitOutcome {
    Stored,
    UnknownToken,  // already used (a token the server never issued does not get this far)
    ExpiredToken,  // issued longer ago than the lifetime allows
};

// Where the score stored with a token stands for a replay upload.
struct ReplaySlot {
    enum class State {
        Open,     // a replay may come (or, after a claim, was just taken: replayId says which)
        Unknown,  // no score was stored with this token
        TooLate,  // the score was stored longer ago than the window allows
        Taken,    // a replay came for it already
    };
    State state = State::Unknown;
    int64_t scoreId = 0;
    int64_t score = 0;
    std::string name;
    int64_t replayId = 0;
    // Taken: how that replay's check went (nullopt while it runs).
    std::optional<bool> verified;
};

class IScoreStore {
public:
    virtual ~IScoreStore() = default;

    // The key tokens are signed with: made at random by the first server on this database and
    // read by every one after it (64 hex digits).
    virtual std::string TokenKey() = 0;

    // For a genuine token issued at issuedAt: if it was issued no more than lifetime seconds
    // before now and was not used yet, marks it used and stores the score, in one transaction:
    // of queries racing with one token, on any number of servers, at most one stores.
    virtual SubmitOutcome SubmitScore(const std::string& token, int64_t issuedAt, int64_t now,
                                      int64_t lifetime, const StoredScore& score) = 0;

    // Forgets used tokens issued before the given time (they are refused as expired anyway).
    virtual void PurgeTokens(int64_t issuedBefore) = 0;

    // How many used tokens are remembered (for checks and tests).
    virtual int64_t UsedTokens() = 0;

    // The best scores, best first: higher score first, then the earlier one, then the one stored
    // first. At most limit rows.
    virtual std::vector<RankedScore> BestScores(int64_t limit) = 0;

    // Every stored score with its address, in the order stored (for checks and tests).
    virtual std::vector<StoredScore> AllScores() = 0;

    // The best verified scores only, ranked among themselves.
    virtual std::vector<RankedScore> BestVerifiedScores(int64_t limit) = 0;

    // The score stored with the token, and whether its replay may still come: within window
    // seconds of the score's storing, and none came yet. Changes nothing.
    virtual ReplaySlot FindReplaySlot(const std::string& token, int64_t now, int64_t window) = 0;

    // The same, and an open slot is taken for a replay uploaded now, in one transaction: of
    // uploads racing for one score, on any number of servers, one gets Open (with its replayId).
    virtual ReplaySlot ClaimReplay(const std::string& token, int64_t now, int64_t window) = 0;

    // How the check of a claimed replay ended. A verified one marks its score and keeps the file;
    // of any other only the reason is kept.
    virtual void FinishReplay(int64_t replayId, bool verified, const std::string& reason,
                              const std::vector<uint8_t>& file) = 0;

    // Checks that never ended (their server stopped while they ran): every replay still being
    // checked that was uploaded before the given time is marked unverified with the reason, so its
    // score no longer waits on it. Returns how many.
    virtual int64_t AbandonChecks(int64_t uploadedBefore, const std::string& reason) = 0;

    // The file of a verified replay; nullopt for any other id.
    virtual std::optional<std::vector<uint8_t>> VerifiedReplay(int64_t replayId) = 0;

    // A budget of limit queries per address a minute that every server on this database counts
    // together, named so that different budgets keep apart; nullptr when the back end leaves the
    // counting to each process (one SQLite server is the only one there is).
    virtual std::unique_ptr<RateBudget> SharedRateBudget(const std::string& name, size_t limit) {
        (void)name;
        (void)limit;
        return nullptr;
    }

    // The schema version the database is at after the migrations ran.
    virtual int SchemaVersion() = 0;
};

// Opens the database of a --db URL ("sqlite:PATH", "postgresql://…" or "postgres://…"), runs the
// schema migrations, and returns the store. Throws StoreError for a URL it does not know or a
// database it cannot open.
std::unique_ptr<IScoreStore> OpenScoreStore(const std::string& url);

// The default database: sqlite:$XDG_DATA_HOME/vandrax-scored/scores.db (XDG_DATA_HOME defaulting
// to ~/.local/share). Empty when neither variable is set.
std::string DefaultDatabaseUrl();
