#include "app/replay_store.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <ctime>
#include <system_error>

#include "app/replay.h"
#include "app/settings_file.h"
#include "base/errors.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPrefix = "game-";
constexpr std::string_view kTable = ".table-";
constexpr int kNumberDigits = 6;

bool Plain(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

std::string EncodeName(const std::string& name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : name) {
        if (Plain(c)) {
            out += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::string> DecodeName(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (Plain(text[i])) {
            out += text[i];
            continue;
        }
        if (text[i] != '%' || i + 2 >= text.size() || HexDigit(text[i + 1]) < 0 || HexDigit(text[i + 2]) < 0)
            return std::nullopt;
        out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
        i += 2;
    }
    return out;
}

template <class T>
bool Number(std::string_view text, T& value) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool Digits(std::string_view text, size_t count) {
    return text.size() == count &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Which game each row of the table keeps: for every row, top to bottom, the newest game tied to
// its name and score that no row above has taken. `games` is newest first.
std::array<int, 10> Assign(const std::vector<KeptGame>& games, const THighScoreTable& table) {
    std::array<int, 10> taken{};
    taken.fill(-1);
    std::vector<bool> used(games.size(), false);
    for (size_t r = 0; r < table.size(); ++r) {
        for (size_t g = 0; g < games.size(); ++g) {
            const auto& row = games[g].row;
            if (used[g] || !row || row->Name != table[r].Name || row->Score != table[r].Score) continue;
            used[g] = true;
            taken[r] = static_cast<int>(g);
            break;
        }
    }
    return taken;
}

// What a write cut off by a crash left: ".game-….vxr.PID.N.tmp" of a process no longer running.
void RemoveLeftovers(const fs::path& folder) {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        const size_t end = name.find(".vxr.");
        if (name.size() < 2 || name[0] != '.' || end == std::string::npos ||
            name.compare(1, kPrefix.size(), kPrefix) != 0)
            continue;
        RemoveLeftoverTemporaries(folder / name.substr(1, end + 3));
    }
}

[[noreturn]] void Fail(const fs::path& file, const std::string& reason) {
    throw GameError(FormatMessage("Cannot keep the replay '%s': %s", file.c_str(), reason.c_str()));
}

}  // namespace

fs::path DefaultReplayFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && fs::path(dataHome).is_absolute())
        return fs::path(dataHome) / "vandrax" / "replays";
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') return fs::path(home) / ".local" / "share" / "vandrax" / "replays";
    const passwd* entry = ::getpwuid(::getuid());
    if (entry != nullptr && entry->pw_dir != nullptr && *entry->pw_dir != '\0')
        return fs::path(entry->pw_dir) / ".local" / "share" / "vandrax" / "replays";
    throw GameError("Cannot find the folder for replays: HOME is not set");
}

std::string KeptStamp(int64_t startedAt) {
    const std::time_t when = static_cast<std::time_t>(startedAt);
    std::tm utc{};
    gmtime_r(&when, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &utc);
    return stamp;
}

std::string KeptName(const KeptGame& game) {
    std::string name = FormatMessage("game-%0*lld-%s", kNumberDigits, static_cast<long long>(game.number),
                                     game.stamp.c_str());
    if (game.row)
        name += std::string(kTable) + std::to_string(game.row->Score) + "-" + EncodeName(game.row->Name);
    return name + std::string(kReplayExtension);
}

