// A damaged settings file as a player meets it: the game starts with what could be read of it,
// keeps the damaged bytes in a copy beside it, says once where that copy is, and writes the file
// anew; the next start finds it whole and leaves it alone.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <string>

#include "app/high_scores.h"
#include "app/settings_file.h"
#include "sim_run.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

using scenario::ReadWhole;

std::string RandomBytes(size_t count) {
    std::mt19937 bytes(7);
    std::string text(count, '\0');
    for (char& c : text) c = static_cast<char>(bytes() & 0xFF);
    return text;
}

TEST(SettingsScenario, ADamagedSettingsFileIsKeptBesideAndWhatCanBeReadIsUsed) {
    ConfigValues played;
    played.music = false;
    played.country = "Iceland";
    InsertHighScore(played.highScores, "Vera", 2600);
    InsertHighScore(played.highScores, "Rex", 1700);
    // One row's score spoilt among good rows: line 11, the fourth row's score.
    std::string oneBadLine = FormatConfig(played);
    size_t at = 0;
    for (int line = 1; line < 11; ++line) at = oneBadLine.find("\r\n", at) + 2;
    oneBadLine.insert(at, "x");
    struct Case {
        const char* what;
        std::string bytes;
        bool rowsKept;  // the player's own rows were readable
    };
    const Case cases[] = {
        {"4 KiB of random bytes", RandomBytes(4096), false},
        {"1 MB of random bytes", RandomBytes(1000000), false},
        {"2 MB, too large to read", RandomBytes(2000000), false},
        {"empty", "", false},
        {"one bad line among good rows", oneBadLine, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        scenario::SimFolder folder("settings");
        fs::create_directories(folder.Home());
        const fs::path file = folder.Home() / "Config.cfg";
        std::ofstream(file, std::ios::binary) << c.bytes;

        const json first = folder.Run("", 500, "--seed 1");
        ASSERT_EQ(first["errors"].size(), 1u) << first["errors"];
        const std::string message = first["errors"][0];
        EXPECT_NE(message.find("The settings file was damaged"), std::string::npos) << message;
        // The copy beside it, byte for byte, named in the message.
        std::vector<fs::path> copies;
        for (const auto& entry : fs::directory_iterator(folder.Home()))
            if (entry.path().filename().string().rfind("Config.cfg.damaged-", 0) == 0)
                copies.push_back(entry.path());
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_NE(message.find(copies[0].string()), std::string::npos) << message;
        EXPECT_TRUE(ReadWhole(copies[0]) == c.bytes);
        // What could be read is in use, and the file is whole again.
        const auto hasRow = [&](const char* name, int score) {
            for (const json& row : first["highScores"])
                if (row["name"] == name && row["score"] == score) return true;
            return false;
        };
        EXPECT_EQ(hasRow("Vera", 2600), c.rowsKept) << first["highScores"];
        EXPECT_EQ(hasRow("Rex", 1700), c.rowsKept) << first["highScores"];
        EXPECT_EQ(first["CountryName"] == "Iceland%%%", c.rowsKept);
        ConfigValues values;
        ConfigReadResult result;
        ASSERT_TRUE(ReadConfigFile(file, values, result));
        EXPECT_TRUE(result.whole);

        // The next start finds nothing wrong, tells nothing, and writes nothing.
        const std::string rewritten = ReadWhole(file);
        const auto written = fs::file_time_type::clock::now() - std::chrono::hours(1);
        fs::last_write_time(file, written);
        const json second = folder.Run("", 500, "--seed 1");
        EXPECT_TRUE(second["errors"].empty()) << second["errors"];
        EXPECT_EQ(ReadWhole(file), rewritten);
        EXPECT_EQ(fs::last_write_time(file), written);
        EXPECT_EQ(second["highScores"], first["highScores"]);
    }
}

}  // namespace
