// The online side played through vandrax-sim the way a player meets it: quitting past the
// example promotion page, and a new high score sent to the real vandrax-scored, to no server
// at all, and to a server that takes the connection and never answers.

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "local_server.h"
#include "online_test_util.h"
#include "platform/sdl/curl_http.h"

extern char** environ;

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// A data root of the game's own data plus whatever a test adds (the example page).
class Simulator {
public:
    Simulator() {
        for (const char* folder : {"Data", "Music"})
            fs::create_directory_symlink(fs::path(VANDRAX_DATA) / folder, root.Path() / folder);
    }
    json Run(const std::string& script, uint64_t untilMs, const std::string& extra = "") {
        const fs::path scriptFile = work.Write("script.txt", script);
        const fs::path state = work.Path() / "state.json";
        fs::remove(state);
        std::ostringstream command;
        command << VANDRAX_SIM << " --data " << root.Path() << " --home " << (work.Path() / "home")
                << " --seed 5 --script " << scriptFile << " --until-ms " << untilMs << " --state " << state
                << " " << extra << " 2>" << (work.Path() / "stderr.txt");
        EXPECT_EQ(std::system(command.str().c_str()), 0) << command.str();
        std::ifstream in(state);
        json result;
        if (in.good()) in >> result;
        return result;
    }
    TempRoot root;
    TempRoot work;
};

// Quit from the main menu: the window's close button, then Yes.
const std::string kQuit = "4500 close\n4600 mouse-move 300 360\n4700 mouse-down left\n";

TEST(PromotionScenario, QuittingShowsTheExamplePageUntilItsExitButtonEndsTheGame) {
    Simulator sim;
    fs::copy(VANDRAX_PROMO_EXAMPLE "/wdata", sim.root.Path() / "wdata", fs::copy_options::recursive);
    fs::copy(VANDRAX_PROMO_EXAMPLE "/play.url", sim.root.Path() / "play.url");
    const std::string table = "http://localhost:8642/cgi/version.pl?prg=Vandrax&show&type=0";

    const json page = sim.Run(kQuit + "4800 mouse-move 400 270\n4900 mouse-down left\n", 5000);
    EXPECT_EQ(page["ScreenState"], 9);
    EXPECT_FALSE(page["exited"]);
    ASSERT_EQ(page["hud"].size(), 1u);
    EXPECT_EQ(page["hud"][0]["text"], "5");  // 0.3 s of 5 seconds gone
    EXPECT_EQ(page["hud"][0]["size"], 36);
    EXPECT_EQ(page["hud"][0]["color"], "#FFD65A");
    EXPECT_EQ(page["linksOpened"], json::array({table}));
    EXPECT_EQ(page["errors"].size(), 0u) << page["errors"];

    // The exit button does nothing before the countdown has run out, and ends the game after.
    const std::string exit = "5000 mouse-move 400 500\n5100 mouse-down left\n5200 close\n";
    const json early = sim.Run(kQuit + exit, 6000);
    EXPECT_EQ(early["ScreenState"], 9);
    EXPECT_FALSE(early["exited"]);
    const json done = sim.Run(kQuit + exit + "9900 mouse-down left\n", 10000);
    EXPECT_TRUE(done["exited"]);
    EXPECT_EQ(done["linksOpened"], json::array({table}));  // play.url on the way out
}

TEST(PromotionScenario, WithoutAPageQuittingEndsAtOnce) {
    Simulator sim;
    const json state = sim.Run(kQuit, 5000);
    EXPECT_TRUE(state["exited"]);
    EXPECT_EQ(state["linksOpened"].size(), 0u);
}

// A new high score: the game lost with 2600 points, the name typed, the send box ticked, Enter.
const std::string kSendScore =
    "2500 set Score 2600\n2600 key-down Escape\n2700 mouse-move 300 360\n2800 mouse-down left\n"
    "8300 char Rex\n8400 mouse-move 240 390\n8450 mouse-down left\n8500 key-down Return\n";

