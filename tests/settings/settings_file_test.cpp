#include "app/settings_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "app/text_codec.h"
#include "base/errors.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

class SettingsFileTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vandrax-settings-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }

    static std::string ReadWhole(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void WriteWhole(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::set<std::string> Entries(const fs::path& folder) {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }

    fs::path folder_;
};

std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "text after the last CR LF";
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines, const std::string& end) {
    std::string text;
    for (const auto& line : lines) text += line + end;
    return text;
}

void ExpectDefaultTable(const THighScoreTable& table) {
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].Name, DefaultHighScores()[i].Name) << "row " << i;
        EXPECT_EQ(table[i].Score, DefaultHighScores()[i].Score) << "row " << i;
    }
}

TEST(ConfigFormat, DefaultFileLayout) {
    const std::vector<std::string> lines = SplitCrLf(FormatConfig(ConfigValues{}));
    ASSERT_EQ(lines.size(), 25u);
    // The flags are written without filling: "false" reads back exactly, "true" with a byte 0 in front.
    EXPECT_EQ(lines[0], "N3SY265F");  // "false"
    EXPECT_EQ(lines[1], "B4HE7MF");   // "true"
    EXPECT_EQ(lines[2], "B4HE7MF");
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(lines[5], "JF1G85V3PX11L63F");  // "Anonymous%"
    EXPECT_EQ(lines[6], "GN2DANBF");          // "3000%"
    const std::vector<std::string> scores = {"3000%", "2500%", "2000%", "1500%", "1000%",
                                             "500%%", "400%%", "300%%", "200%%", "100%%"};
    for (size_t row = 0; row < 10; ++row) {
        EXPECT_EQ(DecodeText(lines[5 + 2 * row]), "Anonymous%") << "row " << row;
        EXPECT_EQ(DecodeText(lines[6 + 2 * row]), scores[row]) << "row " << row;
    }
}

TEST(ConfigFormat, TextsAreFilledToMultiplesOfFive) {
    struct Case {
        std::string text;
        std::string written;
    };
    const std::vector<Case> cases = {{"Abcde", "Abcde"},
                                     {"Abcdefghij", "Abcdefghij"},
                                     {"Abcdefg", "Abcdefg%%%"},
                                     {"A", "A%%%%"},
                                     {"", ""}};
    for (const auto& c : cases) {
        ConfigValues values;
        values.country = c.text;
        values.name = c.text;
        values.highScores[3].Name = c.text;
        const auto lines = SplitCrLf(FormatConfig(values));
        ASSERT_EQ(lines.size(), 25u);
        for (size_t line : {3u, 4u, 11u}) {
            EXPECT_EQ(lines[line], EncodeText(c.written)) << "'" << c.text << "' on line " << line + 1;
            EXPECT_EQ(DecodeText(lines[line]), c.written) << "'" << c.text << "' on line " << line + 1;
        }
    }
}

TEST(ConfigRead, EmptyTextAsksForFullScreenAndKeepsDefaults) {
    ConfigValues values;
    const ConfigReadResult result = ReadConfigText("", values);
    EXPECT_TRUE(result.switchToFullScreen);
    EXPECT_TRUE(result.problems.empty());
    EXPECT_TRUE(values.music);
    EXPECT_TRUE(values.sound);
    EXPECT_FALSE(values.fullScreen);  // switching is the caller's toggle
    EXPECT_EQ(values.country, "");
    EXPECT_EQ(values.name, "");
    ExpectDefaultTable(values.highScores);
}

