#include "score_server.h"

#include <httplib.h>
#include <sys/random.h>

#include <cerrno>
#include <charconv>

#include "score_record.h"
#include "table_page.h"

namespace {

constexpr const char* kTextType = "text/plain; charset=utf-8";
constexpr const char* kProgram = "Vandrax";
// Purge used-up tokens after this many have been issued.
constexpr uint64_t kPurgeEvery = 256;
constexpr int64_t kTableRows = 100;
constexpr int64_t kMaxApiRows = 1000;

// What the current request's handler wants in the log; the logger runs on the same thread right
// after the answer is written, and the next request on this thread starts by clearing it.
thread_local std::string tLogNote;

void Answer(httplib::Response& res, int status, const std::string& body) {
    res.status = status;
    res.set_content(body, kTextType);
}

// An error answer, and its reason for the log line.
void Refuse(httplib::Response& res, int status, const std::string& reason) {
    Answer(res, status, "ERROR|" + reason);
    tLogNote = reason;
}

std::string_view QueryOf(const httplib::Request& req) {
    const std::string_view target(req.target);
    const size_t mark = target.find('?');
    return mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1);
}

bool HasOnlyKeys(const std::vector<QueryItem>& items, std::initializer_list<std::string_view> keys) {
    for (const auto& item : items) {
        bool known = false;
        for (auto key : keys) known = known || item.key == key;
        if (!known) return false;
    }
    return true;
}

}  // namespace

std::string NewToken() {
    unsigned char bytes[kTokenChars / 2];
    size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw std::runtime_error("no random bytes for a token");
        }
        got += static_cast<size_t>(n);
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string token;
    for (unsigned char b : bytes) {
        token.push_back(kHex[b >> 4]);
        token.push_back(kHex[b & 15]);
    }
    return token;
}

ScoreServer::ScoreServer(IScoreStore& store, ScoreServerConfig config)
    : store_(store),
      config_(std::move(config)),
      limiter_(config_.rateLimit),
      http_(std::make_unique<httplib::Server>()) {
    if (!config_.now) config_.now = [] { return static_cast<int64_t>(std::time(nullptr)); };
    if (!config_.log) config_.log = [](std::string_view) {};
    Install();
}

ScoreServer::~ScoreServer() = default;

int ScoreServer::Bind(const std::string& host, int port) {
    if (port == 0) return http_->bind_to_any_port(host);
    return http_->bind_to_port(host, port) ? port : -1;
}

bool ScoreServer::Run() {
    return http_->listen_after_bind();
}

void ScoreServer::Stop() {
    http_->stop();
}