#ifdef VANDRAX_SCORED

// vandrax-scored on 127.0.0.1 and a free port, with a SQLite database of its own.
class ScoreServer {
public:
    explicit ScoreServer(const fs::path& db) {
        int out[2];
        if (pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::string dbArg = "sqlite:" + db.string();
        std::string program = VANDRAX_SCORED;
        std::string listen = "--listen";
        std::string where = "127.0.0.1:0";
        std::string dbOption = "--db";
        char* argv[] = {program.data(), listen.data(), where.data(), dbOption.data(), dbArg.data(), nullptr};
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        // Its first line: "vandrax-scored: listening on 127.0.0.1:PORT".
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (pid_ > 0 && line.find('\n') == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            pollfd p{out[0], POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            char buffer[256];
            const ssize_t n = read(out[0], buffer, sizeof buffer);
            if (n <= 0) break;
            line.append(buffer, static_cast<size_t>(n));
        }
        close(out[0]);
        const size_t colon = line.rfind(':');
        if (line.find("listening on") != std::string::npos && colon != std::string::npos)
            port_ = std::atoi(line.c_str() + colon + 1);
    }
    ~ScoreServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    ScoreServer(const ScoreServer&) = delete;
    ScoreServer& operator=(const ScoreServer&) = delete;
    int Port() const { return port_; }
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    pid_t pid_ = -1;
    int port_ = -1;
};

TEST(ScoreScenario, ASentScoreLandsInTheServersTable) {
    Simulator sim;
    ScoreServer server(sim.work.Path() / "scores.db");
    ASSERT_GT(server.Port(), 0);
    const json state = sim.Run(kSendScore, 8700, "--play 1 --score-server " + server.Base());
    EXPECT_EQ(state["ScreenState"], 7);
    EXPECT_EQ(state["highScores"][1]["name"], "Rex");
    EXPECT_EQ(state["messages"].size(), 0u) << state["messages"];
    ASSERT_EQ(state["httpRequests"].size(), 3u) << state["httpRequests"];
    EXPECT_EQ(state["httpRequests"][0]["outcome"], "ok");
    EXPECT_EQ(state["httpRequests"][1]["outcome"], "ok");
    // The game's replay follows the score: a server that checks replays takes it (202), one
    // without the route answers that it has none (404 or 405), which is nobody's business but the
    // log's.
    const json& upload = state["httpRequests"][2];
    EXPECT_EQ(upload["method"], "POST");
    EXPECT_EQ(upload["url"].get<std::string>().rfind(server.Base() + "/api/replays?token=", 0), 0u);
    EXPECT_TRUE(upload["status"] == 202 || upload["status"] == 404 || upload["status"] == 405) << upload;

    CurlHttpClient http;
    const HttpAnswer table = http.Get(server.Base() + "/api/scores?limit=10", {});
    ASSERT_TRUE(table.Ok()) << table.detail;
    const json rows = json::parse(table.body);
    ASSERT_EQ(rows.size(), 1u) << rows;
    EXPECT_EQ(rows[0]["name"], "Rex");
    EXPECT_EQ(rows[0]["score"], 2600);
    EXPECT_EQ(rows[0]["country"], "");
}

// The whole way of a verified score: the autopilot plays to a score for the table, ticks the send
// box, enters its name and sends; the replay that follows the score is played by the server, which
// marks the row verified and serves the replay, the very file the game kept.
TEST(ScoreScenario, AnAutopilotGameSentToTheServerIsVerifiedByItsReplay) {
    Simulator sim;
    ScoreServer server(sim.work.Path() / "scores.db");
    ASSERT_GT(server.Port(), 0);
    const json state = sim.Run("", 116000, "--play 1 --autopilot --score-server " + server.Base());
    ASSERT_EQ(state["httpRequests"].size(), 3u) << state["httpRequests"];
    const json& upload = state["httpRequests"][2];
    EXPECT_EQ(upload["method"], "POST");
    if (upload["status"] == 404 || upload["status"] == 405)
        GTEST_SKIP() << "this vandrax-scored has no replay route (" << upload["status"] << ")";
    EXPECT_EQ(upload["outcome"], "ok");
    EXPECT_EQ(upload["status"], 202);  // taken, the check runs on
    EXPECT_EQ(state["messages"].size(), 0u) << state["messages"];
    std::string kept;
    int score = -1;
    for (size_t row = 0; row < state["highScores"].size(); ++row) {
        if (state["highScores"][row]["name"] != "Autopilot") continue;
        kept = state["tableReplays"][row];
        score = state["highScores"][row]["score"];
    }
    ASSERT_NE(kept, "") << state["highScores"];

    // The check plays the game on the server's side: the row turns verified within the bound.
    CurlHttpClient http;
    json row;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        const HttpAnswer table = http.Get(server.Base() + "/api/scores?limit=10", {});
        ASSERT_TRUE(table.Ok()) << table.detail;
        const json rows = json::parse(table.body);
        ASSERT_EQ(rows.size(), 1u) << rows;
        row = rows[0];
        if (row["verified"] == true) break;
        poll(nullptr, 0, 100);
    }
    EXPECT_EQ(row["name"], "Autopilot");
    EXPECT_EQ(row["score"], score);
    ASSERT_EQ(row["verified"], true) << row;
    const HttpAnswer served = http.Get(server.Base() + "/api/replays/" + row["replay"].dump(), {});
    ASSERT_TRUE(served.Ok()) << served.detail;
    std::ifstream file(sim.work.Path() / "home" / "replays" / kept, std::ios::binary);
    EXPECT_TRUE(served.body == std::string((std::istreambuf_iterator<char>(file)), {}));
}

#endif

// A score server of the test's own: it hands out a token, stores the score, and takes (or does
// not know) the replay that follows. The replay that goes up is the file the game kept for the row.
TEST(ScoreScenario, TheGamesReplayGoesUpWithTheScoresToken) {
    struct Case {
        const char* what;
        int uploadStatus;
    };
    for (const Case& c :
         {Case{"a server that takes replays", 200}, Case{"a server without the route", 404}}) {
        SCOPED_TRACE(c.what);
        LocalServer server([&](int fd, const std::string& request, const LocalServer&) {
            if (request.rfind("GET /cgi/version.pl?version&", 0) == 0)
                SendAll(fd, Response(200, "OK|Vandrax|1.0|600|a1b2c3d4e5|2026-01-01T00:00:00Z"));
            else if (request.rfind("GET /cgi/version.pl?hs&", 0) == 0)
                SendAll(fd, Response(200, "OK"));
            else
                SendAll(fd, Response(c.uploadStatus, c.uploadStatus == 200 ? "{\"verified\": null}" : "no"));
        });
        Simulator sim;
        const json state = sim.Run(kSendScore, 8700, "--play 1 --score-server " + server.Base());
        EXPECT_EQ(state["ScreenState"], 7);
        EXPECT_EQ(state["messages"].size(), 0u) << state["messages"];
        const std::vector<std::string> requests = server.Requests();
        ASSERT_EQ(requests.size(), 3u) << "nothing tried again";
        const std::string& upload = requests[2];
        EXPECT_EQ(upload.rfind("POST /api/replays?token=a1b2c3d4e5 HTTP/1.1\r\n", 0), 0u)
            << upload.substr(0, 200);
        EXPECT_NE(upload.find("\r\nContent-Type: application/octet-stream\r\n"), std::string::npos);
        const std::string kept = state["tableReplays"][1];
        ASSERT_NE(kept, "");
        std::ifstream file(sim.work.Path() / "home" / "replays" / kept, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), {});
        ASSERT_GT(bytes.size(), 8u);
        EXPECT_EQ(bytes.compare(0, 8, "VANDRAXR"), 0);
        EXPECT_TRUE(upload.compare(upload.find("\r\n\r\n") + 4, std::string::npos, bytes) == 0)
            << "the body is the kept file, byte for byte";
        EXPECT_EQ(state["httpRequests"][2]["outcome"], c.uploadStatus == 200 ? "ok" : "http-error");
    }
}