std::optional<KeptGame> ParseKeptName(const std::string& fileName) {
    std::string_view name = fileName;
    if (name.size() < kPrefix.size() + kReplayExtension.size() ||
        name.compare(0, kPrefix.size(), kPrefix) != 0 ||
        name.compare(name.size() - kReplayExtension.size(), kReplayExtension.size(), kReplayExtension) != 0)
        return std::nullopt;
    name.remove_prefix(kPrefix.size());
    name.remove_suffix(kReplayExtension.size());
    KeptGame game;
    const size_t tie = name.find(kTable);
    if (tie != std::string_view::npos) {
        const std::string_view row = name.substr(tie + kTable.size());
        name = name.substr(0, tie);
        // The score may be negative: the dash after it is the first one past its first character.
        const size_t dash = row.find('-', 1);
        TLocal_HighScores tied{};
        if (dash == std::string_view::npos || !Number(row.substr(0, dash), tied.Score)) return std::nullopt;
        const std::optional<std::string> decoded = DecodeName(row.substr(dash + 1));
        if (!decoded) return std::nullopt;
        tied.Name = *decoded;
        game.row = tied;
    }
    // NNNNNN-YYYYMMDD-HHMMSS
    const size_t first = name.find('-');
    if (first == std::string_view::npos || first < static_cast<size_t>(kNumberDigits) ||
        !Number(name.substr(0, first), game.number))
        return std::nullopt;
    const std::string_view stamp = name.substr(first + 1);
    if (stamp.size() != 15 || !Digits(stamp.substr(0, 8), 8) || stamp[8] != '-' ||
        !Digits(stamp.substr(9), 6))
        return std::nullopt;
    game.stamp = std::string(stamp);
    game.file = fileName;
    return game;
}

std::vector<KeptGame> ReplayStore::Games() const {
    std::vector<KeptGame> games;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_, error)) {
        std::optional<KeptGame> game = ParseKeptName(entry.path().filename().string());
        if (!game || !entry.is_regular_file(error)) continue;
        game->file = entry.path();
        games.push_back(std::move(*game));
    }
    std::sort(games.begin(), games.end(), [](const KeptGame& a, const KeptGame& b) {
        return a.number != b.number ? a.number > b.number : a.file > b.file;
    });
    return games;
}

fs::path ReplayStore::Keep(std::span<const uint8_t> bytes, int64_t startedAt, const THighScoreTable& table) {
    const std::vector<KeptGame> games = Games();
    KeptGame game;
    game.number = games.empty() ? 1 : games.front().number + 1;
    game.stamp = KeptStamp(startedAt);
    // Another game of the player's running beside this one may have just taken the number.
    std::error_code error;
    while (fs::exists(folder_ / KeptName(game), error)) ++game.number;
    const fs::path file = folder_ / KeptName(game);
    // The settings file's writer: a temporary beside it, flushed, then renamed over.
    WriteConfigFile(file, std::string(bytes.begin(), bytes.end()));
    Tidy(table);
    return file;
}

fs::path ReplayStore::Tie(const fs::path& file, const std::string& name, int32_t score) {
    std::optional<KeptGame> game = ParseKeptName(file.filename().string());
    if (!game || file.parent_path() != folder_) Fail(file, "not a kept game");
    game->row = TLocal_HighScores{name, score};
    const fs::path tied = folder_ / KeptName(*game);
    std::error_code error;
    fs::rename(file, tied, error);
    if (error) Fail(file, error.message());
    return tied;
}

void ReplayStore::Tidy(const THighScoreTable& table) {
    RemoveLeftovers(folder_);
    const std::vector<KeptGame> games = Games();
    const std::array<int, 10> taken = Assign(games, table);
    std::string failure;
    fs::path failed;
    for (size_t g = 0; g < games.size(); ++g) {
        const bool ofTable = std::find(taken.begin(), taken.end(), static_cast<int>(g)) != taken.end();
        if (ofTable) continue;
        std::error_code error;
        if (g >= lastGames_) {
            fs::remove(games[g].file, error);
        } else if (games[g].row) {
            // Still one of the last games, no longer a row's.
            KeptGame untied = games[g];
            untied.row.reset();
            fs::rename(games[g].file, folder_ / KeptName(untied), error);
        }
        if (error && failure.empty()) {
            failure = error.message();
            failed = games[g].file;
        }
    }
    if (!failure.empty()) Fail(failed, failure);
}

std::array<fs::path, 10> ReplayStore::TableReplays(const THighScoreTable& table) const {
    const std::vector<KeptGame> games = Games();
    const std::array<int, 10> taken = Assign(games, table);
    std::array<fs::path, 10> files;
    for (size_t r = 0; r < files.size(); ++r)
        if (taken[r] >= 0) files[r] = games[static_cast<size_t>(taken[r])].file;
    return files;
}
