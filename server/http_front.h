#pragma once
// The server's own HTTP/1.1 front: one event thread (epoll) reads whole requests and writes the
// answers, a few worker threads run the handler. A client is held to deadlines for a whole
// request, not for each read, and to caps on header bytes, header count, body size and open
// connections per address, so slow or greedy clients cost a socket and a small buffer each and
// never a worker. Range is not looked at: every answer is the whole thing.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct HttpRequest {
    std::string method;
    std::string target;   // as sent: path and query
    std::string path;     // the target up to '?'
    std::string address;  // the client's address
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
};

struct HttpResponse {
    int status = 200;
    std::string contentType = "text/plain; charset=utf-8";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;  // besides type, length and connection
    std::string logNote;  // why it was refused, or what was done, for the log; empty: nothing to say
};

struct HttpFrontLimits {
    // The request line and headers must be in within this time of the connection's start (or of
    // the first byte of a request on a kept-alive connection).
    std::chrono::milliseconds headDeadline{5000};
    // A body gets this long after its head, and a second more for each bodyBytesPerSecond.
    std::chrono::milliseconds bodyDeadline{5000};
    size_t bodyBytesPerSecond = 1024;
    // A kept-alive connection with nothing to say is closed after this.
    std::chrono::milliseconds idleTimeout{5000};
    // An answer must be taken within this, and a second more for each 16 KiB of it.
    std::chrono::milliseconds writeDeadline{5000};
    size_t maxHeadBytes = 8192;  // request line and headers
    size_t maxHeaders = 64;
    size_t maxBodyBytes = 4096;
    // Routes that take a larger body than maxBodyBytes, with the same deadline of a second a KiB.
    struct LargeBody {
        std::string method;
        std::string path;
        size_t maxBytes = 0;
    };
    std::vector<LargeBody> largeBodies;
    // Larger bodies being read at once, from all clients; one more is refused (503).
    size_t maxLargeBodies = 16;
    size_t connectionsPerAddress = 32;  // 0: no cap
    size_t maxConnections = 4096;
    size_t workers = 8;
    size_t requestsPerConnection = 1000;
    // After Stop, a request still arriving gets this long to finish arriving.
    std::chrono::milliseconds stopGrace{1000};
};

class HttpFront {
public:
    // Runs on a worker; may throw (the front then answers 500).
    using Handler = std::function<HttpResponse(const HttpRequest&)>;
    // Called once an answer is made, by the handler or by the front itself.
    using Logger = std::function<void(const HttpRequest&, const HttpResponse&)>;
    // May restate an answer the front makes of its own (a refusal) in the request's terms, say as
    // JSON for a JSON route. Runs on the front's thread: it must be quick and must not throw.
    using Refusal = std::function<void(const HttpRequest&, HttpResponse&)>;

    HttpFront(Handler handler, Logger logger, HttpFrontLimits limits = {}, Refusal refusal = {});
    ~HttpFront();
    HttpFront(const HttpFront&) = delete;
    HttpFront& operator=(const HttpFront&) = delete;

    // Binds the listening socket; port 0 takes any free one. Returns the port, or -1.
    int Bind(const std::string& host, int port);
    // Serves until Stop. Requests whose heads are in are answered; requests still arriving get
    // the stop grace; idle connections are closed at once. False if the listening socket failed.
    bool Run();
    // Safe from any thread, any number of times.
    void Stop();

private:
    class Loop;
    std::unique_ptr<Loop> loop_;
};

// The reason phrase of a status code.
std::string_view HttpReason(int status);