TEST(ConfigRead, ShortFileLeavesTheRestAtDefaults) {
    // Three "false" lines, LF ended, the last without a line end.
    ConfigValues values;
    const ConfigReadResult result = ReadConfigText("N3SY265F\nN3SY265F\nN3SY265F", values);
    EXPECT_FALSE(result.switchToFullScreen);
    EXPECT_FALSE(values.music);
    EXPECT_FALSE(values.sound);
    EXPECT_EQ(values.country, "");
    ExpectDefaultTable(values.highScores);

    // A file that stops in the middle of the table: the rows written are read, the rest stay.
    ConfigValues full;
    full.highScores[0] = {"First", 9000};
    full.highScores[1] = {"Second", 8000};
    auto lines = SplitCrLf(FormatConfig(full));
    lines.resize(8);  // up to row 2's name
    ConfigValues partial;
    ReadConfigText(JoinLines(lines, "\r\n"), partial);
    EXPECT_EQ(partial.highScores[0].Name, "First");
    EXPECT_EQ(partial.highScores[0].Score, 9000);
    EXPECT_EQ(partial.highScores[1].Name, "Second");
    EXPECT_EQ(partial.highScores[1].Score, 2500);
    EXPECT_EQ(partial.highScores[2].Name, "Anonymous");
}

TEST(ConfigRead, FlagsCompareExactlyWithFalse) {
    struct Case {
        std::string line;
        bool isFalse;
    };
    const std::vector<Case> cases = {{EncodeText("false"), true},  {EncodeText("true"), false},
                                     {EncodeText("False"), false}, {EncodeText("false%%%%%"), false},
                                     {"zN3SY 265Fo", true},        {"", false}};
    for (const auto& c : cases) {
        ConfigValues values;
        const auto result = ReadConfigText(c.line + "\r\n" + c.line + "\r\n" + c.line + "\r\n", values);
        EXPECT_EQ(result.switchToFullScreen, !c.isFalse) << c.line;
        EXPECT_EQ(values.music, !c.isFalse) << c.line;
        EXPECT_EQ(values.sound, !c.isFalse) << c.line;
    }
}

TEST(ConfigRead, LfAndCrLfLineEndsReadTheSame) {
    ConfigValues written;
    written.music = false;
    written.country = "Norway";
    written.name = "Sigrid";
    written.highScores[9] = {"Last", 150};
    const auto lines = SplitCrLf(FormatConfig(written));
    for (const std::string end : {"\r\n", "\n"}) {
        ConfigValues values;
        const auto result = ReadConfigText(JoinLines(lines, end), values);
        EXPECT_FALSE(result.switchToFullScreen);
        EXPECT_FALSE(values.music);
        EXPECT_EQ(values.country, "Norway");
        EXPECT_EQ(values.name, "Sigrid");
        EXPECT_EQ(values.highScores[9].Name, "Last");
        EXPECT_EQ(values.highScores[9].Score, 150);
    }
}

TEST(ConfigRead, EmptyRowLinesKeepTheCurrentValue) {
    ConfigValues written;
    written.highScores[4].Name = "";  // an empty name is written as an empty line
    auto lines = SplitCrLf(FormatConfig(written));
    lines[14] = "";  // row 4's score line
    ConfigValues values;
    values.highScores[4] = {"Before", 1234};
    const auto result = ReadConfigText(JoinLines(lines, "\r\n"), values);
    EXPECT_TRUE(result.problems.empty());
    EXPECT_EQ(values.highScores[4].Name, "Before");
    EXPECT_EQ(values.highScores[4].Score, 1234);
}

