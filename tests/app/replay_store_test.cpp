// The kept replays in a folder of their own: the last games rotate, a game in the high-score table
// stays as long as its row, and a write that fails leaves the folder as it was.

#include "app/replay_store.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/errors.h"

namespace fs = std::filesystem;

namespace {

std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::set<std::string> Entries(const fs::path& folder) {
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        names.insert(entry.path().filename().string());
    return names;
}

// A game's bytes that say which game it was.
std::vector<uint8_t> Bytes(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

// 2024-05-01 15:30:12 UTC
constexpr int64_t kMay = 1714577412;

class ReplayStoreTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vandrax-replays-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        folder_ = root_ / "vandrax" / "replays";
    }
    void TearDown() override { fs::remove_all(root_); }

    // The games' contents, newest first.
    std::vector<std::string> Kept(const ReplayStore& store) const {
        std::vector<std::string> contents;
        for (const KeptGame& game : store.Games()) contents.push_back(ReadWhole(game.file));
        return contents;
    }

    fs::path root_;
    fs::path folder_;
};

TEST_F(ReplayStoreTest, TheLastGamesRotateTheOlderOnesGo) {
    ReplayStore store(folder_, 3);
    const THighScoreTable table = DefaultHighScores();
    const fs::path first = store.Keep(Bytes("game 1"), kMay, table);
    EXPECT_EQ(first, folder_ / "game-000001-20240501-153012.vxr");  // the folders made on the way
    for (int i = 2; i <= 5; ++i) store.Keep(Bytes("game " + std::to_string(i)), kMay + i, table);
    EXPECT_EQ(Kept(store), (std::vector<std::string>{"game 5", "game 4", "game 3"}));
    EXPECT_EQ(Entries(folder_),
              (std::set<std::string>{"game-000003-20240501-153015.vxr", "game-000004-20240501-153016.vxr",
                                     "game-000005-20240501-153017.vxr"}));
    // The count goes on across a restart: the folder alone holds it.
    ReplayStore again(folder_, 3);
    EXPECT_EQ(again.Keep(Bytes("game 6"), kMay, table).filename(), "game-000006-20240501-153012.vxr");
    EXPECT_EQ(Kept(again), (std::vector<std::string>{"game 6", "game 5", "game 4"}));
}

TEST_F(ReplayStoreTest, AGameInTheTableStaysAsLongAsItsRow) {
    ReplayStore store(folder_, 2);
    THighScoreTable table = DefaultHighScores();
    const fs::path rex = store.Keep(Bytes("Rex's game"), kMay, table);
    // The name entry after the game over: the row goes in, then the tie.
    InsertHighScore(table, "Rex", 2600);
    const fs::path tied = store.Tie(rex, "Rex", 2600);
    EXPECT_EQ(tied.filename(), "game-000001-20240501-153012.table-2600-Rex.vxr");
    EXPECT_FALSE(fs::exists(rex));
    for (int i = 2; i <= 5; ++i) store.Keep(Bytes("game " + std::to_string(i)), kMay + i, table);
    EXPECT_EQ(Kept(store), (std::vector<std::string>{"game 5", "game 4", "Rex's game"}));
    std::array<fs::path, 10> marks = store.TableReplays(table);
    EXPECT_EQ(marks[1], tied);  // 2600 stands second, under 3000
    for (size_t row = 0; row < marks.size(); ++row) EXPECT_EQ(marks[row].empty(), row != 1) << row;

    // Nine better scores push the row off the table: its game goes with it.
    for (int i = 0; i < 9; ++i) InsertHighScore(table, "Ace", 5000 + i);
    store.Tidy(table);
    EXPECT_EQ(Kept(store), (std::vector<std::string>{"game 5", "game 4"}));
    for (const fs::path& mark : store.TableReplays(table)) EXPECT_TRUE(mark.empty());
}

