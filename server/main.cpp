// vandrax-scored: the companion score server of the game.

#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "headless_player.h"
#include "online/data_paths.h"
#include "options.h"
#include "score_server.h"
#include "score_store.h"
#include "table_page.h"

namespace {

std::mutex gLogMutex;

void LogLine(std::string_view text) {
    const std::string line =
        IsoTime(static_cast<int64_t>(std::time(nullptr))) + " " + std::string(text) + "\n";
    std::lock_guard lock(gLogMutex);
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv) {
    const ParsedCommandLine parsed = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (parsed.action) {
        case ParsedCommandLine::Action::Help:
            std::fputs(UsageText().c_str(), stdout);
            return 0;
        case ParsedCommandLine::Action::Version:
            std::printf("vandrax-scored %s\n", VANDRAX_VERSION);
            return 0;
        case ParsedCommandLine::Action::Error:
            std::fprintf(stderr, "vandrax-scored: %s\nTry 'vandrax-scored --help'.\n", parsed.error.c_str());
            return 2;
        case ParsedCommandLine::Action::Serve:
            break;
    }
    ServerOptions options = parsed.options;
    if (options.database.empty()) {
        options.database = DefaultDatabaseUrl();
        if (options.database.empty()) {
            std::fputs("vandrax-scored: neither XDG_DATA_HOME nor HOME is set; name the database with --db\n",
                       stderr);
            return 2;
        }
    }

    // SIGTERM and SIGINT are taken by one thread of ours, so no worker is interrupted mid-request.
    // The mask is set before any thread starts, and every thread inherits it.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    std::unique_ptr<IScoreStore> store;
    try {
        store = OpenScoreStore(options.database);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vandrax-scored: %s\n", error.what());
        return 1;
    }

    // Every open connection is a descriptor: take all the system allows, and leave some over for
    // the database and the log.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }

    ScoreServerConfig config;
    config.rateLimit = options.rateLimit;
    config.versionRateLimit = options.versionRateLimit;
    config.front.connectionsPerAddress = options.connectionsPerAddress;
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur != RLIM_INFINITY)
        config.front.maxConnections = static_cast<size_t>(files.rlim_cur > 256 ? files.rlim_cur - 128 : 128);
    config.log = LogLine;
    config.verifiedOnly = options.verifiedOnly;
    config.replayWindow = options.replayWindow;
    config.replays.workers = options.replayWorkers;
    config.replays.queue = options.replayQueue;
    config.replays.cpu = std::chrono::seconds(options.replayCpuSeconds);
    config.replayPlayer = HeadlessReplayPlayers(
        options.dataRoot.empty() ? FindDataRoot() : std::filesystem::path(options.dataRoot), VANDRAX_VERSION);
    std::unique_ptr<ScoreServer> running;
    try {
        // Made while the process is one thread: it forks the replay checkers as it starts.
        running = std::make_unique<ScoreServer>(*store, config);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vandrax-scored: %s\n", error.what());
        return 1;
    }
    ScoreServer& server = *running;
    const int port = server.Bind(options.host, options.port);
    if (port < 0) {
        std::fprintf(stderr, "vandrax-scored: cannot listen on %s:%d\n", options.host.c_str(), options.port);
        return 1;
    }
    // Tests and scripts read the port from this line when they asked for any free one.
    const bool ipv6 = options.host.find(':') != std::string::npos;
    std::printf("vandrax-scored: listening on %s%s%s:%d\n", ipv6 ? "[" : "", options.host.c_str(),
                ipv6 ? "]" : "", port);
    std::fflush(stdout);

    std::atomic<bool> finished{false};
    std::thread signalWaiter([&server, &finished] {
        sigset_t wanted;
        sigemptyset(&wanted);
        sigaddset(&wanted, SIGTERM);
        sigaddset(&wanted, SIGINT);
        int signal = 0;
        sigwait(&wanted, &signal);
        // A stop that comes before the server has begun listening would be lost: ask until it ends.
        while (!finished) {
            server.Stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });

    const bool served = server.Run();
    finished = true;
    // Run returns once every request in progress has been answered. If it ended on its own, the
    // waiting thread is woken with the same signal it waits for.
    pthread_kill(signalWaiter.native_handle(), SIGTERM);
    signalWaiter.join();
    running.reset();
    store.reset();  // closes the database: SQLite folds its log back into the file
    LogLine(served ? "stopped" : "stopped: the listening socket failed");
    return served ? 0 : 1;
}
