// The HTTP front's own handling of requests, on the real server: kept-alive and pipelined
// requests, HEAD, HTTP/1.0, and the requests it refuses before any answer is worked out.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

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