// The autopilot plays to its game over and, with a score server to send to, ticks the send box
// before its name: the score and the game's replay go up, the replay the one it kept.
TEST(ScoreScenario, TheAutopilotSendsItsScoreAndItsGame) {
    LocalServer server([&](int fd, const std::string& request, const LocalServer&) {
        if (request.rfind("GET /cgi/version.pl?version&", 0) == 0)
            SendAll(fd, Response(200, "OK|Vandrax|1.0|600|f00d|2026-01-01T00:00:00Z"));
        else
            SendAll(fd, Response(200, "OK"));
    });
    Simulator sim;
    const json state = sim.Run("", 116000, "--play 1 --autopilot --score-server " + server.Base());
    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].rfind("GET /cgi/version.pl?hs&prg=Vandrax&inf=", 0), 0u);
    EXPECT_EQ(requests[2].rfind("POST /api/replays?token=f00d ", 0), 0u);
    std::string kept;
    for (size_t row = 0; row < state["highScores"].size(); ++row)
        if (state["highScores"][row]["name"] == "Autopilot") kept = state["tableReplays"][row];
    ASSERT_NE(kept.find(".table-"), std::string::npos) << state["tableReplays"];
    std::ifstream file(sim.work.Path() / "home" / "replays" / kept, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), {});
    EXPECT_TRUE(requests[2].compare(requests[2].find("\r\n\r\n") + 4, std::string::npos, bytes) == 0);
}

