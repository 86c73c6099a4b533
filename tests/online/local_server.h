#pragma once
// A small HTTP server on this machine's loopback for the tests of the online side: it accepts
// connections one after the other, keeps each request (its head, and the body its Content-Length
// announces) and hands it to the test's handler with the socket.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

inline bool SendAll(int fd, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

inline std::string Response(int status, const std::string& body, const std::string& extraHeaders = "") {
    return "HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n" + extraHeaders + "\r\n" + body;
}

// Accepts connections on 127.0.0.1 and hands each request to the test's handler, one after the
// other. The handler gets the request (head and body) and the socket; `Stopping` tells it to give
// up.
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
    static size_t ContentLength(const std::string& head) {
        const std::string name = "\r\nContent-Length: ";
        const size_t at = head.find(name);
        return at == std::string::npos ? 0 : std::strtoul(head.c_str() + at + name.size(), nullptr, 10);
    }

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
            // The body, as long as the head says, kept after it.
            const size_t end = head.find("\r\n\r\n");
            const size_t length = end == std::string::npos ? 0 : ContentLength(head.substr(0, end));
            while (end != std::string::npos && head.size() < end + 4 + length && !stopping_) {
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
inline void NeverAnswer(int, const std::string&, const LocalServer& server) {
    while (!server.Stopping()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
}
