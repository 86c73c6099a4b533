#include "http_front.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace {

using Clock = std::chrono::steady_clock;

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (std::tolower(x) != std::tolower(y)) return false;
    }
    return true;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::string AddressOf(const sockaddr_storage& address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(address).sin_addr, text, sizeof text);
    } else if (address.ss_family == AF_INET6) {
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(address).sin6_addr, text, sizeof text);
    }
    return text;
}

// keepAlive: say so, for an HTTP/1.0 client, which would otherwise take the connection as closing.
std::string Serialize(const HttpResponse& response, bool head, bool close, bool keepAlive) {
    std::string out = "HTTP/1.1 " + std::to_string(response.status) + " " +
                      std::string(HttpReason(response.status)) + "\r\n";
    if (!response.contentType.empty()) out += "Content-Type: " + response.contentType + "\r\n";
    out += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    for (const auto& [name, value] : response.headers) out += name + ": " + value + "\r\n";
    out += close ? "Connection: close\r\n\r\n" : keepAlive ? "Connection: keep-alive\r\n\r\n" : "\r\n";
    if (!head) out += response.body;
    return out;
}

}  // namespace

std::string_view HttpReason(int status) {
    switch (status) {
        case 100:
            return "Continue";
        case 200:
            return "OK";
        case 202:
            return "Accepted";
        case 302:
            return "Found";
        case 400:
            return "Bad Request";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 409:
            return "Conflict";
        case 410:
            return "Gone";
        case 413:
            return "Payload Too Large";
        case 414:
            return "URI Too Long";
        case 422:
            return "Unprocessable Content";
        case 429:
            return "Too Many Requests";
        case 431:
            return "Request Header Fields Too Large";
        case 500:
            return "Internal Server Error";
        case 501:
            return "Not Implemented";
        case 503:
            return "Service Unavailable";
        case 505:
            return "HTTP Version Not Supported";
        default:
            return "Unknown";
    }
}

class HttpFront::Loop {
public:
    Loop(Handler handler, Logger logger, HttpFrontLimits limits, Refusal refusal)
        : handler_(std::move(handler)),
          logger_(std::move(logger)),
          refusal_(std::move(refusal)),
          limits_(std::move(limits)) {
        epoll_ = epoll_create1(EPOLL_CLOEXEC);
        wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (epoll_ < 0 || wake_ < 0) throw std::runtime_error("no epoll or eventfd");
        Watch(wake_, EPOLLIN, kWakeId);
    }

    ~Loop() {
        StopWorkers();
        for (auto& [id, connection] : connections_)
            if (connection.fd >= 0) close(connection.fd);
        if (listener_ >= 0) close(listener_);
        close(wake_);
        close(epoll_);
    }

    int Bind(const std::string& host, int port) {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_PASSIVE;
        addrinfo* found = nullptr;
        if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return -1;
        for (addrinfo* a = found; a && listener_ < 0; a = a->ai_next) {
            const int fd =
                socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
            if (fd < 0) continue;
            const int yes = 1;
            setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
            if (bind(fd, a->ai_addr, a->ai_addrlen) == 0 && listen(fd, SOMAXCONN) == 0) {
                listener_ = fd;
            } else {
                close(fd);
            }
        }
        freeaddrinfo(found);
        if (listener_ < 0) return -1;
        sockaddr_storage bound{};
        socklen_t length = sizeof bound;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&bound), &length);
        return ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6&>(bound).sin6_port
                                                 : reinterpret_cast<sockaddr_in&>(bound).sin_port);
    }

    bool Run() {
        if (listener_ < 0) return false;
        Watch(listener_, EPOLLIN, kListenerId);
        for (size_t i = 0; i < std::max<size_t>(limits_.workers, 1); ++i)
            workers_.emplace_back([this] { Work(); });
        bool healthy = true;
        epoll_event events[256];
        auto lastSweep = Clock::now();
        while (true) {
            const int n = epoll_wait(epoll_, events, 256, 50);
            if (n < 0 && errno != EINTR) {
                healthy = false;
                break;
            }
            for (int i = 0; i < n; ++i) {
                const uint64_t id = events[i].data.u64;
                if (id == kWakeId) {
                    uint64_t count = 0;
                    [[maybe_unused]] const ssize_t got = read(wake_, &count, sizeof count);
                    TakeFinished();
                } else if (id == kListenerId) {
                    if (events[i].events & (EPOLLERR | EPOLLHUP)) healthy = false;
                    AcceptAll();
                } else {
                    Serve(id, events[i].events);
                }
            }
            if (!healthy) break;
            if (stopRequested_ && !stopping_) BeginStop();
            const auto now = Clock::now();
            if (now - lastSweep >= std::chrono::milliseconds(50)) {
                lastSweep = now;
                Sweep(now);
            }
            ForgetClosed();
            if (stopping_ && connections_.empty()) break;
        }
        StopWorkers();
        return healthy;
    }

    void Stop() {
        stopRequested_ = true;
        Wake();
    }