TEST(ScoreScenario, WithNoServerThePlayerIsToldAndTheGameGoesOn) {
    // A port nobody listens on.
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    Simulator sim;
    const std::string server = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    const json state = sim.Run(kSendScore, 8700, "--play 1 --score-server " + server);
    EXPECT_EQ(state["ScreenState"], 7);
    EXPECT_EQ(state["highScores"][1]["name"], "Rex");
    EXPECT_EQ(state["messages"], json::array({"Can't connect to server!"}));
    ASSERT_EQ(state["httpRequests"].size(), 1u);
    EXPECT_EQ(state["httpRequests"][0]["outcome"], "no-connection");
}

TEST(ScoreScenario, WithoutAServerOptionTheSimulatorSendsNothingAnywhere) {
    Simulator sim;
    const json state = sim.Run(kSendScore, 8700, "--play 1");
    EXPECT_EQ(state["ScreenState"], 7);
    EXPECT_EQ(state["messages"], json::array({"Can't connect to server!"}));
    ASSERT_EQ(state["httpRequests"].size(), 1u);
    EXPECT_EQ(state["httpRequests"][0]["outcome"], "no-connection");
    EXPECT_EQ(state["httpRequests"][0]["url"], "http://localhost:8642/cgi/version.pl?version&prg=Vandrax");
}

TEST(ScoreScenario, AServerThatNeverAnswersHoldsTheGameNoLongerThanTheBound) {
    // A listening socket that is never served: the connection is taken, no answer ever comes.
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(fd, 4);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    Simulator sim;
    const auto start = std::chrono::steady_clock::now();
    const json state =
        sim.Run(kSendScore, 8700,
                "--play 1 --score-server http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    close(fd);
    EXPECT_EQ(state["ScreenState"], 7);
    EXPECT_EQ(state["messages"], json::array({"Can't connect to server!"}));
    ASSERT_EQ(state["httpRequests"].size(), 1u);
    EXPECT_EQ(state["httpRequests"][0]["outcome"], "timed-out");
    // The request's own 6 s plus the simulator's run.
    EXPECT_GE(seconds, kHttpRequestTimeoutMs / 1000.0);
    EXPECT_LT(seconds, kHttpRequestTimeoutMs / 1000.0 + 20);
}

}  // namespace
