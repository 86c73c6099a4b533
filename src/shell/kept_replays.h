#pragma once
// The player's games as the main window keeps them: each recorded game written to the replay
// folder as it ends, the one that reached its game over held for the name entry that follows (its
// row in the table, its upload with the score), and failures told to the player once.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/high_scores.h"
#include "app/replay.h"
#include "app/replay_store.h"

class KeptReplays {
public:
    // `tell` reports a failure (the form tells the player once, the rest goes to stderr). An empty
    // folder keeps nothing.
    KeptReplays(const std::filesystem::path& folder, std::function<void(const std::string&)> tell);

    bool Keeping() const { return store_.has_value(); }
    // A new game begins: the last one's game over is behind the player.
    void GameBegins();
    // A recorded game has ended; `toNameEntry` when the game-over screen and its name entry follow
    // (no car left, or left with a score for the table).
    void GameEnded(const Replay& replay, bool toNameEntry, const THighScoreTable& table);
    // The replay of the game that has just reached its game over, as its file holds it; empty when
    // there is none.
    std::span<const uint8_t> EndedGame() const { return endedBytes_; }
    // The game that has just reached its game over entered the table as this row.
    void RowEntered(const std::string& name, int32_t score);
    // The table as it stands now decides which tied games stay; nothing is done when it is the
    // table last seen.
    void TableChanged(const THighScoreTable& table);
    // The replay file kept for each row, empty where none is.
    std::array<std::filesystem::path, 10> RowFiles(const THighScoreTable& table) const;
    // Every game kept, newest first.
    std::vector<KeptGame> Games() const;

private:
    template <class F>
    void Try(F&& action);

    std::optional<ReplayStore> store_;
    std::function<void(const std::string&)> tell_;
    std::vector<uint8_t> endedBytes_;
    std::filesystem::path endedFile_;
    std::optional<THighScoreTable> tableSeen_;
};
