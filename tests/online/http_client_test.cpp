// The libcurl client against small servers on this machine's loopback: what it sends, how each
// kind of answer comes back, cookies, and the bounds on a server that never finishes.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/game_state.h"
#include "app/text_codec.h"
#include "online/score_submission.h"
#include "platform/fake/fakes.h"
#include "platform/sdl/curl_http.h"

namespace {

using Clock = std::chrono::steady_clock;

bool SendAll(int fd, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

std::string Response(int status, const std::string& body, const std::string& extraHeaders = "") {
    return "HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n" + extraHeaders + "\r\n" + body;
}

// Accepts connections on 127.0.0.1 and hands each request to the test's handler, one after the
// other. The handler gets the request's head and the socket; `Stopping` tells it to give up.
class LocalServer {
public:
    using Handler = std::function<void(int fd, const std::string& head, const LocalServer& server)>;

    explicit LocalServer(Handler handler) : handler_(std::move(handler)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 8);
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~LocalServer() {
        stopping_ = true;
        thread_.join();
        ::close(listener_);
    }
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }
    bool Stopping() const { return stopping_; }
    std::vector<std::string> Requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

private:
    void Serve() {
        while (!stopping_) {
            pollfd waiting{listener_, POLLIN, 0};
            if (::poll(&waiting, 1, 50) <= 0) continue;
            const int fd = ::accept(listener_, nullptr, nullptr);
            if (fd < 0) continue;
            std::string head;
            char buffer[4096];
            while (head.find("\r\n\r\n") == std::string::npos && !stopping_) {
                pollfd readable{fd, POLLIN, 0};
                if (::poll(&readable, 1, 50) <= 0) continue;
                const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
                if (n <= 0) break;
                head.append(buffer, static_cast<size_t>(n));
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                requests_.push_back(head);
            }
            handler_(fd, head, *this);
            ::close(fd);
        }
    }

    Handler handler_;
    int listener_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
};

// Holds the connection open, saying nothing, until the test ends.
void NeverAnswer(int, const std::string&, const LocalServer& server) {
    while (!server.Stopping()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(CurlHttpClient, SendsTheScoreQueriesWithTheGamesHeaders) {
    int served = 0;
    LocalServer server([&](int fd, const std::string&, const LocalServer&) {
        SendAll(fd, Response(200, served++ == 0 ? "OK|1.0|a|b|tok|z" : "stored"));
    });
    CurlHttpClient http;
    EXPECT_EQ(SendScore(http, server.Base(), "Anna", 1234, "Peru"), SubmitResult::Sent);
    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].rfind("GET /cgi/version.pl?version&prg=Vandrax HTTP/1.1\r\n", 0), 0u)
        << requests[0];
    for (const std::string& request : requests) {
        EXPECT_NE(request.find("\r\nAccept: text/html, */*\r\n"), std::string::npos) << request;
        EXPECT_NE(request.find("\r\nContent-Type: text/html\r\n"), std::string::npos) << request;
        EXPECT_NE(request.find("\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"),
                  std::string::npos)
            << request;
    }
    const std::string prefix = "GET /cgi/version.pl?hs&prg=Vandrax&inf=";
    ASSERT_EQ(requests[1].rfind(prefix, 0), 0u) << requests[1];
    const std::string symbols =
        requests[1].substr(prefix.size(), requests[1].find(' ', prefix.size()) - prefix.size());
    EXPECT_EQ(DecodeText(symbols), "type=0|name=Anna|score=1234|key=1|p=tok|add=Peru|z=0000");
}

TEST(CurlHttpClient, EachKindOfAnswer) {
    using Outcome = HttpAnswer::Outcome;
    struct Case {
        const char* what;
        std::string response;
        Outcome outcome;
        size_t bodySize;
    };
    const std::string limit(kHttpAnswerLimit, 'a');
    std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
    for (int i = 0; i < 25; ++i) chunked += "1000\r\n" + std::string(0x1000, 'c') + "\r\n";
    chunked += "0\r\n\r\n";
    const Case cases[] = {
        {"a plain answer", Response(200, "OK|x"), Outcome::Ok, 4},
        {"an answer of exactly the limit", Response(200, limit), Outcome::Ok, kHttpAnswerLimit},
        {"an announced answer past the limit", Response(200, limit + "b"), Outcome::TooLarge, 0},
        {"an unannounced answer past the limit",
         "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + limit + limit, Outcome::TooLarge, kHttpAnswerLimit},
        {"a chunked answer past the limit", chunked, Outcome::TooLarge, kHttpAnswerLimit},
        {"not found", Response(404, "OK|but not really"), Outcome::HttpError, 17},
        {"a redirect is not followed", Response(302, "", "Location: http://127.0.0.1:1/\r\n"),
         Outcome::HttpError, 0},
        {"garbage instead of HTTP", "this is no HTTP\r\n\r\n", Outcome::Failed, 0},
    };
    for (const Case& c : cases) {
        LocalServer server([&](int fd, const std::string&, const LocalServer&) { SendAll(fd, c.response); });
        CurlHttpClient http;
        const HttpAnswer answer = http.Get(server.Base() + "/x", {});
        EXPECT_EQ(answer.outcome, c.outcome) << c.what << ": " << answer.detail;
        if (c.bodySize != 0) {
            EXPECT_EQ(answer.body.size(), c.bodySize) << c.what;
        }
        EXPECT_LE(answer.body.size(), kHttpAnswerLimit) << c.what;
    }
}

TEST(CurlHttpClient, NoServerIsNoConnection) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);  // the port is free again: nobody listens there
    CurlHttpClient http;
    const auto start = Clock::now();
    const HttpAnswer answer =
        http.Get("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/", {});
    EXPECT_EQ(answer.outcome, HttpAnswer::Outcome::NoConnection) << answer.detail;
    EXPECT_LT(SecondsSince(start), 1.0);
}

