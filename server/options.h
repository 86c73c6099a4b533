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
};

struct ParsedCommandLine {
    enum class Action { Serve, Help, Version, Error } action = Action::Serve;
    ServerOptions options;
    std::string error;  // for Action::Error
};

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The --help text.
std::string UsageText();