void ScoreServer::Install() {
    auto& http = *http_;
    // The game sends GET requests without a body; a slow or silent client is let go soon.
    http.set_payload_max_length(kMaxTargetBytes);
    http.set_read_timeout(5, 0);
    http.set_write_timeout(5, 0);
    http.set_keep_alive_timeout(5);
    // Headers and body go out in separate writes; without this, Nagle's algorithm and the
    // client's delayed ACK hold every answer on a kept-alive connection for 40 ms.
    http.set_tcp_nodelay(true);
    http.set_default_headers({{"X-Content-Type-Options", "nosniff"}, {"Cache-Control", "no-store"}});

    http.set_pre_routing_handler([](const httplib::Request& req, httplib::Response& res) {
        tLogNote.clear();
        if (req.target.size() > kMaxTargetBytes) {
            Refuse(res, 414, "request over 4 KiB");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });

    http.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
        if (res.status < 400 && tLogNote.empty()) return;
        std::string line = req.remote_addr + " " + std::to_string(res.status) + " " +
                           LogSafe(req.method, 16) + " " + LogSafe(req.target, 120);
        if (!tLogNote.empty()) line += ": " + tLogNote;
        tLogNote.clear();
        config_.log(line);
    });

    http.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr error) {
        std::string what = "unknown failure";
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            what = e.what();
        } catch (...) {
        }
        Refuse(res, 503, "server trouble");
        tLogNote = "server trouble: " + LogSafe(what, 300);
    });

    http.Get("/", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("/cgi/version.pl?prg=Vandrax&show&type=0");
    });

    http.Get("/cgi/version.pl", [this](const httplib::Request& req, httplib::Response& res) {
        const auto items = ParseQuery(QueryOf(req));
        if (!items) return Refuse(res, 400, "malformed query");
        const QueryItem* program = FindItem(*items, "prg");
        if (!program || program->value != kProgram) return Refuse(res, 404, "unknown program");
        const QueryItem* version = FindItem(*items, "version");
        const QueryItem* score = FindItem(*items, "hs");
        const QueryItem* show = FindItem(*items, "show");
        if ((version != nullptr) + (score != nullptr) + (show != nullptr) != 1)
            return Refuse(res, 400, "malformed query");

        if (version) {
            if (!HasOnlyKeys(*items, {"version", "prg"})) return Refuse(res, 400, "malformed query");
            // OK|program|server version|token lifetime in seconds|token|server time. The game reads
            // the fifth field; the rest is for people and tools reading along.
            const int64_t now = config_.now();
            const std::string token = NewToken();
            store_.IssueToken(token, now);
            if (++tokensIssued_ % kPurgeEvery == 0) store_.PurgeTokens(now - kTokenLifetime);
            return Answer(res, 200,
                          std::string("OK|") + kProgram + "|" + VANDRAX_VERSION + "|" +
                              std::to_string(kTokenLifetime) + "|" + token + "|" + IsoTime(now));
        }

        if (score) {
            if (!limiter_.Allow(req.remote_addr, RateLimiter::Clock::now()))
                return Refuse(res, 429, "too many score queries");
            if (!HasOnlyKeys(*items, {"hs", "prg", "inf"})) return Refuse(res, 400, "malformed query");
            const QueryItem* inf = FindItem(*items, "inf");
            if (!inf || !inf->value) return Refuse(res, 400, "no record");
            const RecordResult decoded = DecodeScoreRecord(*inf->value);
            if (!decoded.record) return Refuse(res, 400, decoded.detail);
            const ScoreRecord& record = *decoded.record;
            const int64_t now = config_.now();
            const StoredScore stored{record.name, record.score, record.country, now, req.remote_addr};
            switch (store_.SubmitScore(record.token, now, kTokenLifetime, stored)) {
                case SubmitOutcome::Stored:
                    tLogNote = "stored " + std::to_string(record.score) + " for " + LogSafe(record.name, 40) +
                               " (" + LogSafe(record.country, 40) + ")";
                    return Answer(res, 200, "OK");
                case SubmitOutcome::UnknownToken:
                    return Refuse(res, 403, "unknown or used token");
                case SubmitOutcome::ExpiredToken:
                    return Refuse(res, 403, "expired token");
            }
            return;
        }

        const QueryItem* type = FindItem(*items, "type");
        if (!type || type->value != "0") return Refuse(res, 404, "no such table");
        res.set_header("Content-Security-Policy",
                       "default-src 'none'; style-src 'unsafe-inline'; base-uri 'none'; form-action 'none'");
        res.set_content(RenderTablePage(store_.BestScores(kTableRows), config_.now()),
                        "text/html; charset=utf-8");
    });

    http.Get("/api/scores", [this](const httplib::Request& req, httplib::Response& res) {
        const auto items = ParseQuery(QueryOf(req));
        if (!items) return Refuse(res, 400, "malformed query");
        int64_t limit = kTableRows;
        if (const QueryItem* given = FindItem(*items, "limit")) {
            const std::string text = given->value.value_or("");
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), limit);
            if (text.empty() || error != std::errc() || end != text.data() + text.size() || limit < 1 ||
                limit > kMaxApiRows)
                return Refuse(res, 400, "limit must be 1 to " + std::to_string(kMaxApiRows));
        }
        res.set_content(RenderScoresJson(store_.BestScores(limit)), "application/json");
    });
}
