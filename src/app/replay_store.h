#pragma once
// The player's games kept as replays in one folder: the last games played, and every game that
// entered the high-score table for as long as its row stays there.
//
// The folder alone says what is kept and why. A game's file is
//   game-NNNNNN-YYYYMMDD-HHMMSS.vxr
// (NNNNNN counts the games kept in this folder, the time is when the game began, UTC); a game tied
// to a row of the table carries the row in its name,
//   game-NNNNNN-YYYYMMDD-HHMMSS.table-SCORE-NAME.vxr
// with every character of NAME but letters and digits written as %XX. Tying and untying is one
// rename, so no list beside the files can ever disagree with them.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/high_scores.h"

struct KeptGame {
    std::filesystem::path file;
    int64_t number = 0;  // the later the game, the higher
    std::string stamp;   // when it began, "YYYYMMDD-HHMMSS" (UTC)
    // The row it is tied to; none for a game kept only as one of the last.
    std::optional<TLocal_HighScores> row;
};

class ReplayStore {
public:
    static constexpr size_t kLastGames = 20;

    explicit ReplayStore(std::filesystem::path folder, size_t lastGames = kLastGames)
        : folder_(std::move(folder)), lastGames_(lastGames) {}
    const std::filesystem::path& Folder() const { return folder_; }

    // Writes a replay file's bytes as the newest game (the folders made as needed), whole or not
    // at all, then lets go of what `table` no longer keeps. Returns the game's file. Throws
    // GameError naming the file and the reason.
    std::filesystem::path Keep(std::span<const uint8_t> bytes, int64_t startedAt,
                               const THighScoreTable& table);
    // Ties the game kept as `file` to the row (name, score) and returns its new file. Throws
    // GameError when the file is not one of the store's or cannot be renamed.
    std::filesystem::path Tie(const std::filesystem::path& file, const std::string& name, int32_t score);
    // Removes every game that is neither one of the last games nor tied to a row of `table`; a
    // game still among the last whose row has left the table is untied. Leftovers of writes cut
    // off are cleared. Throws GameError when something could not be removed or renamed, after
    // doing all it could.
    void Tidy(const THighScoreTable& table);

    // The games kept, newest first.
    std::vector<KeptGame> Games() const;
    // The game kept for each row of `table`, empty where none is. Two rows of the same name and
    // score take their games newest first, as the newer of two equal scores stands higher.
    std::array<std::filesystem::path, 10> TableReplays(const THighScoreTable& table) const;

private:
    std::filesystem::path folder_;
    size_t lastGames_;
};

// The game's own replay folder: $XDG_DATA_HOME/vandrax/replays when that is set and absolute, else
// $HOME/.local/share/vandrax/replays. Throws GameError when no home folder is known.
std::filesystem::path DefaultReplayFolder();

// The parts of a kept game's file name; nothing when the name is not one the store writes.
std::optional<KeptGame> ParseKeptName(const std::string& fileName);
std::string KeptName(const KeptGame& game);
// A game's start (Unix seconds) as its file name writes it.
std::string KeptStamp(int64_t startedAt);
