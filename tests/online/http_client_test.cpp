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
#include "local_server.h"
#include "online/score_submission.h"
#include "platform/fake/fakes.h"
#include "platform/sdl/curl_http.h"

namespace {

using Clock = std::chrono::steady_clock;

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

// A POST carries its body byte for byte, whatever its size (none at all, past the size where curl
// would wait for a go-ahead), and the handle goes back to GET for the next request.
TEST(CurlHttpClient, APostCarriesItsBodyWholeAndTheNextRequestIsAGetAgain) {
    for (const size_t size : {size_t{0}, size_t{1}, size_t{70000}, size_t{1500000}}) {
        SCOPED_TRACE(size);
        std::vector<uint8_t> body(size);
        for (size_t i = 0; i < size; ++i) body[i] = static_cast<uint8_t>((i * 7919) >> 3);
        LocalServer server(
            [](int fd, const std::string&, const LocalServer&) { SendAll(fd, Response(200, "{}")); });
        CurlHttpClient http;
        const HttpAnswer answer = http.Post(server.Base() + "/api/replays?token=abc",
                                            {{"Content-Type", "application/octet-stream"}}, body, 6000);
        EXPECT_TRUE(answer.Ok()) << answer.detail;
        EXPECT_EQ(answer.body, "{}");
        EXPECT_TRUE(http.Get(server.Base() + "/after", {}).Ok());
        const std::vector<std::string> requests = server.Requests();
        ASSERT_EQ(requests.size(), 2u);
        const std::string& post = requests[0];
        EXPECT_EQ(post.rfind("POST /api/replays?token=abc HTTP/1.1\r\n", 0), 0u) << post.substr(0, 200);
        EXPECT_NE(post.find("\r\nContent-Type: application/octet-stream\r\n"), std::string::npos);
        EXPECT_NE(post.find("\r\nContent-Length: " + std::to_string(size) + "\r\n"), std::string::npos);
        EXPECT_EQ(post.find("\r\nExpect:"), std::string::npos);
        const size_t end = post.find("\r\n\r\n");
        ASSERT_NE(end, std::string::npos);
        EXPECT_TRUE(post.compare(end + 4, std::string::npos, std::string(body.begin(), body.end())) == 0);
        EXPECT_EQ(requests[1].rfind("GET /after HTTP/1.1\r\n", 0), 0u) << requests[1].substr(0, 200);
    }
}

TEST(CurlHttpClient, APostToAServerThatNeverAnswersIsLeftWithinItsBound) {
    LocalServer silent(NeverAnswer);
    CurlHttpClient http;
    const std::vector<uint8_t> body(1000, 1);
    const auto start = Clock::now();
    const HttpAnswer answer = http.Post(silent.Base() + "/api/replays?token=t", {}, body, 1500);
    EXPECT_EQ(answer.outcome, HttpAnswer::Outcome::TimedOut) << answer.detail;
    EXPECT_LT(SecondsSince(start), 2.5);
    // No time left: nothing is sent.
    EXPECT_EQ(http.Post(silent.Base() + "/", {}, body, 0).outcome, HttpAnswer::Outcome::TimedOut);
    EXPECT_EQ(silent.Requests().size(), 1u);
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