TEST_F(ReplayStoreTest, ARowThatLeavesTheTableLeavesARecentGameAsOneOfTheLast) {
    ReplayStore store(folder_, 3);
    THighScoreTable table = DefaultHighScores();
    const fs::path kept = store.Keep(Bytes("Ann's game"), kMay, table);
    InsertHighScore(table, "Ann", 700);
    store.Tie(kept, "Ann", 700);
    // The table cleared: the game is no row's, yet one of the last three.
    store.Tidy(DefaultHighScores());
    EXPECT_EQ(Entries(folder_), std::set<std::string>{kept.filename().string()});
    // A table that holds the same name and score again does not take the untied game back.
    EXPECT_TRUE(store.TableReplays(table)[5].empty());
}

TEST_F(ReplayStoreTest, EqualRowsTakeTheirGamesNewestFirst) {
    ReplayStore store(folder_, 1);
    THighScoreTable table = DefaultHighScores();
    const fs::path older = store.Keep(Bytes("older"), kMay, table);
    InsertHighScore(table, "Ann", 900);
    const fs::path olderTied = store.Tie(older, "Ann", 900);
    const fs::path newer = store.Keep(Bytes("newer"), kMay + 60, table);
    InsertHighScore(table, "Ann", 900);  // the newer of two equal scores goes above
    const fs::path newerTied = store.Tie(newer, "Ann", 900);
    ASSERT_EQ(table[5].Name, "Ann");
    ASSERT_EQ(table[6].Name, "Ann");
    store.Keep(Bytes("later"), kMay + 120, table);
    const std::array<fs::path, 10> marks = store.TableReplays(table);
    EXPECT_EQ(marks[5], newerTied);
    EXPECT_EQ(marks[6], olderTied);
    // Only one such row left: the newer game stays with it, the older goes.
    table[6] = {"Bob", 850};
    store.Tidy(table);
    EXPECT_EQ(Kept(store), (std::vector<std::string>{"later", "newer"}));
}

TEST_F(ReplayStoreTest, FileNamesCarryAnyRowAndReadBack) {
    struct Case {
        std::string name;
        int32_t score;
        std::string file;
    };
    const Case cases[] = {
        {"Rex", 2600, "game-000042-20240501-153012.table-2600-Rex.vxr"},
        {"Anonymous", 3000, "game-000042-20240501-153012.table-3000-Anonymous.vxr"},
        {"a b/c", 5, "game-000042-20240501-153012.table-5-a%20b%2Fc.vxr"},
        {"-%.", -40, "game-000042-20240501-153012.table--40-%2D%25%2E.vxr"},
        {"", 0, "game-000042-20240501-153012.table-0-.vxr"},
        {"\xe9t\xe9", 1, "game-000042-20240501-153012.table-1-%E9t%E9.vxr"},
    };
    for (const Case& c : cases) {
        KeptGame game;
        game.number = 42;
        game.stamp = KeptStamp(kMay);
        game.row = TLocal_HighScores{c.name, c.score};
        EXPECT_EQ(KeptName(game), c.file);
        const std::optional<KeptGame> read = ParseKeptName(c.file);
        ASSERT_TRUE(read && read->row) << c.file;
        EXPECT_EQ(read->row->Name, c.name);
        EXPECT_EQ(read->row->Score, c.score);
        EXPECT_EQ(read->number, 42);
        EXPECT_EQ(read->stamp, "20240501-153012");
    }
    // What the store did not write is not its own.
    for (const char* other :
         {"notes.txt", "game-000001.vxr", "game-000001-20240501-153012.vxr.bak",
          "game-x00001-20240501-153012.vxr", "game-000001-2024050-153012.vxr",
          "game-000001-20240501-153012.table-12.vxr", "game-000001-20240501-153012.table-12-a%2.vxr",
          "game-000001-20240501-153012.table-x-Rex.vxr"})
        EXPECT_FALSE(ParseKeptName(other)) << other;
}