TEST(ConfigRead, BadScoreKeepsTheRowAndReadingGoesOn) {
    ConfigValues written;
    written.highScores[2] = {"Third", 2222};
    written.highScores[9] = {"Tenth", 111};
    auto lines = SplitCrLf(FormatConfig(written));
    lines[6] = EncodeText("12x45");       // row 0 score
    lines[8] = EncodeText("4294967296");  // row 1 score, beyond 32 bits
    lines[20] = EncodeText("%%%%%");      // row 7 score, nothing left after the filling
    ConfigValues values;
    const auto result = ReadConfigText(JoinLines(lines, "\r\n"), values);
    ASSERT_EQ(result.problems.size(), 3u);
    EXPECT_EQ(result.problems[0], "'12x45' is not a valid integer value (line 7)");
    EXPECT_EQ(result.problems[1], "'4294967296' is not a valid integer value (line 9)");
    EXPECT_EQ(result.problems[2], "'' is not a valid integer value (line 21)");
    EXPECT_EQ(values.highScores[0].Score, 3000);
    EXPECT_EQ(values.highScores[1].Score, 2500);
    EXPECT_EQ(values.highScores[7].Score, 300);
    EXPECT_EQ(values.highScores[2].Name, "Third");
    EXPECT_EQ(values.highScores[2].Score, 2222);
    EXPECT_EQ(values.highScores[9].Name, "Tenth");
    EXPECT_EQ(values.highScores[9].Score, 111);
}

TEST(ConfigRead, UnfilledScoreIsAProblemShownPrintably) {
    // "100" written without filling decodes with a byte 0 in front.
    auto lines = SplitCrLf(FormatConfig(ConfigValues{}));
    lines[24] = EncodeText("100");
    ConfigValues values;
    const auto result = ReadConfigText(JoinLines(lines, "\r\n"), values);
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_EQ(result.problems[0], "'\\x00100' is not a valid integer value (line 25)");
    EXPECT_EQ(values.highScores[9].Score, 100);
}

TEST_F(SettingsFileTest, NoFileGivesDefaultsAndTheFileExistsAfterwards) {
    const fs::path path = ConfigPath(folder_ / "home" / ".config" / "vandrax");
    ConfigValues values;
    ConfigReadResult result;
    EXPECT_FALSE(ReadConfigFile(path, values, result));
    EXPECT_FALSE(result.switchToFullScreen);
    EXPECT_TRUE(values.music);
    EXPECT_TRUE(values.sound);
    ExpectDefaultTable(values.highScores);

    WriteConfigFile(path, FormatConfig(values));  // creates the missing folders
    EXPECT_EQ(ReadWhole(path), FormatConfig(ConfigValues{}));
    EXPECT_EQ(Entries(path.parent_path()), std::set<std::string>{"Config.cfg"});

    ConfigValues again;
    ConfigReadResult againResult;
    ASSERT_TRUE(ReadConfigFile(path, again, againResult));
    EXPECT_FALSE(againResult.switchToFullScreen);
    EXPECT_TRUE(again.music);
    EXPECT_TRUE(again.sound);
    EXPECT_TRUE(againResult.problems.empty());
    ExpectDefaultTable(again.highScores);
}

TEST_F(SettingsFileTest, EmptyFileAsksForFullScreen) {
    const fs::path path = ConfigPath(folder_);
    WriteWhole(path, "");
    ConfigValues values;
    ConfigReadResult result;
    ASSERT_TRUE(ReadConfigFile(path, values, result));
    EXPECT_TRUE(result.switchToFullScreen);
    EXPECT_TRUE(values.music);
    EXPECT_TRUE(values.sound);
    ExpectDefaultTable(values.highScores);
}

TEST_F(SettingsFileTest, FullRoundTrip) {
    ConfigValues written;
    written.fullScreen = true;
    written.music = false;
    written.sound = false;
    written.country = "Ukraine";
    written.name = "Oksana";
    const std::vector<std::string> names = {"A",      "Bo",        "Cid",       "Dana",       "Erik5",
                                            "Fedor6", "G\xFCnter", "Hana12345", "Ivan123456", "J0 k%x"};
    const std::vector<int32_t> scores = {
        std::numeric_limits<int32_t>::max(), 1000000, 65536, 4242, 999, 10, 1, 0, -7,
        std::numeric_limits<int32_t>::min()};
    for (size_t i = 0; i < 10; ++i) written.highScores[i] = {names[i], scores[i]};

    const fs::path path = ConfigPath(folder_);
    WriteConfigFile(path, FormatConfig(written));
    ConfigValues values;
    ConfigReadResult result;
    ASSERT_TRUE(ReadConfigFile(path, values, result));
    EXPECT_TRUE(result.switchToFullScreen);
    EXPECT_TRUE(result.problems.empty());
    EXPECT_FALSE(values.music);
    EXPECT_FALSE(values.sound);
    EXPECT_EQ(values.country, "Ukraine");
    EXPECT_EQ(values.name, "Oksana");
    for (size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(values.highScores[i].Name, names[i]) << "row " << i;
        EXPECT_EQ(values.highScores[i].Score, scores[i]) << "row " << i;
    }

    // Saving again what was read gives the same file.
    values.fullScreen = true;
    EXPECT_EQ(FormatConfig(values), ReadWhole(path));
}

