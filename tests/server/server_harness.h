#pragma once
// What the server suites share: a scratch folder, the game's way of writing a score query, the
// real vandrax-scored run as a child process, and the databases to run it on.

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "score_store.h"

// A folder of its own under the temporary folder, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The result record as the game writes it (fields in order, filled with "0" to a multiple of 5),
// encoded with the game's own EncodeText, ready for "inf=".
std::string GameRecord(const std::string& name, const std::string& score, const std::string& token,
                       const std::string& country, const std::string& key = "V");

// The fifth "|" field of a version answer, taken the way the game takes it.
std::string TokenOf(const std::string& versionAnswer);

// A database for one test: the URL the server is given. The back end owns whatever it made.
class TestDatabase {
public:
    virtual ~TestDatabase() = default;
    virtual std::string url() const = 0;
};

// Makes a fresh, empty database; one factory a back end.
using DatabaseFactory = std::function<std::unique_ptr<TestDatabase>()>;
struct Backend {
    std::string name;
    DatabaseFactory make;
    // Empty when the back end can run here; otherwise why not (the tests then skip).
    std::function<std::string()> unavailable;
    int schemaVersion = 0;  // where its migrations end
};
// Test names and messages show the back end by name.
inline void PrintTo(const Backend& backend, std::ostream* out) {
    *out << backend.name;
}
Backend SqliteBackend();
Backend PostgresBackend();  // needs the PG* variables of pg_virtualenv

// vandrax-scored run as a child on 127.0.0.1 and any free port, its stderr kept in a file.
class ServerProcess {
public:
    explicit ServerProcess(std::vector<std::string> args);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    bool running() const { return port_ > 0; }
    int port() const { return port_; }
    pid_t pid() const { return pid_; }
    std::string url(const std::string& target) const;

    // The log so far, one entry a line.
    std::vector<std::string> LogLines() const;
    // Waits (up to 5 s) until the log has at least n lines; returns the lines.
    std::vector<std::string> WaitForLogLines(size_t n) const;

    // Sends SIGTERM and waits; returns the exit status, or -1 if it did not end within 15 s.
    int Terminate() {
        SendTerm();
        return Wait();
    }
    void SendTerm();
    int Wait();

private:
    ScratchFolder folder_;
    pid_t pid_ = -1;
    int port_ = -1;
    std::string logPath_;
};

// Plain HTTP GET on 127.0.0.1; status -1 when there was no answer.
struct HttpAnswer {
    int status = -1;
    std::string body;
    std::string contentType;
};
HttpAnswer HttpGet(int port, const std::string& target);
// Plain HTTP POST of a body on 127.0.0.1.
HttpAnswer HttpPost(int port, const std::string& target, const std::string& body,
                    const std::string& contentType = "application/octet-stream");

// The game's data the tests play on: $VANDRAX_TEST_DATA, else the build's own tree. Every server
// a test starts is given it unless the test names its own --data.
std::string TestDataDir();
// Empty when the data is there; otherwise why the tests that play games skip.
std::string NoGameData();

// A real replay: the game the simulator's bot plays first, recorded by vandrax-sim on the build's
// data (made once for the whole test program). Empty when the simulator could not make one.
const std::string& RecordedReplay();

// The recorded replay with one input event changed (the arrow keys held from one moment on swapped
// for their opposites) so that the game, played from it, ends elsewhere: the file and the score vandrax-sim
// --replay plays it to. Empty file when no such change was found.
struct EditedReplay {
    std::string file;
    int64_t playedScore = 0;
};
const EditedReplay& OneEventChanged();
