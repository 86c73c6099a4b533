#include "server_harness.h"

#include <fcntl.h>
#include <httplib.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pqxx/pqxx>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "app/replay.h"
#include "app/text_codec.h"

extern char** environ;

ScratchFolder::ScratchFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vandrax-scored-test.XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string GameRecord(const std::string& name, const std::string& score, const std::string& token,
                       const std::string& country, const std::string& key) {
    std::string record =
        "type=0|name=" + name + "|score=" + score + "|key=" + key + "|p=" + token + "|add=" + country + "|z=";
    while (record.size() % 5 != 0) record += "0";
    return EncodeText(record);
}

std::string TokenOf(const std::string& versionAnswer) {
    std::string rest = versionAnswer;
    std::string field;
    for (int i = 0; i < 5; ++i) {
        const size_t bar = rest.find('|');
        if (bar == std::string::npos) {
            field.clear();
        } else {
            field = rest.substr(0, bar);
            rest = rest.substr(bar + 1);
        }
    }
    return field;
}

namespace {

class SqliteDatabase final : public TestDatabase {
public:
    std::string url() const override { return "sqlite:" + folder_.path() + "/db/scores.db"; }

private:
    ScratchFolder folder_;
};

// The server pg_virtualenv started; PG* variables say where.
std::string PostgresBase() {
    auto env = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    };
    return "postgresql://" + env("PGUSER") + ":" + env("PGPASSWORD") + "@" + env("PGHOST") + ":" +
           env("PGPORT");
}

// A database of its own for each test, dropped afterwards.
class PostgresDatabase final : public TestDatabase {
public:
    PostgresDatabase() {
        static std::atomic<int> counter{0};
        name_ = "vandrax_test_" + std::to_string(getpid()) + "_" + std::to_string(counter++);
        pqxx::connection admin(PostgresBase() + "/postgres");
        pqxx::nontransaction work(admin);
        work.exec("CREATE DATABASE " + name_);
    }
    ~PostgresDatabase() override {
        try {
            pqxx::connection admin(PostgresBase() + "/postgres");
            pqxx::nontransaction work(admin);
            work.exec("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
        } catch (const std::exception&) {
            // The cluster is thrown away with the run anyway.
        }
    }
    std::string url() const override { return PostgresBase() + "/" + name_; }

private:
    std::string name_;
};

}  // namespace

Backend SqliteBackend() {
    return {"SQLite", [] { return std::make_unique<SqliteDatabase>(); }, [] { return std::string(); }, 3};
}

Backend PostgresBackend() {
    return {"PostgreSQL", [] { return std::make_unique<PostgresDatabase>(); },
            [] {
                const char* host = std::getenv("PGHOST");
                return host && *host ? std::string()
                                     : std::string("PostgreSQL is not installed (no pg_virtualenv): skipped");
            },
            4};
}

ServerProcess::ServerProcess(std::vector<std::string> args) {
    logPath_ = folder_.path() + "/stderr.log";
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, 2, logPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> all = {VANDRAX_SCORED_PATH, "--listen", "127.0.0.1:0"};
    if (std::find(args.begin(), args.end(), "--data") == args.end()) {
        all.push_back("--data");
        all.push_back(TestDataDir());
    }
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid_, VANDRAX_SCORED_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        close(out[0]);
        pid_ = -1;
        return;
    }
    // The first line says where it listens: "vandrax-scored: listening on 127.0.0.1:PORT".
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
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

ServerProcess::~ServerProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

std::string ServerProcess::url(const std::string& target) const {
    return "http://127.0.0.1:" + std::to_string(port_) + target;
}

