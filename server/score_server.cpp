#include "score_server.h"

#include <sys/random.h>

#include <cerrno>
#include <charconv>

#include "replay_answers.h"
#include "score_record.h"
#include "table_page.h"

namespace {

constexpr const char* kProgram = "Vandrax";
// Forget used tokens past their lifetime after this many scores.
constexpr uint64_t kPurgeEvery = 256;
// A token from a server whose clock is ahead of ours by up to this much is still taken.
constexpr int64_t kClockSkew = 60;
constexpr int64_t kTableRows = 100;
constexpr int64_t kMaxApiRows = 1000;

HttpResponse Text(int status, std::string body) {
    HttpResponse response;
    response.status = status;
    response.body = std::move(body);
    return response;
}

// An error answer, and its reason for the log line.
HttpResponse Refuse(int status, const std::string& reason) {
    HttpResponse response = Text(status, "ERROR|" + reason);
    response.logNote = reason;
    return response;
}

std::string_view QueryOf(const HttpRequest& req) {
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

ScoreServer::ScoreServer(IScoreStore& store, ScoreServerConfig config)
    : store_(store), config_(std::move(config)), signer_(store_.TokenKey()) {
    // Each budget is shared by the servers of a database when the store can, else kept here.
    // Without a limit there is nothing to count.
    auto budget = [this](const std::string& name, size_t limit) {
        std::unique_ptr<RateBudget> shared = limit > 0 ? store_.SharedRateBudget(name, limit) : nullptr;
        return shared ? std::move(shared) : LocalRateBudget(limit);
    };
    scoreBudget_ = budget("score", config_.rateLimit);
    versionBudget_ = budget("version", config_.versionRateLimit);
    if (!config_.now) config_.now = [] { return static_cast<int64_t>(std::time(nullptr)); };
    if (!config_.log) config_.log = [](std::string_view) {};
    config_.front.largeBodies.push_back({"POST", "/api/replays", config_.replays.maxFileBytes});
    http_ = std::make_unique<HttpFront>(
        [this](const HttpRequest& request) { return Answer(request); },
        [this](const HttpRequest& request, const HttpResponse& response) { Log(request, response); },
        config_.front,
        [](const HttpRequest& request, HttpResponse& response) {
            // The replay route answers in JSON, its refusals too.
            if (request.path == "/api/replays")
                response = ReplayAnswer(response.status, false, response.logNote);
        });
    if (config_.replayPlayer) {
        verifier_ = std::make_unique<ReplayVerifier>(
            config_.replayPlayer, VANDRAX_VERSION, config_.replays,
            [this](const ReplayJob& job, const ReplayVerdict& verdict) { ReplayChecked(job, verdict); });
        if (!verifier_->CanCheck())
            config_.log("replays cannot be checked: " + LogSafe(verifier_->WhyNot(), 300));
    }
    AbandonStaleChecks(config_.now());
}

void ScoreServer::AbandonStaleChecks(int64_t now) {
    const int64_t abandoned =
        store_.AbandonChecks(now - kCheckAbandonedAfter, "its check never ended: the server stopped");
    if (abandoned > 0)
        config_.log(std::to_string(abandoned) + " replay checks that never ended marked unverified");
}

ScoreServer::~ScoreServer() = default;

int ScoreServer::Bind(const std::string& host, int port) {
    return http_->Bind(host, port);
}

bool ScoreServer::Run() {
    return http_->Run();
}

void ScoreServer::Stop() {
    http_->Stop();
}

void ScoreServer::Log(const HttpRequest& req, const HttpResponse& res) {
    if (res.status < 400 && res.logNote.empty()) return;
    std::string line = req.address + " " + std::to_string(res.status) + " " + LogSafe(req.method, 16) + " " +
                       LogSafe(req.target, 120);
    if (!res.logNote.empty()) line += ": " + LogSafe(res.logNote, 300);
    config_.log(line);
}

HttpResponse ScoreServer::Answer(const HttpRequest& req) {
    HttpResponse response;
    try {
        const bool upload = req.path == "/api/replays";
        if (req.target.size() > kMaxTargetBytes) {
            response = Refuse(414, "request over 4 KiB");
        } else if (upload && req.method != "POST") {
            response = ReplayAnswer(405, false, "replays come with POST");
            response.headers.emplace_back("Allow", "POST");
        } else if (!upload && req.method != "GET" && req.method != "HEAD") {
            response = Refuse(405, "only GET is answered");
            response.headers.emplace_back("Allow", "GET, HEAD");
        } else if (upload) {
            response = ReplayUpload(req);
        } else if (req.path.rfind("/api/replays/", 0) == 0) {
            response = ReplayFile(req);
        } else if (req.path == "/") {
            response = Text(302, "");
            response.headers.emplace_back("Location", "/cgi/version.pl?prg=Vandrax&show&type=0");
        } else if (req.path == "/cgi/version.pl") {
            const auto items = ParseQuery(QueryOf(req));
            const QueryItem* program = items ? FindItem(*items, "prg") : nullptr;
            const bool version = items && FindItem(*items, "version");
            const bool score = items && FindItem(*items, "hs");
            const bool show = items && FindItem(*items, "show");
            if (!items)
                response = Refuse(400, "malformed query");
            else if (!program || program->value != kProgram)
                response = Refuse(404, "unknown program");
            else if (version + score + show != 1)
                response = Refuse(400, "malformed query");
            else if (version)
                response = VersionQuery(req, *items);
            else if (score)
                response = ScoreQuery(req, *items);
            else
                response = Table(*items);
        } else if (req.path == "/api/scores") {
            response = Json(req);
        } else {
            response = Text(404, "ERROR|not found");
        }
    } catch (const std::exception& error) {
        response = Refuse(503, "server trouble");
        response.logNote = "server trouble: " + LogSafe(error.what(), 300);
    }
    response.headers.emplace_back("X-Content-Type-Options", "nosniff");
    response.headers.emplace_back("Cache-Control", "no-store");
    return response;
}

HttpResponse ScoreServer::VersionQuery(const HttpRequest& req, const std::vector<QueryItem>& items) {
    if (!versionBudget_->Allow(req.address)) return Refuse(429, "too many version queries");
    if (!HasOnlyKeys(items, {"version", "prg"})) return Refuse(400, "malformed query");
    // OK|program|server version|token lifetime in seconds|token|server time. The game reads the
    // fifth field; the rest is for people and tools reading along. The token is signed, not
    // stored: a version query writes nothing.
    const int64_t now = config_.now();
    const std::string token = signer_.Issue(now);
    return Text(200, std::string("OK|") + kProgram + "|" + VANDRAX_VERSION + "|" +
                         std::to_string(kTokenLifetime) + "|" + token + "|" + IsoTime(now));
}

HttpResponse ScoreServer::ScoreQuery(const HttpRequest& req, const std::vector<QueryItem>& items) {
    if (!scoreBudget_->Allow(req.address)) return Refuse(429, "too many score queries");
    if (!HasOnlyKeys(items, {"hs", "prg", "inf"})) return Refuse(400, "malformed query");
    const QueryItem* inf = FindItem(items, "inf");
    if (!inf || !inf->value) return Refuse(400, "no record");
    const RecordResult decoded = DecodeScoreRecord(*inf->value);
    if (!decoded.record) return Refuse(400, decoded.detail);
    const ScoreRecord& record = *decoded.record;
    const int64_t now = config_.now();
    const std::optional<int64_t> issuedAt = signer_.IssuedAt(record.token);
    if (!issuedAt || *issuedAt > now + kClockSkew) return Refuse(403, "unknown or used token");
    const StoredScore stored{record.name, record.score, record.country, now, req.address};
    switch (store_.SubmitScore(record.token, *issuedAt, now, kTokenLifetime, stored)) {
        case SubmitOutcome::Stored: {
            if (++scoresStored_ % kPurgeEvery == 0) {
                store_.PurgeTokens(now - kTokenLifetime - kClockSkew);
                AbandonStaleChecks(now);
            }
            HttpResponse response = Text(200, "OK");
            response.logNote = "stored " + std::to_string(record.score) + " for " + LogSafe(record.name, 40) +
                               " (" + LogSafe(record.country, 40) + ")";
            return response;
        }
        case SubmitOutcome::UnknownToken:
            return Refuse(403, "unknown or used token");
        case SubmitOutcome::ExpiredToken:
            return Refuse(403, "expired token");
    }
    return Refuse(503, "server trouble");
}

HttpResponse ScoreServer::Table(const std::vector<QueryItem>& items) {
    const QueryItem* type = FindItem(items, "type");
    if (!type || type->value != "0") return Refuse(404, "no such table");
    HttpResponse response =
        Text(200, RenderTablePage(Shown(kTableRows), config_.now(), config_.verifiedOnly));
    response.contentType = "text/html; charset=utf-8";
    response.headers.emplace_back(
        "Content-Security-Policy",
        "default-src 'none'; style-src 'unsafe-inline'; base-uri 'none'; form-action 'none'");
    return response;
}

HttpResponse ScoreServer::Json(const HttpRequest& req) {
    const auto items = ParseQuery(QueryOf(req));
    if (!items) return Refuse(400, "malformed query");
    int64_t limit = kTableRows;
    if (const QueryItem* given = FindItem(*items, "limit")) {
        const std::string text = given->value.value_or("");
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), limit);
        if (text.empty() || error != std::errc() || end != text.data() + text.size() || limit < 1 ||
            limit > kMaxApiRows)
            return Refuse(400, "limit must be 1 to " + std::to_string(kMaxApiRows));
    }
    HttpResponse response = Text(200, RenderScoresJson(Shown(limit)));
    response.contentType = "application/json";
    return response;
}

std::vector<RankedScore> ScoreServer::Shown(int64_t limit) {
    return config_.verifiedOnly ? store_.BestVerifiedScores(limit) : store_.BestScores(limit);
}