TEST_F(SettingsFileTest, TrailingPercentIsLostAfterSaveAndRead) {
    ConfigValues written;
    written.country = "Fr%";  // filled to "Fr%%%"
    written.name = "Bob%%";   // five characters: written as is
    written.highScores[0].Name = "Max%";
    const fs::path path = ConfigPath(folder_);
    WriteConfigFile(path, FormatConfig(written));
    ConfigValues values;
    ConfigReadResult result;
    ASSERT_TRUE(ReadConfigFile(path, values, result));
    EXPECT_EQ(values.country, "Fr");
    EXPECT_EQ(values.name, "Bob");
    EXPECT_EQ(values.highScores[0].Name, "Max");
}

TEST_F(SettingsFileTest, NamesOfFiveAndTenCharactersComeBackUnchanged) {
    for (const std::string text : {"Pavel", "Alexandra1"}) {
        ConfigValues written;
        written.country = text;
        written.name = text;
        written.highScores[5].Name = text;
        const std::string file = FormatConfig(written);
        EXPECT_EQ(SplitCrLf(file)[4].size(), text.size() / 5 * 8) << "no filling";
        const fs::path path = ConfigPath(folder_);
        WriteConfigFile(path, file);
        ConfigValues values;
        ConfigReadResult result;
        ASSERT_TRUE(ReadConfigFile(path, values, result));
        EXPECT_EQ(values.country, text);
        EXPECT_EQ(values.name, text);
        EXPECT_EQ(values.highScores[5].Name, text);
    }
}

TEST_F(SettingsFileTest, ProblemsNameTheFile) {
    auto lines = SplitCrLf(FormatConfig(ConfigValues{}));
    lines[10] = EncodeText("lots%");
    const fs::path path = ConfigPath(folder_);
    WriteWhole(path, JoinLines(lines, "\r\n"));
    ConfigValues values;
    ConfigReadResult result;
    ASSERT_TRUE(ReadConfigFile(path, values, result));
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_EQ(result.problems[0], path.string() + ": 'lots' is not a valid integer value (line 11)");
    EXPECT_EQ(values.highScores[2].Score, 2000);
}

TEST_F(SettingsFileTest, UnreadableFileThrows) {
    ConfigValues values;
    ConfigReadResult result;
    // A folder where the file should be.
    fs::create_directory(ConfigPath(folder_));
    EXPECT_THROW(ReadConfigFile(ConfigPath(folder_), values, result), GameError);
    // Far larger than anything the game writes.
    const fs::path big = folder_ / "Big.cfg";
    WriteWhole(big, std::string(3 << 20, 'A'));
    EXPECT_THROW(ReadConfigFile(big, values, result), GameError);
    ExpectDefaultTable(values.highScores);
}

TEST_F(SettingsFileTest, FolderUnderARegularFileCannotBeWritten) {
    // Root ignores permissions, so the folder is made impossible instead: a file stands in its way.
    WriteWhole(folder_ / "home", "not a folder");
    const fs::path path = ConfigPath(folder_ / "home" / "vandrax");
    try {
        WriteConfigFile(path, FormatConfig(ConfigValues{}));
        FAIL() << "no error";
    } catch (const GameError& error) {
        EXPECT_NE(std::string(error.what()).find(path.string()), std::string::npos) << error.what();
    }
    EXPECT_EQ(ReadWhole(folder_ / "home"), "not a folder");
    EXPECT_EQ(Entries(folder_), std::set<std::string>{"home"});
}