private:
    static constexpr uint64_t kWakeId = 0;
    static constexpr uint64_t kListenerId = 1;

    enum class State { Reading, Working, Writing, Lingering, Closed };

    struct Connection {
        int fd = -1;
        std::string address;
        State state = State::Reading;
        std::string in;
        size_t headEnd = 0;     // bytes of the head once it is in, 0 before
        size_t bodyLength = 0;  // from Content-Length
        Clock::time_point deadline;
        bool started = false;  // a byte of the current request has come
        std::string out;
        size_t sent = 0;
        bool closeAfter = false;
        size_t requests = 0;
        HttpRequest request;           // the one being read or worked on
        bool head = false;             // a HEAD request: no body in the answer
        bool peerDone = false;         // the client has shut its side
        bool oldKeepAlive = false;     // an HTTP/1.0 client asked to keep the connection
        bool largeBody = false;        // its body counts against maxLargeBodies while it comes
        bool expectsContinue = false;  // the client waits for "100 Continue" before its body
    };

    struct Finished {
        uint64_t id;
        HttpResponse response;
    };

    void Watch(int fd, uint32_t events, uint64_t id) {
        epoll_event event{};
        event.events = events;
        event.data.u64 = id;
        epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event);
    }

    void Rewatch(const Connection& connection, uint64_t id, uint32_t events) {
        epoll_event event{};
        event.events = events;
        event.data.u64 = id;
        epoll_ctl(epoll_, EPOLL_CTL_MOD, connection.fd, &event);
    }

    void Wake() {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t put = write(wake_, &one, sizeof one);
    }

    void AcceptAll() {
        while (true) {
            sockaddr_storage peer{};
            socklen_t length = sizeof peer;
            const int fd =
                accept4(listener_, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) {
                if (errno == EINTR || errno == ECONNABORTED) continue;
                return;  // EAGAIN, or out of descriptors: the rest wait in the backlog
            }
            std::string address = AddressOf(peer);
            size_t& open = perAddress_[address];
            // One address may not hold more than its share, and nobody more than the whole.
            if (stopping_ || connections_.size() >= limits_.maxConnections ||
                (limits_.connectionsPerAddress > 0 && open >= limits_.connectionsPerAddress)) {
                if (open == 0) perAddress_.erase(address);
                close(fd);
                continue;
            }
            ++open;
            const int yes = 1;
            // Head and body go out in one write, but an answer after a kept-alive request would
            // otherwise wait for the client's delayed ACK.
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
            const uint64_t id = nextId_++;
            Connection& connection = connections_[id];
            connection.fd = fd;
            connection.address = std::move(address);
            connection.deadline = Clock::now() + limits_.headDeadline;
            Watch(fd, EPOLLIN | EPOLLRDHUP, id);
        }
    }

    void Serve(uint64_t id, uint32_t events) {
        const auto found = connections_.find(id);
        if (found == connections_.end()) return;
        Connection& connection = found->second;
        switch (connection.state) {
            case State::Reading:
                ReadRequest(id, connection);
                break;
            case State::Writing:
                if (events & (EPOLLERR | EPOLLHUP)) return Close(id);
                WriteAnswer(id, connection);
                break;
            case State::Lingering:
                Drain(id, connection);
                break;
            case State::Working:
            case State::Closed:
                break;
        }
    }

    // Reads what the client has sent, never more than the request may hold.
    void ReadRequest(uint64_t id, Connection& connection) {
        const size_t room =
            connection.headEnd == 0 ? limits_.maxHeadBytes + 1 : connection.headEnd + connection.bodyLength;
        while (connection.in.size() < room) {
            char buffer[16384];
            const size_t want = std::min(sizeof buffer, room - connection.in.size());
            const ssize_t n = recv(connection.fd, buffer, want, 0);
            if (n == 0) {
                connection.peerDone = true;
                break;
            }
            if (n < 0) {
                if (errno == EINTR) continue;
                if (errno == EAGAIN || errno == EWOULDBLOCK) break;
                return Close(id);
            }
            if (!connection.started) {
                connection.started = true;
                connection.deadline = Clock::now() + limits_.headDeadline;
            }
            connection.in.append(buffer, static_cast<size_t>(n));
        }
        Advance(id, connection);
        // A client that has shut its side without a whole request will never finish it.
        if (connection.peerDone && connection.state == State::Reading) Close(id);
    }

    // Takes the next request out of what was read, once all of it is in.
    void Advance(uint64_t id, Connection& connection) {
        if (connection.headEnd == 0) {
            const size_t end = connection.in.find("\r\n\r\n");
            if (end == std::string::npos || end + 4 > limits_.maxHeadBytes) {
                if (connection.in.size() <= limits_.maxHeadBytes) return;  // more to come
                const bool lineTooLong = connection.in.find("\r\n") > limits_.maxHeadBytes / 2;
                HttpRequest partial = RequestLine(connection);
                return Refuse(id, connection, partial, lineTooLong ? 414 : 431,
                              lineTooLong ? "request line too long" : "headers too large");
            }
            connection.headEnd = end + 4;
            if (!ParseHead(id, connection)) return;
            if (connection.bodyLength > 0) {
                const auto extra = std::chrono::seconds(connection.bodyLength / limits_.bodyBytesPerSecond);
                connection.deadline = Clock::now() + limits_.bodyDeadline + extra;
            }
        }
        // The rest of the body comes with the next readiness of the socket.
        if (connection.in.size() < connection.headEnd + connection.bodyLength) {
            if (connection.expectsContinue) {
                // A short interim answer, sent once; should the socket not take it now, the
                // client sends its body after its own wait.
                connection.expectsContinue = false;
                constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
                [[maybe_unused]] const ssize_t sent =
                    send(connection.fd, kContinue.data(), kContinue.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            }
            return;
        }
        EndLargeBody(connection);
        connection.request.body = connection.in.substr(connection.headEnd, connection.bodyLength);
        connection.in.erase(0, connection.headEnd + connection.bodyLength);
        connection.headEnd = 0;
        connection.bodyLength = 0;
        connection.started = !connection.in.empty();
        connection.state = State::Working;
        // Edge-triggered and with no interest: a hang-up while the handler works is reported once
        // rather than on every wait.
        Rewatch(connection, id, EPOLLET);
        {
            std::lock_guard lock(queueMutex_);
            queue_.push_back({id, connection.request});
        }
        queueReady_.notify_one();
    }

    // What there is of the request line, for the log of a refused request.
    static HttpRequest RequestLine(const Connection& connection) {
        HttpRequest request;
        request.address = connection.address;
        const std::string_view in(connection.in);
        const std::string_view line = in.substr(0, std::min(in.find("\r\n"), in.size()));
        const size_t space = line.find(' ');
        request.method = std::string(line.substr(0, std::min<size_t>(space, 16)));
        if (space != std::string_view::npos) request.target = std::string(line.substr(space + 1, 200));
        return request;
    }

    void EndLargeBody(Connection& connection) {
        if (!connection.largeBody) return;
        connection.largeBody = false;
        --largeBodies_;
    }

    // The most body this request may carry.
    size_t BodyAllowance(const HttpRequest& request) const {
        for (const auto& route : limits_.largeBodies)
            if (route.method == request.method && route.path == request.path) return route.maxBytes;
        return limits_.maxBodyBytes;
    }

    bool ParseHead(uint64_t id, Connection& connection) {
        connection.expectsContinue = false;
        HttpRequest request;
        request.address = connection.address;
        const std::string_view head(connection.in.data(), connection.headEnd - 4);
        size_t lineEnd = std::min(head.find("\r\n"), head.size());
        const std::string_view line = head.substr(0, lineEnd);
        const size_t first = line.find(' ');
        const size_t second = first == std::string_view::npos ? first : line.find(' ', first + 1);
        if (second == std::string_view::npos || line.find(' ', second + 1) != std::string_view::npos) {
            Refuse(id, connection, RequestLine(connection), 400, "malformed request line");
            return false;
        }
        request.method = std::string(line.substr(0, first));
        request.target = std::string(line.substr(first + 1, second - first - 1));
        const std::string_view version = line.substr(second + 1);
        request.path = request.target.substr(0, request.target.find('?'));
        if (version != "HTTP/1.1" && version != "HTTP/1.0") {
            Refuse(id, connection, request, version.rfind("HTTP/", 0) == 0 ? 505 : 400, "not HTTP/1.x");
            return false;
        }
        bool keepAlive = version == "HTTP/1.1";
        size_t length = 0;
        for (size_t start = lineEnd + 2; start < head.size() + 2 && lineEnd < head.size();
             start = lineEnd + 2) {
            lineEnd = std::min(head.find("\r\n", start), head.size());
            const std::string_view field = head.substr(start, lineEnd - start);
            const size_t colon = field.find(':');
            if (colon == std::string_view::npos || colon == 0) {
                Refuse(id, connection, request, 400, "malformed header");
                return false;
            }
            if (request.headers.size() >= limits_.maxHeaders) {
                Refuse(id, connection, request, 431, "too many headers");
                return false;
            }
            const std::string_view name = field.substr(0, colon);
            const std::string_view value = Trim(field.substr(colon + 1));
            if (SameLetters(name, "Content-Length")) {
                const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), length);
                if (value.empty() || error != std::errc() || end != value.data() + value.size()) {
                    Refuse(id, connection, request, 400, "bad Content-Length");
                    return false;
                }
                if (const size_t allowance = BodyAllowance(request); length > allowance) {
                    Refuse(id, connection, request, 413,
                           "body over " + std::to_string(allowance / 1024) + " KiB");
                    return false;
                }
            } else if (SameLetters(name, "Transfer-Encoding")) {
                Refuse(id, connection, request, 501, "transfer codings are not taken");
                return false;
            } else if (SameLetters(name, "Connection")) {
                if (SameLetters(value, "close")) keepAlive = false;
                if (SameLetters(value, "keep-alive")) keepAlive = true;
            } else if (SameLetters(name, "Expect")) {
                connection.expectsContinue = SameLetters(value, "100-continue");
            }
            request.headers.emplace_back(name, value);
        }
        if (length > limits_.maxBodyBytes) {
            // A large body holds its buffer while it comes, at a KiB a second if the client wishes:
            // only so many at once.
            if (largeBodies_ >= limits_.maxLargeBodies) {
                Refuse(id, connection, request, 503, "too many large uploads at once");
                return false;
            }
            ++largeBodies_;
            connection.largeBody = true;
        }
        if (length == 0) connection.expectsContinue = false;
        ++connection.requests;
        connection.closeAfter = !keepAlive || connection.requests >= limits_.requestsPerConnection;
        connection.head = request.method == "HEAD";
        connection.oldKeepAlive = version == "HTTP/1.0" && keepAlive;
        connection.bodyLength = length;
        connection.request = std::move(request);
        return true;
    }

    // The front's own answer to a request it will not pass on; the connection then ends.
    void Refuse(uint64_t id, Connection& connection, const HttpRequest& request, int status,
                const std::string& reason) {
        HttpResponse response;
        response.status = status;
        response.body = "ERROR|" + reason;
        response.logNote = reason;
        if (refusal_) refusal_(request, response);
        if (logger_) logger_(request, response);
        connection.closeAfter = true;
        connection.expectsContinue = false;
        EndLargeBody(connection);
        connection.head = false;
        connection.in.clear();
        connection.headEnd = 0;
        connection.bodyLength = 0;
        StartAnswer(id, connection, response);
    }

    void StartAnswer(uint64_t id, Connection& connection, const HttpResponse& response) {
        if (stopping_ || connection.peerDone) connection.closeAfter = true;
        connection.out = Serialize(response, connection.head, connection.closeAfter,
                                   connection.oldKeepAlive && !connection.closeAfter);
        connection.sent = 0;
        connection.state = State::Writing;
        const auto extra = std::chrono::seconds(connection.out.size() / 16384);
        connection.deadline = Clock::now() + limits_.writeDeadline + extra;
        if (stopping_) connection.deadline = std::min(connection.deadline, stopAt_ + limits_.stopGrace);
        Rewatch(connection, id, EPOLLOUT | EPOLLRDHUP);
        WriteAnswer(id, connection);
    }

    void WriteAnswer(uint64_t id, Connection& connection) {
        while (connection.sent < connection.out.size()) {
            const ssize_t n = send(connection.fd, connection.out.data() + connection.sent,
                                   connection.out.size() - connection.sent, MSG_NOSIGNAL);
            if (n < 0) {
                if (errno == EINTR) continue;
                if (errno == EAGAIN || errno == EWOULDBLOCK) return;
                return Close(id);
            }
            connection.sent += static_cast<size_t>(n);
        }
        connection.out.clear();
        connection.out.shrink_to_fit();
        if (connection.closeAfter) {
            // The client may still be sending (a refused flood of headers): closing now would
            // reset the connection and could lose the answer, so what comes is read and dropped
            // for a moment first.
            shutdown(connection.fd, SHUT_WR);
            connection.state = State::Lingering;
            connection.deadline = Clock::now() + std::chrono::seconds(1);
            if (stopping_) connection.deadline = std::min(connection.deadline, stopAt_ + limits_.stopGrace);
            Rewatch(connection, id, EPOLLIN | EPOLLRDHUP);
            return;
        }
        connection.state = State::Reading;
        connection.request = {};
        connection.deadline =
            Clock::now() + (connection.started ? limits_.headDeadline : limits_.idleTimeout);
        Rewatch(connection, id, EPOLLIN | EPOLLRDHUP);
        if (!connection.in.empty()) Advance(id, connection);  // a request sent along already
    }

    void Drain(uint64_t id, Connection& connection) {
        char buffer[16384];
        while (true) {
            const ssize_t n = recv(connection.fd, buffer, sizeof buffer, 0);
            if (n == 0) return Close(id);
            if (n < 0) {
                if (errno == EINTR) continue;
                if (errno != EAGAIN && errno != EWOULDBLOCK) Close(id);
                return;
            }
        }
    }

    // Closes the socket now; the entry goes at the end of the loop's turn, so references to it
    // held further up the stack stay good.
    void Close(uint64_t id) {
        const auto found = connections_.find(id);
        if (found == connections_.end() || found->second.state == State::Closed) return;
        Connection& connection = found->second;
        EndLargeBody(connection);
        close(connection.fd);  // leaves the epoll set with it
        connection.fd = -1;
        connection.state = State::Closed;
        const auto open = perAddress_.find(connection.address);
        if (open != perAddress_.end() && --open->second == 0) perAddress_.erase(open);
        closed_.push_back(id);
    }

    void ForgetClosed() {
        for (uint64_t id : closed_) connections_.erase(id);
        closed_.clear();
    }

    // Deadlines, and the stop's closing of idle connections.
    void Sweep(Clock::time_point now) {
        std::vector<uint64_t> expired;
        for (const auto& [id, connection] : connections_) {
            if (connection.state == State::Working || connection.state == State::Closed) continue;
            const bool idle = connection.state == State::Reading && !connection.started;
            if (now >= connection.deadline || (stopping_ && idle)) expired.push_back(id);
        }
        for (uint64_t id : expired) Close(id);
    }

    void BeginStop() {
        stopping_ = true;
        stopAt_ = Clock::now();
        epoll_ctl(epoll_, EPOLL_CTL_DEL, listener_, nullptr);
        close(listener_);
        listener_ = -1;
        for (auto& [id, connection] : connections_) {
            if (connection.state != State::Working)
                connection.deadline = std::min(connection.deadline, stopAt_ + limits_.stopGrace);
        }
        Sweep(stopAt_);
        ForgetClosed();
    }

    void TakeFinished() {
        std::deque<Finished> finished;
        {
            std::lock_guard lock(finishedMutex_);
            finished.swap(finished_);
        }
        for (auto& item : finished) {
            const auto found = connections_.find(item.id);
            if (found == connections_.end() || found->second.state != State::Working) continue;
            StartAnswer(item.id, found->second, item.response);
        }
    }

    void Work() {
        while (true) {
            std::pair<uint64_t, HttpRequest> job;
            {
                std::unique_lock lock(queueMutex_);
                queueReady_.wait(lock, [this] { return workersDone_ || !queue_.empty(); });
                if (queue_.empty()) return;
                job = std::move(queue_.front());
                queue_.pop_front();
            }
            HttpResponse response;
            try {
                response = handler_(job.second);
            } catch (const std::exception& error) {
                response = HttpResponse{};
                response.status = 500;
                response.body = "ERROR|server trouble";
                response.logNote = std::string("server trouble: ") + error.what();
            }
            if (logger_) logger_(job.second, response);
            {
                std::lock_guard lock(finishedMutex_);
                finished_.push_back({job.first, std::move(response)});
            }
            Wake();
        }
    }

    void StopWorkers() {
        {
            std::lock_guard lock(queueMutex_);
            workersDone_ = true;
        }
        queueReady_.notify_all();
        for (auto& worker : workers_) worker.join();
        workers_.clear();
    }

    Handler handler_;
    Logger logger_;
    Refusal refusal_;
    HttpFrontLimits limits_;
    size_t largeBodies_ = 0;
    int epoll_ = -1;
    int wake_ = -1;
    int listener_ = -1;
    uint64_t nextId_ = 2;
    std::unordered_map<uint64_t, Connection> connections_;
    std::vector<uint64_t> closed_;
    std::unordered_map<std::string, size_t> perAddress_;
    std::atomic<bool> stopRequested_{false};
    bool stopping_ = false;
    Clock::time_point stopAt_;

    std::vector<std::thread> workers_;
    std::mutex queueMutex_;
    std::condition_variable queueReady_;
    std::deque<std::pair<uint64_t, HttpRequest>> queue_;
    bool workersDone_ = false;
    std::mutex finishedMutex_;
    std::deque<Finished> finished_;
};

HttpFront::HttpFront(Handler handler, Logger logger, HttpFrontLimits limits, Refusal refusal)
    : loop_(std::make_unique<Loop>(std::move(handler), std::move(logger), std::move(limits),
                                   std::move(refusal))) {}

HttpFront::~HttpFront() = default;

int HttpFront::Bind(const std::string& host, int port) {
    return loop_->Bind(host, port);
}

bool HttpFront::Run() {
    return loop_->Run();
}

void HttpFront::Stop() {
    loop_->Stop();
}