TEST_F(ReplayStoreTest, TidyingLeavesOtherFilesAndClearsWritesCutOff) {
    ReplayStore store(folder_, 1);
    store.Keep(Bytes("one"), kMay, DefaultHighScores());
    std::ofstream(folder_ / "notes.txt") << "mine";
    // A temporary of a process long gone, and one of a game saving right now (this process).
    std::ofstream(folder_ / ".game-000009-20240501-153012.vxr.999999999.0.tmp") << "half";
    const std::string live = ".game-000010-20240501-153012.vxr." + std::to_string(::getpid()) + ".0.tmp";
    std::ofstream(folder_ / live) << "half";
    store.Keep(Bytes("two"), kMay, DefaultHighScores());
    EXPECT_EQ(Entries(folder_),
              (std::set<std::string>{"game-000002-20240501-153012.vxr", "notes.txt", live}));
}

TEST_F(ReplayStoreTest, AFolderThatCannotBeMadeIsToldAndNothingIsWritten) {
    // Root ignores permissions, so the folder is made impossible instead: a file stands in its way.
    fs::create_directories(root_);
    std::ofstream(root_ / "vandrax") << "not a folder";
    ReplayStore store(folder_);
    try {
        store.Keep(Bytes("game"), kMay, DefaultHighScores());
        FAIL() << "no error";
    } catch (const GameError& error) {
        EXPECT_NE(std::string(error.what()).find((folder_ / "game-000001").string()), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(Entries(root_), std::set<std::string>{"vandrax"});
    EXPECT_TRUE(store.Games().empty());
    for (const fs::path& mark : store.TableReplays(DefaultHighScores())) EXPECT_TRUE(mark.empty());
}

TEST_F(ReplayStoreTest, AFullDiskLeavesNoPartOfTheGameAndTheOthersWhole) {
    ReplayStore store(folder_, 2);
    store.Keep(Bytes("kept before"), kMay, DefaultHighScores());
    const std::set<std::string> before = Entries(folder_);

    // A file size limit fails the write half-way, as a full disk would.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    try {
        store.Keep(std::vector<uint8_t>(5000, 7), kMay + 1, DefaultHighScores());
    } catch (const GameError& error) {
        message = error.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedHandler);

    EXPECT_NE(message.find("game-000002-20240501-153013.vxr"), std::string::npos) << message;
    EXPECT_EQ(Entries(folder_), before);
    EXPECT_EQ(Kept(store), std::vector<std::string>{"kept before"});
}

TEST_F(ReplayStoreTest, TyingWhatIsNotAKeptGameFails) {
    ReplayStore store(folder_);
    const fs::path kept = store.Keep(Bytes("game"), kMay, DefaultHighScores());
    EXPECT_THROW(store.Tie(root_ / kept.filename(), "Rex", 1), GameError);  // another folder
    EXPECT_THROW(store.Tie(folder_ / "notes.txt", "Rex", 1), GameError);
    fs::remove(kept);
    EXPECT_THROW(store.Tie(kept, "Rex", 1), GameError);  // gone since
}

// The game's own folder: XDG_DATA_HOME when it is an absolute path, else under HOME.
TEST(DefaultReplayFolder, FollowsXdgDataHomeThenHome) {
    struct Saved {
        const char* name;
        std::optional<std::string> value;
    };
    std::vector<Saved> saved;
    for (const char* name : {"HOME", "XDG_DATA_HOME"}) {
        const char* value = std::getenv(name);
        saved.push_back({name, value ? std::optional<std::string>(value) : std::nullopt});
    }
    ::setenv("HOME", "/home/player", 1);
    const std::pair<const char*, const char*> cases[] = {
        {"/srv/data", "/srv/data/vandrax/replays"},
        {"relative/data", "/home/player/.local/share/vandrax/replays"},
        {"", "/home/player/.local/share/vandrax/replays"},
        {nullptr, "/home/player/.local/share/vandrax/replays"},
    };
    for (const auto& [dataHome, expected] : cases) {
        if (dataHome != nullptr)
            ::setenv("XDG_DATA_HOME", dataHome, 1);
        else
            ::unsetenv("XDG_DATA_HOME");
        EXPECT_EQ(DefaultReplayFolder(), fs::path(expected)) << (dataHome ? dataHome : "(unset)");
    }
    for (const Saved& s : saved) {
        if (s.value)
            ::setenv(s.name, s.value->c_str(), 1);
        else
            ::unsetenv(s.name);
    }
}

}  // namespace
