#include "options.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "score_store.h"
#include "server_harness.h"

using Action = ParsedCommandLine::Action;

TEST(CommandLine, Options) {
    const ParsedCommandLine none = ParseCommandLine({});
    EXPECT_EQ(none.action, Action::Serve);
    EXPECT_EQ(none.options.host, "127.0.0.1");
    EXPECT_EQ(none.options.port, 8642);  // where the game looks by default
    EXPECT_EQ(none.options.rateLimit, 10u);
    EXPECT_EQ(none.options.connectionsPerAddress, 32u);
    EXPECT_TRUE(none.options.database.empty());

    const ParsedCommandLine all = ParseCommandLine({"--listen", "0.0.0.0:9000", "--db", "postgresql://u@h/d",
                                                    "--rate-limit", "0", "--connections-per-address", "200"});
    ASSERT_EQ(all.action, Action::Serve) << all.error;
    EXPECT_EQ(all.options.host, "0.0.0.0");
    EXPECT_EQ(all.options.port, 9000);
    EXPECT_EQ(all.options.database, "postgresql://u@h/d");
    EXPECT_EQ(all.options.rateLimit, 0u);
    EXPECT_EQ(all.options.connectionsPerAddress, 200u);

    const ParsedCommandLine v6 = ParseCommandLine({"--listen=[::1]:0", "--db=sqlite:x.db"});
    ASSERT_EQ(v6.action, Action::Serve) << v6.error;
    EXPECT_EQ(v6.options.host, "::1");
    EXPECT_EQ(v6.options.port, 0);
    EXPECT_EQ(v6.options.database, "sqlite:x.db");

    // Replays: by default checked on the installed game's data, two workers, twenty seconds each,
    // ten minutes after the score; every score shown.
    EXPECT_TRUE(none.options.dataRoot.empty());
    EXPECT_FALSE(none.options.verifiedOnly);
    EXPECT_EQ(none.options.replayWorkers, 2u);
    EXPECT_EQ(none.options.replayQueue, 32u);
    EXPECT_EQ(none.options.replayCpuSeconds, 20);
    EXPECT_EQ(none.options.replayWindow, 600);
    const ParsedCommandLine replays =
        ParseCommandLine({"--data", "/opt/vandrax", "--verified-only", "--replay-workers", "1",
                          "--replay-queue=5", "--replay-cpu-seconds", "3", "--replay-window", "0"});
    ASSERT_EQ(replays.action, Action::Serve) << replays.error;
    EXPECT_EQ(replays.options.dataRoot, "/opt/vandrax");
    EXPECT_TRUE(replays.options.verifiedOnly);
    EXPECT_EQ(replays.options.replayWorkers, 1u);
    EXPECT_EQ(replays.options.replayQueue, 5u);
    EXPECT_EQ(replays.options.replayCpuSeconds, 3);
    EXPECT_EQ(replays.options.replayWindow, 0);

    EXPECT_EQ(ParseCommandLine({"--db", "x", "--help"}).action, Action::Help);
    EXPECT_EQ(ParseCommandLine({"--version"}).action, Action::Version);
}

TEST(CommandLine, MistakesAreErrors) {
    const std::vector<std::vector<std::string>> bad = {
        {"--listen"},
        {"--listen", "8080"},
        {"--listen", "host:"},
        {"--listen", ":80"},
        {"--listen", "h:70000"},
        {"--listen", "::1:80"},
        {"--listen", "[::1]80"},
        {"--db"},
        {"--db", ""},
        {"--rate-limit", "-1"},
        {"--rate-limit", "ten"},
        {"--connections-per-address", "-3"},
        {"--connections-per-address"},
        {"--port", "1"},
        {"serve"},
        {"--data"},
        {"--data", ""},
        {"--verified-only=yes"},
        {"--replay-workers", "0"},
        {"--replay-workers", "9"},
        {"--replay-queue", "0"},
        {"--replay-cpu-seconds", "0"},
        {"--replay-cpu-seconds", "3601"},
        {"--replay-window", "-1"},
        {"--replay-window", "ten"},
    };
    for (const auto& args : bad) {
        const ParsedCommandLine parsed = ParseCommandLine(args);
        EXPECT_EQ(parsed.action, Action::Error) << testing::PrintToString(args);
        EXPECT_FALSE(parsed.error.empty());
    }
}

TEST(CommandLine, DefaultDatabaseFollowsXdg) {
    const char* oldXdg = std::getenv("XDG_DATA_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string savedXdg = oldXdg ? oldXdg : "";
    const std::string savedHome = oldHome ? oldHome : "";

    setenv("XDG_DATA_HOME", "/srv/data", 1);
    EXPECT_EQ(DefaultDatabaseUrl(), "sqlite:/srv/data/vandrax-scored/scores.db");
    setenv("XDG_DATA_HOME", "relative/is/ignored", 1);
    setenv("HOME", "/home/anna", 1);
    EXPECT_EQ(DefaultDatabaseUrl(), "sqlite:/home/anna/.local/share/vandrax-scored/scores.db");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(DefaultDatabaseUrl(), "sqlite:/home/anna/.local/share/vandrax-scored/scores.db");

    if (oldXdg) setenv("XDG_DATA_HOME", savedXdg.c_str(), 1);
    if (oldHome) setenv("HOME", savedHome.c_str(), 1);
}

TEST(CommandLine, UnknownDatabaseUrlsAreRefused) {
    EXPECT_THROW(OpenScoreStore("mysql://x"), StoreError);
    EXPECT_THROW(OpenScoreStore("sqlite:"), StoreError);
    EXPECT_THROW(OpenScoreStore("scores.db"), StoreError);
}

namespace {

// Runs the program with arguments (and an environment), giving its exit status and output.
int RunProgram(const std::string& arguments, std::string& output, const std::string& environment = "") {
    const std::string command = environment + " " VANDRAX_SCORED_PATH " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buffer[512];
    output.clear();
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(CommandLine, TheProgramsAnswers) {
    std::string output;
    EXPECT_EQ(RunProgram("--help", output), 0);
    EXPECT_NE(output.find("--listen HOST:PORT"), std::string::npos);
    EXPECT_NE(output.find("sqlite:$XDG_DATA_HOME/vandrax-scored/scores.db"), std::string::npos);
    EXPECT_EQ(RunProgram("--version", output), 0);
    EXPECT_EQ(output.rfind("vandrax-scored ", 0), 0u);
    EXPECT_EQ(RunProgram("--bogus", output), 2);
    EXPECT_NE(output.find("unknown option '--bogus'"), std::string::npos);
    EXPECT_EQ(RunProgram("--listen 127.0.0.1:0 --db mysql://x", output), 1);
    EXPECT_NE(output.find("unknown database URL"), std::string::npos);

    // With no --db, the default file is made under XDG_DATA_HOME, folders and all.
    ScratchFolder folder;
    setenv("XDG_DATA_HOME", folder.path().c_str(), 1);
    {
        ServerProcess server({});
        ASSERT_TRUE(server.running());
        EXPECT_EQ(server.Terminate(), 0);
    }
    EXPECT_EQ(access((folder.path() + "/vandrax-scored/scores.db").c_str(), F_OK), 0);
}
