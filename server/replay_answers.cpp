// The replay routes of ScoreServer: POST /api/replays?token=TOKEN takes the replay of the score
// stored with that token and queues its check; GET /api/replays/ID serves a verified replay.

#include "replay_answers.h"

#include <charconv>
#include <nlohmann/json.hpp>

#include "base/errors.h"
#include "score_server.h"

namespace {

std::string_view QueryOf(const HttpRequest& req) {
    const std::string_view target(req.target);
    const size_t mark = target.find('?');
    return mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1);
}

// Why a replay may not come for this score now, as an answer.
HttpResponse Refusal(const ReplaySlot& slot, int64_t window) {
    switch (slot.state) {
        case ReplaySlot::State::Unknown:
            return ReplayAnswer(403, false, "unknown token");
        case ReplaySlot::State::TooLate:
            return ReplayAnswer(
                410, false,
                "too late: a replay is taken within " + std::to_string(window) + " s of its score");
        case ReplaySlot::State::Taken:
            // Says how that first replay's check went: a game that lost the first answer learns it.
            return ReplayAnswer(409, slot.verified, "a replay came for this score already");
        case ReplaySlot::State::Open:
            break;
    }
    return ReplayAnswer(503, false, "server trouble");
}

std::string Described(int64_t replayId, const std::string& name, int64_t score) {
    return "replay " + std::to_string(replayId) + " of " + LogSafe(name, 40) + "'s " + std::to_string(score);
}

}  // namespace

HttpResponse ReplayAnswer(int status, std::optional<bool> verified, const std::string& reason) {
    HttpResponse response;
    response.status = status;
    response.contentType = "application/json";
    nlohmann::ordered_json body = {{"verified", nullptr}, {"reason", reason}};
    if (verified) body["verified"] = *verified;
    response.body = body.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    if (status >= 400) response.logNote = reason;
    return response;
}

HttpResponse ScoreServer::ReplayUpload(const HttpRequest& req) {
    const auto items = ParseQuery(QueryOf(req));
    const QueryItem* token = items ? FindItem(*items, "token") : nullptr;
    if (!token || !token->value || items->size() != 1) return ReplayAnswer(400, false, "no token");
    if (!verifier_ || !verifier_->CanCheck())
        return ReplayAnswer(200, false, "this server cannot check replays");

    // The token first: it costs no database work to refuse one we never signed.
    const int64_t now = config_.now();
    if (!signer_.IssuedAt(*token->value)) return ReplayAnswer(403, false, "unknown token");
    if (const ReplaySlot slot = store_.FindReplaySlot(*token->value, now, config_.replayWindow);
        slot.state != ReplaySlot::State::Open)
        return Refusal(slot, config_.replayWindow);

    // Read here, so a file that is no replay of this server's game is refused at once and leaves
    // the score open for the right one; played later, on a checking worker.
    const std::vector<uint8_t> file(req.body.begin(), req.body.end());
    Replay replay;
    try {
        replay = DecodeReplay(file, ReadLimits(verifier_->Limits()));
    } catch (const GameError& error) {
        return ReplayAnswer(400, false, std::string("not a replay: ") + error.what());
    }
    if (const std::string why = ScreenReplay(replay, VANDRAX_VERSION, verifier_->DataId()); !why.empty())
        return ReplayAnswer(422, false, why);
    replay = {};

    if (!verifier_->Reserve()) return ReplayAnswer(503, false, "too many replays waiting; try again later");
    ReplaySlot slot;
    try {
        slot = store_.ClaimReplay(*token->value, now, config_.replayWindow);
    } catch (...) {
        verifier_->Release();
        throw;
    }
    if (slot.state != ReplaySlot::State::Open) {
        verifier_->Release();
        return Refusal(slot, config_.replayWindow);
    }
    verifier_->Submit({slot.replayId, slot.scoreId, slot.score, slot.name, file});
    HttpResponse response = ReplayAnswer(202, std::nullopt, "checking");
    response.logNote = Described(slot.replayId, slot.name, slot.score) + ": checking";
    return response;
}

HttpResponse ScoreServer::ReplayFile(const HttpRequest& req) {
    const std::string_view id = std::string_view(req.path).substr(std::string_view("/api/replays/").size());
    int64_t number = 0;
    const auto [end, error] = std::from_chars(id.data(), id.data() + id.size(), number);
    std::optional<std::vector<uint8_t>> file;
    if (!id.empty() && id[0] != '0' && error == std::errc() && end == id.data() + id.size())
        file = store_.VerifiedReplay(number);
    HttpResponse response;
    if (!file) {
        response.status = 404;
        response.body = "ERROR|no such replay";
        return response;
    }
    response.contentType = "application/octet-stream";
    response.body.assign(file->begin(), file->end());
    response.headers.emplace_back("Content-Disposition", "attachment; filename=\"vandrax-" + std::string(id) +
                                                             std::string(kReplayExtension) + "\"");
    return response;
}

void ScoreServer::ReplayChecked(const ReplayJob& job, const ReplayVerdict& verdict) {
    const std::string what = Described(job.replayId, job.name, job.score);
    try {
        store_.FinishReplay(job.replayId, verdict.verified, verdict.reason, job.file);
        config_.log(what + (verdict.verified ? ": verified, " : ": unverified, ") +
                    LogSafe(verdict.reason, 300));
    } catch (const std::exception& error) {
        config_.log(what + ": server trouble: " + LogSafe(error.what(), 300));
    }
}
