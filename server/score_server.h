#pragma once
// The score server's answers: the game's two queries under /cgi/version.pl, the online table page
// there too, and the table as JSON under /api/scores. Requests come in through HttpFront and run on
// its worker threads.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "http_front.h"
#include "rate_limiter.h"
#include "replay_verifier.h"
#include "score_record.h"
#include "score_store.h"
#include "score_token.h"

// How long a token from the version query stays good, in seconds.
inline constexpr int64_t kTokenLifetime = 600;
// A replay still being checked this long after its upload never will be: its server stopped while
// it waited or ran (no server keeps one that long: a queue of 32 of at most 20 s of CPU each).
inline constexpr int64_t kCheckAbandonedAfter = 3600;

struct ScoreServerConfig {
    size_t rateLimit = 10;         // score queries per address per minute; 0: no limit
    size_t versionRateLimit = 30;  // version queries per address per minute; 0: no limit
    HttpFrontLimits front;
    bool verifiedOnly = false;  // the page and the JSON show verified scores only
    // Replays: how long after its score one is taken, and how they are checked. Without a player
    // factory, or when it cannot make a player, replays are answered "cannot check".
    int64_t replayWindow = 600;
    ReplayCheckLimits replays;
    ReplayPlayerFactory replayPlayer;
    // Seconds since 1970, UTC; tests may move time along.
    std::function<int64_t()> now;
    // One finished line of the log (no newline).
    std::function<void(std::string_view)> log;
};

class ScoreServer {
public:
    // Reads the token key from the store (making it, on a new database): may throw StoreError. With
    // a replay player factory it forks the replay checkers: make it while the process is one thread.
    ScoreServer(IScoreStore& store, ScoreServerConfig config);
    ~ScoreServer();
    ScoreServer(const ScoreServer&) = delete;
    ScoreServer& operator=(const ScoreServer&) = delete;

    // Binds the listening socket; port 0 takes any free one. Returns the port, or -1 on failure.
    int Bind(const std::string& host, int port);
    // Serves until Stop; requests in progress are finished before it returns.
    bool Run();
    // Safe from any thread.
    void Stop();

    // One request, answered (public for the front's handler; tests go through the socket).
    HttpResponse Answer(const HttpRequest& request);

private:
    HttpResponse VersionQuery(const HttpRequest& request, const std::vector<QueryItem>& items);
    HttpResponse ScoreQuery(const HttpRequest& request, const std::vector<QueryItem>& items);
    HttpResponse Table(const std::vector<QueryItem>& items);
    HttpResponse Json(const HttpRequest& request);
    std::vector<RankedScore> Shown(int64_t limit);
    // Replays (replay_answers.cpp).
    HttpResponse ReplayUpload(const HttpRequest& request);
    HttpResponse ReplayFile(const HttpRequest& request);
    // Marks the checks that never ended as unverified, and logs how many.
    void AbandonStaleChecks(int64_t now);
    void ReplayChecked(const ReplayJob& job, const ReplayVerdict& verdict);
    void Log(const HttpRequest& request, const HttpResponse& response);

    IScoreStore& store_;
    ScoreServerConfig config_;
    std::unique_ptr<RateBudget> scoreBudget_;
    std::unique_ptr<RateBudget> versionBudget_;
    TokenSigner signer_;
    std::unique_ptr<HttpFront> http_;
    std::atomic<uint64_t> scoresStored_{0};
    // Last, so it stops first: its workers write their verdicts through the members above.
    std::unique_ptr<ReplayVerifier> verifier_;
};
