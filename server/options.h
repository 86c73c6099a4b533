#pragma once
// The command line of vandrax-scored.

#include <cstddef>
#include <string>
#include <vector>

struct ServerOptions {
    std::string host = "127.0.0.1";
    int port = 8642;                    // 0: any free port (printed when listening)
    std::string database;               // empty: the default SQLite file
    size_t rateLimit = 10;              // score queries per address a minute; 0: no limit
    size_t versionRateLimit = 30;       // version queries per address a minute; 0: no limit
    size_t connectionsPerAddress = 32;  // open connections per client address; 0: no cap
    std::string dataRoot;               // the game's data (holds Data/); empty: where the game looks
    bool verifiedOnly = false;          // the table shows verified scores only
    size_t replayWorkers = 2;           // threads checking replays
    size_t replayQueue = 32;            // replays waiting for a check; one more is refused
    long long replayCpuSeconds = 20;    // CPU time one replay's play may take
    long long replayWindow = 600;       // seconds after its score a replay may still come
};

struct ParsedCommandLine {
    enum class Action { Serve, Help, Version, Error } action = Action::Serve;
    ServerOptions options;
    std::string error;  // for Action::Error
};

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The --help text.
std::string UsageText();