TEST_F(SettingsFileTest, FailedRenameLeavesNoTemporary) {
    // A folder named Config.cfg: the new file is written in full, but cannot replace it.
    const fs::path path = ConfigPath(folder_);
    fs::create_directory(path);
    EXPECT_THROW(WriteConfigFile(path, FormatConfig(ConfigValues{})), GameError);
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(Entries(folder_), std::set<std::string>{"Config.cfg"});
}

TEST_F(SettingsFileTest, LeftoversOfKilledSavesGoAndEverythingElseStays) {
    const fs::path path = ConfigPath(folder_);
    WriteWhole(path, "settings");
    // A process that cannot be running (beyond the kernel's largest pid) and this one.
    const std::string own = std::to_string(::getpid());
    const std::set<std::string> kept = {
        "Config.cfg",         ".Config.cfg." + own + ".0.tmp", ".Config.cfg.notes.tmp",
        ".Config.cfg.12.tmp", ".Other.cfg.99999999.0.tmp",     "Config.cfg.99999999.0.tmp",
        ".Config.cfg.1.x.tmp"};
    const std::set<std::string> leftovers = {".Config.cfg.99999999.0.tmp", ".Config.cfg.99999998.3.tmp"};
    for (const std::string& name : kept)
        if (name != "Config.cfg") WriteWhole(folder_ / name, "x");
    for (const std::string& name : leftovers) WriteWhole(folder_ / name, "half a file");
    EXPECT_EQ(RemoveLeftoverTemporaries(path), 2);
    EXPECT_EQ(Entries(folder_), kept);
    EXPECT_EQ(ReadWhole(path), "settings");
    // No folder yet: nothing to do, no error.
    EXPECT_EQ(RemoveLeftoverTemporaries(folder_ / "none" / "Config.cfg"), 0);
}