TEST(CurlHttpClient, CookiesCarryToTheNextRequest) {
    int served = 0;
    LocalServer server([&](int fd, const std::string&, const LocalServer&) {
        SendAll(fd, served++ == 0 ? Response(200, "OK", "Set-Cookie: visit=42; Path=/\r\n")
                                  : Response(200, "again"));
    });
    CurlHttpClient http;
    EXPECT_TRUE(http.Get(server.Base() + "/first", {}).Ok());
    EXPECT_TRUE(http.Get(server.Base() + "/second", {}).Ok());
    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].find("Cookie:"), std::string::npos);
    EXPECT_NE(requests[1].find("\r\nCookie: visit=42\r\n"), std::string::npos) << requests[1];
}

TEST(CurlHttpClient, AHeaderWithALineBreakSendsNothing) {
    LocalServer server(
        [](int fd, const std::string&, const LocalServer&) { SendAll(fd, Response(200, "OK")); });
    CurlHttpClient http;
    const HttpAnswer answer = http.Get(server.Base() + "/", {{"Accept", "text/html\r\nX-Evil: 1"}});
    EXPECT_FALSE(answer.Ok());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(server.Requests().empty());
}

// The game waits on the server with everything stopped, so a server that takes the connection
// and then never finishes must not hold it longer than the request bound.
TEST(CurlHttpClient, AServerThatNeverAnswersIsLeftWithinTheBound) {
    LocalServer silent(NeverAnswer);
    CurlHttpClient http;
    auto start = Clock::now();
    HttpAnswer answer = http.Get(silent.Base() + "/cgi/version.pl?version&prg=Vandrax", {});
    double seconds = SecondsSince(start);
    EXPECT_EQ(answer.outcome, HttpAnswer::Outcome::TimedOut) << answer.detail;
    EXPECT_GE(seconds, kHttpRequestTimeoutMs / 1000.0 - 0.5);
    EXPECT_LT(seconds, kHttpRequestTimeoutMs / 1000.0 + 1.5);

    // A server that keeps dripping a byte at a time is held to the same bound.
    LocalServer dripping([](int fd, const std::string&, const LocalServer& server) {
        SendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n");
        while (!server.Stopping() && SendAll(fd, "x"))
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
    });
    CurlHttpClient::Limits limits;
    limits.requestMs = 1500;
    CurlHttpClient quick(limits);
    start = Clock::now();
    answer = quick.Get(dripping.Base() + "/", {});
    seconds = SecondsSince(start);
    EXPECT_EQ(answer.outcome, HttpAnswer::Outcome::TimedOut) << answer.detail;
    EXPECT_LT(seconds, 3.0);
}

TEST(CurlHttpClient, AServerThatNeverAnswersTheVersionQueryIsCannotConnect) {
    LocalServer silent(NeverAnswer);
    CurlHttpClient::Limits limits;
    limits.requestMs = 1000;
    CurlHttpClient http(limits);
    const auto start = Clock::now();
    EXPECT_EQ(SendScore(http, silent.Base(), "Anna", 1, ""), SubmitResult::CannotConnect);
    EXPECT_LT(SecondsSince(start), 2.5);
    EXPECT_EQ(silent.Requests().size(), 1u);
}

// A server that takes 5.5 s over each answer, or drips the version answer a byte at a time:
// the player is back within the one bound of the whole exchange, told "Can't connect to server!"
// only when the version answer did not come.
TEST(CurlHttpClient, TheWholeScoreExchangeEndsWithinItsBound) {
    struct Case {
        const char* what;
        std::function<void(int, const std::string&, const LocalServer&)> serve;
        size_t messages;
    };
    const auto slowly = [](int fd, const std::string&, const LocalServer& server) {
        const auto due = Clock::now() + std::chrono::milliseconds(5500);
        while (!server.Stopping() && Clock::now() < due)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        SendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: 12\r\n\r\nOK|1|2|3|4|5");
    };
    const auto dripping = [](int fd, const std::string&, const LocalServer& server) {
        SendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nOK|1|2|3|4|");
        while (!server.Stopping() && SendAll(fd, "x"))
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
    };
    const Case cases[] = {{"5.5 s an answer", slowly, 0}, {"a dripped version answer", dripping, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LocalServer server(c.serve);
        CurlHttpClient http;
        FakeWindow window;
        GameState state;
        const auto start = Clock::now();
        EXPECT_EQ(SubmitScore(http, window, server.Base(), state),
                  c.messages == 0 ? SubmitResult::Sent : SubmitResult::CannotConnect);
        const double seconds = SecondsSince(start);
        EXPECT_LT(seconds, kScoreExchangeMs / 1000.0 + 0.5);
        EXPECT_GE(seconds, kScoreExchangeMs / 1000.0 - 0.5);
        EXPECT_EQ(window.messages.size(), c.messages);
    }
}

}  // namespace
