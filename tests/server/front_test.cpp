// The HTTP front's own handling of requests, on the real server: kept-alive and pipelined
// requests, HEAD, HTTP/1.0, and the requests it refuses before any answer is worked out.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "server_harness.h"

namespace {

// Sends the bytes on a fresh connection and reads until the server closes it (at most 5 s).
std::string Exchange(int port, const std::string& bytes) {
    const int sock = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string answer;
    if (connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        send(sock, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size())) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{sock, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            char buffer[4096];
            const ssize_t n = recv(sock, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            answer.append(buffer, static_cast<size_t>(n));
        }
    }
    close(sock);
    return answer;
}

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

const std::string kVersion = "/cgi/version.pl?version&prg=Vandrax";

}  // namespace

TEST(HttpFront, RequestsOnOneConnection) {
    ScratchFolder folder;
    ServerProcess server({"--db", "sqlite:" + folder.path() + "/scores.db"});
    ASSERT_TRUE(server.running());

    // Three requests sent at once: three answers in order; the last asked to close.
    const std::string three =
        Exchange(server.port(), "GET " + kVersion + " HTTP/1.1\r\nHost: a\r\n\r\n" + "HEAD " + kVersion +
                                    " HTTP/1.1\r\nHost: a\r\n\r\n" +
                                    "GET /nowhere HTTP/1.1\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(Count(three, "HTTP/1.1 "), 3u) << three;
    EXPECT_EQ(three.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    const size_t head = three.find("HTTP/1.1 200", 1);
    const size_t missing = three.find("HTTP/1.1 404");
    ASSERT_NE(head, std::string::npos);
    ASSERT_NE(missing, std::string::npos);
    // HEAD: the length of the answer, and no body before the next answer.
    EXPECT_NE(three.substr(head, missing - head).find("Content-Length: "), std::string::npos);
    EXPECT_EQ(three.substr(head, missing - head).find("OK|Vandrax"), std::string::npos);
    EXPECT_NE(three.find("Connection: close", missing), std::string::npos);

    // HTTP/1.0 closes after one answer unless it asks to keep the connection.
    EXPECT_EQ(Count(Exchange(server.port(),
                             "GET " + kVersion + " HTTP/1.0\r\n\r\nGET " + kVersion + " HTTP/1.0\r\n\r\n"),
                    "HTTP/1.1 200"),
              1u);
    const std::string kept =
        Exchange(server.port(), "GET " + kVersion + " HTTP/1.0\r\nConnection: keep-alive\r\n\r\nGET " +
                                    kVersion + " HTTP/1.0\r\n\r\n");
    EXPECT_EQ(Count(kept, "HTTP/1.1 200"), 2u) << kept;
    EXPECT_NE(kept.find("Connection: keep-alive"), std::string::npos);
}

TEST(HttpFront, RequestsItWillNotTake) {
    ScratchFolder folder;
    ServerProcess server({"--db", "sqlite:" + folder.path() + "/scores.db"});
    ASSERT_TRUE(server.running());
    const struct {
        std::string what;
        std::string request;
        std::string status;
    } cases[] = {
        {"a body over 4 KiB", "POST / HTTP/1.1\r\nContent-Length: 5000\r\n\r\n", "413"},
        {"a replay's body anywhere but the replay route",
         "GET /api/scores HTTP/1.1\r\nContent-Length: 5000\r\n\r\n", "413"},
        {"a body over 1 MiB on the replay route",
         "POST /api/replays?token=x HTTP/1.1\r\nContent-Length: 1048577\r\n\r\n", "413"},
        {"a chunked body", "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n", "501"},
        {"a length that is no number", "GET / HTTP/1.1\r\nContent-Length: 1x\r\n\r\n", "400"},
        {"a header without a colon", "GET / HTTP/1.1\r\nNoColon\r\n\r\n", "400"},
        {"no HTTP version", "GET /\r\n\r\n", "400"},
        {"HTTP/2 in plain text", "GET / HTTP/2.0\r\n\r\n", "505"},
        {"another method", "DELETE /api/scores HTTP/1.1\r\nConnection: close\r\n\r\n", "405"},
        {"a target over 4 KiB", "GET /" + std::string(5000, 'a') + " HTTP/1.1\r\nConnection: close\r\n\r\n",
         "414"},
        {"a request line over 8 KiB", "GET /" + std::string(9000, 'a') + " HTTP/1.1\r\n\r\n", "414"},
    };
    for (const auto& c : cases) {
        const std::string answer = Exchange(server.port(), c.request);
        EXPECT_EQ(answer.substr(0, 12), "HTTP/1.1 " + c.status) << c.what << ": " << answer.substr(0, 60);
    }
    // A body within the limit is read and the request answered.
    EXPECT_EQ(Exchange(server.port(),
                       "GET " + kVersion + " HTTP/1.1\r\nContent-Length: 3\r\nConnection: close\r\n\r\nabc")
                  .substr(0, 12),
              "HTTP/1.1 200");
}

namespace {

int Connect(int port) {
    const int sock = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(sock);
        return -1;
    }
    return sock;
}

// What comes within the time, or until the server closes.
std::string ReadFor(int sock, std::chrono::milliseconds time) {
    std::string answer;
    const auto deadline = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{sock, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0) continue;
        char buffer[4096];
        const ssize_t n = recv(sock, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        answer.append(buffer, static_cast<size_t>(n));
    }
    return answer;
}

}  // namespace

// The replay route takes a body of up to 1 MiB; its refusals are JSON like its answers; a client
// that asks before sending its body is told to go on; and only so many large bodies come at once.
TEST(HttpFront, TheReplayRouteTakesLargeBodies) {
    ScratchFolder folder;
    ServerProcess server({"--db", "sqlite:" + folder.path() + "/scores.db"});
    ASSERT_TRUE(server.running());
    const std::string tooLarge =
        Exchange(server.port(), "POST /api/replays?token=x HTTP/1.1\r\nContent-Length: 1048577\r\n\r\n");
    EXPECT_EQ(tooLarge.substr(0, 12), "HTTP/1.1 413");
    EXPECT_NE(tooLarge.find("Content-Type: application/json"), std::string::npos);
    EXPECT_NE(tooLarge.find("\r\n\r\n{\"verified\":false,\"reason\":\"body over 1024 KiB\"}"),
              std::string::npos)
        << tooLarge;
    // A whole MiB is read and answered by the handler: the token is no good (or, on a server without
    // the game's data, nothing can be checked), which only the handler can say.
    auto handlerAnswered = [](const std::string& answer) {
        return answer.rfind("HTTP/1.1 403", 0) == 0
                   ? answer.find("unknown token") != std::string::npos
                   : answer.find("cannot check replays") != std::string::npos;
    };
    const std::string whole = Exchange(server.port(),
                                       "POST /api/replays?token=x HTTP/1.1\r\nContent-Length: 1048576\r\n"
                                       "Connection: close\r\n\r\n" +
                                           std::string(1u << 20, 'r'));
    EXPECT_TRUE(handlerAnswered(whole)) << whole.substr(0, 200);

    const int asking = Connect(server.port());
    ASSERT_GE(asking, 0);
    const std::string head =
        "POST /api/replays?token=x HTTP/1.1\r\nContent-Length: 5\r\nExpect: 100-continue\r\n\r\n";
    ASSERT_EQ(send(asking, head.data(), head.size(), MSG_NOSIGNAL), static_cast<ssize_t>(head.size()));
    EXPECT_EQ(ReadFor(asking, std::chrono::milliseconds(500)), "HTTP/1.1 100 Continue\r\n\r\n");
    ASSERT_EQ(send(asking, "hello", 5, MSG_NOSIGNAL), 5);
    EXPECT_TRUE(handlerAnswered(ReadFor(asking, std::chrono::milliseconds(500))));
    close(asking);

    // Sixteen uploads that send their heads and then dawdle hold every large-body place.
    std::vector<int> dawdlers;
    const std::string large = "POST /api/replays?token=x HTTP/1.1\r\nContent-Length: 500000\r\n\r\n";
    for (int i = 0; i < 16; ++i) {
        dawdlers.push_back(Connect(server.port()));
        ASSERT_GE(dawdlers.back(), 0);
        ASSERT_EQ(send(dawdlers.back(), large.data(), large.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(large.size()));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(Exchange(server.port(), large).substr(0, 12), "HTTP/1.1 503");
    // Small bodies and other requests still go in.
    EXPECT_TRUE(handlerAnswered(Exchange(server.port(),
                                         "POST /api/replays?token=x HTTP/1.1\r\nContent-Length: 3\r\n"
                                         "Connection: close\r\n\r\nabc")));
    // A place is given back when its upload goes away.
    close(dawdlers.back());
    dawdlers.pop_back();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const int another = Connect(server.port());
    ASSERT_EQ(send(another, large.data(), large.size(), MSG_NOSIGNAL), static_cast<ssize_t>(large.size()));
    EXPECT_EQ(ReadFor(another, std::chrono::milliseconds(300)), "");  // taken: waits for its body
    close(another);
    for (int sock : dawdlers) close(sock);
}
