#pragma once
// The HTTP front: the game's two queries under /cgi/version.pl, the online table page there too,
// and the table as JSON under /api/scores. Requests run on httplib's worker threads.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "rate_limiter.h"
#include "score_store.h"

namespace httplib {
class Server;
}

// How long a token from the version query stays good, in seconds.
inline constexpr int64_t kTokenLifetime = 600;

struct ScoreServerConfig {
    size_t rateLimit = 10;  // score queries per address per minute; 0: no limit
    // Seconds since 1970, UTC; tests may move time along.
    std::function<int64_t()> now;
    // One finished line of the log (no newline).
    std::function<void(std::string_view)> log;
};

class ScoreServer {
public:
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

private:
    void Install();

    IScoreStore& store_;
    ScoreServerConfig config_;
    RateLimiter limiter_;
    std::unique_ptr<httplib::Server> http_;
    std::atomic<uint64_t> tokensIssued_{0};
};

// 128 fresh random bits as lowercase hex, from the kernel's generator.
std::string NewToken();