std::vector<std::string> ServerProcess::LogLines() const {
    std::ifstream in(logPath_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> ServerProcess::WaitForLogLines(size_t n) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    auto lines = LogLines();
    while (lines.size() < n && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        lines = LogLines();
    }
    return lines;
}

void ServerProcess::SendTerm() {
    if (pid_ > 0) kill(pid_, SIGTERM);
}

int ServerProcess::Wait() {
    if (pid_ <= 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

HttpAnswer HttpGet(int port, const std::string& target) {
    httplib::Client client("127.0.0.1", port);
    client.set_connection_timeout(5, 0);
    client.set_read_timeout(10, 0);
    client.set_url_encode(false);  // the target goes out exactly as written
    HttpAnswer answer;
    if (auto result = client.Get(target.c_str())) {
        answer.status = result->status;
        answer.body = result->body;
        answer.contentType = result->get_header_value("Content-Type");
    }
    return answer;
}

HttpAnswer HttpPost(int port, const std::string& target, const std::string& body,
                    const std::string& contentType) {
    httplib::Client client("127.0.0.1", port);
    client.set_connection_timeout(5, 0);
    client.set_read_timeout(10, 0);
    client.set_url_encode(false);
    HttpAnswer answer;
    if (auto result = client.Post(target.c_str(), body, contentType.c_str())) {
        answer.status = result->status;
        answer.body = result->body;
        answer.contentType = result->get_header_value("Content-Type");
    }
    return answer;
}

std::string TestDataDir() {
    const char* given = std::getenv("VANDRAX_TEST_DATA");
    return given && *given ? given : VANDRAX_DATA_DIR;
}

std::string NoGameData() {
    if (std::filesystem::is_regular_file(TestDataDir() + "/Data/GraphicsMain.dxg")) return {};
    return "no game data in " + TestDataDir() + " (set VANDRAX_TEST_DATA to a build folder holding Data/)";
}

const std::string& RecordedReplay() {
    static const std::string replay = [] {
        static ScratchFolder folder;
        const std::string file = folder.path() + "/game.vxr";
        // A minute of the bot's play: its first game, to its game over or to the minute's end.
        const std::string command = std::string(VANDRAX_SIM_PATH) + " --data " + TestDataDir() + " --home " +
                                    folder.path() + " --record " + file +
                                    " --play 1 --autopilot --until-ms 60000 >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) return std::string();
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    return replay;
}

namespace {

// The score vandrax-sim --replay plays a replay file to; -1 when it could not.
int64_t SimPlays(const std::string& file) {
    const std::string command =
        std::string(VANDRAX_SIM_PATH) + " --data " + TestDataDir() + " --replay " + file + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    std::string out;
    char buffer[512];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    pclose(pipe);
    const size_t at = out.find("\"score\":");
    return at == std::string::npos ? -1 : std::atoll(out.c_str() + at + 8);
}

}  // namespace

const EditedReplay& OneEventChanged() {
    static const EditedReplay edited = [] {
        EditedReplay result;
        const std::string& original = RecordedReplay();
        if (original.empty()) return result;
        const Replay replay =
            DecodeReplay(std::span(reinterpret_cast<const uint8_t*>(original.data()), original.size()));
        static ScratchFolder folder;
        const std::string file = folder.path() + "/edited.vxr";
        const std::pair<size_t, size_t> opposites[] = {{37, 39}, {38, 40}};  // left/right, up/down
        int tries = 0;
        for (size_t i = 0; i < replay.steps.size() && tries < 30; ++i) {
            // The keys the player held from one moment on: each arrow held becomes its opposite.
            const ReplayStep& step = replay.steps[i];
            if (step.kind != ReplayStep::Kind::Keys) continue;
            std::bitset<256> keys = step.keys;
            for (const auto& [a, b] : opposites) {
                const bool held = keys[a];
                keys[a] = keys[b];
                keys[b] = held;
            }
            if (keys == step.keys) continue;
            ++tries;
            Replay changed = replay;
            changed.steps[i].keys = keys;
            WriteReplayFile(file, changed);
            const int64_t played = SimPlays(file);
            if (played >= 0 && played != replay.end.score) {
                std::ifstream in(file, std::ios::binary);
                result.file.assign(std::istreambuf_iterator<char>(in), {});
                result.playedScore = played;
                break;
            }
        }
        return result;
    }();
    return edited;
}
