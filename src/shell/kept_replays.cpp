#include "shell/kept_replays.h"

#include "base/errors.h"

KeptReplays::KeptReplays(const std::filesystem::path& folder, std::function<void(const std::string&)> tell)
    : tell_(std::move(tell)) {
    if (!folder.empty()) store_.emplace(folder);
}

template <class F>
void KeptReplays::Try(F&& action) {
    try {
        action();
    } catch (const GameError& error) {
        tell_(error.what());
    }
}

void KeptReplays::GameBegins() {
    endedBytes_.clear();
    endedFile_.clear();
}

void KeptReplays::GameEnded(const Replay& replay, bool toNameEntry, const THighScoreTable& table) {
    GameBegins();
    if (!store_) return;
    std::vector<uint8_t> bytes = EncodeReplay(replay);
    Try([&] {
        const std::filesystem::path file = store_->Keep(bytes, replay.start.startedAt, table);
        if (toNameEntry) endedFile_ = file;
    });
    tableSeen_ = table;
    // Sent with the score even when the disk would not take it.
    if (toNameEntry) endedBytes_ = std::move(bytes);
}

void KeptReplays::RowEntered(const std::string& name, int32_t score) {
    if (!store_ || endedFile_.empty()) return;
    Try([&] { endedFile_ = store_->Tie(endedFile_, name, score); });
}

void KeptReplays::TableChanged(const THighScoreTable& table) {
    if (!store_ || tableSeen_ == table) return;
    tableSeen_ = table;
    Try([&] { store_->Tidy(table); });
}

std::array<std::filesystem::path, 10> KeptReplays::RowFiles(const THighScoreTable& table) const {
    if (!store_) return {};
    return store_->TableReplays(table);
}

std::vector<KeptGame> KeptReplays::Games() const {
    if (!store_) return {};
    return store_->Games();
}
