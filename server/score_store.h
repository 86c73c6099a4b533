#pragma once
// Where the scores and the open tokens live. One interface, two back ends: SQLite (one file, the
// default) and PostgreSQL (several servers sharing one database). Every method may be called from
// any of the server's threads at once; every failure of the database is thrown as StoreError.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

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
};

enum class SubmitOutcome {
    Stored,
    UnknownToken,  // never issued, or already used
    ExpiredToken,  // issued longer ago than the lifetime allows (it is used up all the same)
};

class IScoreStore {
public:
    virtual ~IScoreStore() = default;

    // Remembers a fresh token, issued at issuedAt.
    virtual void IssueToken(const std::string& token, int64_t issuedAt) = 0;

    // Uses up the token and, if it was issued no more than lifetime seconds before now, stores the
    // score, all in one transaction: of two queries racing with one token, at most one stores.
    virtual SubmitOutcome SubmitScore(const std::string& token, int64_t now, int64_t lifetime,
                                      const StoredScore& score) = 0;

    // Forgets tokens issued before the given time.
    virtual void PurgeTokens(int64_t issuedBefore) = 0;

    // The best scores, best first: higher score first, then the earlier one, then the one stored
    // first. At most limit rows.
    virtual std::vector<RankedScore> BestScores(int64_t limit) = 0;

    // Every stored score with its address, in the order stored (for checks and tests).
    virtual std::vector<StoredScore> AllScores() = 0;

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