// A file is whole when it is what the game writes for what was read from it; anything else is
// damaged (or changed by hand), whatever could still be read of it.
TEST(ConfigRead, WholeOnlyWhenTheTextIsWhatTheGameWrites) {
    ConfigValues played;
    played.fullScreen = true;
    played.country = "Malta";
    InsertHighScore(played.highScores, "Vera", 2600);
    const std::string good = FormatConfig(played);
    std::string lf = good;
    for (size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.replace(at, 2, "\n");
    std::string badScore = good;
    badScore.replace(badScore.rfind("\r\n", badScore.size() - 3) + 2, 0, "x");
    const std::pair<std::string, bool> cases[] = {
        {good, true},
        {FormatConfig(ConfigValues{}), true},
        {lf, true},                                // line ends of another system
        {"", false},                               // empty
        {good.substr(0, good.size() / 2), false},  // cut off
        {good + "more\r\n", false},                // more than the game writes
        {badScore, false},                         // a row that does not read
        {std::string(4096, '\xA5'), false},        // not our file at all
    };
    for (const auto& [text, whole] : cases) {
        ConfigValues values;
        EXPECT_EQ(ReadConfigText(text, values).whole, whole) << text.size() << " bytes";
    }
}

// A damaged file is copied beside itself byte for byte under the time it was found, and only the
// newest three copies stay.
TEST_F(SettingsFileTest, DamagedCopiesKeepTheBytesAndOnlyTheNewestThreeStay) {
    const fs::path path = ConfigPath(folder_);
    const std::string damaged = "\x00\xFF half a line\r\n\x7F"s;
    WriteWhole(path, damaged);
    WriteWhole(folder_ / "Config.cfg.damaged-20200101-000000", "oldest");
    WriteWhole(folder_ / "Config.cfg.damaged-20210101-000000", "older");
    WriteWhole(folder_ / "Config.cfg.damaged-20220101-000000", "old");
    WriteWhole(folder_ / "Other.cfg.damaged-20000101-000000", "not ours");
    setenv("TZ", "UTC", 1);
    tzset();
    const std::time_t when = 1796900000;  // 2026-12-10 10:53:20 UTC
    const fs::path first = KeepDamagedCopy(path, when);
    const fs::path second = KeepDamagedCopy(path, when);
    EXPECT_EQ(first.filename(), "Config.cfg.damaged-20261210-105320");
    EXPECT_EQ(second.filename(), "Config.cfg.damaged-20261210-105320-2");
    EXPECT_EQ(ReadWhole(first), damaged);
    EXPECT_EQ(ReadWhole(second), damaged);
    EXPECT_EQ(ReadWhole(path), damaged) << "the file itself is the caller's to replace";
    const std::set<std::string> left = {
        "Config.cfg", "Config.cfg.damaged-20220101-000000", "Config.cfg.damaged-20261210-105320",
        "Config.cfg.damaged-20261210-105320-2", "Other.cfg.damaged-20000101-000000"};
    EXPECT_EQ(Entries(folder_), left);
    // No file to copy: told, with its name.
    try {
        KeepDamagedCopy(folder_ / "none" / "Config.cfg", when);
        ADD_FAILURE() << "no error";
    } catch (const GameError& error) {
        EXPECT_NE(std::string(error.what()).find("none/Config.cfg"), std::string::npos) << error.what();
    }
}

TEST_F(SettingsFileTest, FullDiskKeepsTheOldFileWhole) {
    const fs::path path = ConfigPath(folder_);
    ConfigValues old;
    old.name = "Old";
    WriteConfigFile(path, FormatConfig(old));
    const std::string before = ReadWhole(path);

    // A file size limit fails the write half-way, as a full disk would.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    try {
        ConfigValues bigger;
        bigger.name = std::string(300, 'N');
        WriteConfigFile(path, FormatConfig(bigger));
    } catch (const GameError& error) {
        message = error.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedHandler);

    EXPECT_NE(message.find(path.string()), std::string::npos)
        << "expected an error naming the file: " << message;
    EXPECT_EQ(ReadWhole(path), before);
    EXPECT_EQ(Entries(folder_), std::set<std::string>{"Config.cfg"});
}

class EnvironmentGuard {
public:
    explicit EnvironmentGuard(const char* name) : name_(name) {
        const char* value = std::getenv(name);
        if (value != nullptr) saved_ = value;
        had_ = value != nullptr;
    }
    ~EnvironmentGuard() {
        if (had_) {
            ::setenv(name_, saved_.c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::string saved_;
    bool had_ = false;
};

TEST(SettingsFolder, FollowsXdgConfigHomeThenHome) {
    EnvironmentGuard home("HOME");
    EnvironmentGuard configHome("XDG_CONFIG_HOME");
    ::setenv("HOME", "/home/player", 1);
    struct Case {
        const char* configHome;
        const char* expected;
    };
    const std::vector<Case> cases = {{"/srv/conf", "/srv/conf/vandrax"},
                                     {"relative/conf", "/home/player/.config/vandrax"},
                                     {"", "/home/player/.config/vandrax"},
                                     {nullptr, "/home/player/.config/vandrax"}};
    for (const auto& c : cases) {
        if (c.configHome != nullptr) {
            ::setenv("XDG_CONFIG_HOME", c.configHome, 1);
        } else {
            ::unsetenv("XDG_CONFIG_HOME");
        }
        EXPECT_EQ(SettingsFolder(), fs::path(c.expected)) << (c.configHome ? c.configHome : "(unset)");
    }
    EXPECT_EQ(ConfigPath("/home/player/.config/vandrax"),
              fs::path("/home/player/.config/vandrax/Config.cfg"));
}

}  // namespace
