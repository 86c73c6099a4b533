// Damaged data files as a player meets them: every error names the file, nothing crashes, a pack
// that cannot be used leaves the player on the main menu (or, for the menu's own pictures, ends
// the game with the file named), and a file that reads but differs from the build's list
// (Data/MANIFEST) is told about once while the game plays on.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>

#include "sim_run.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

using scenario::ReadWhole;
using scenario::WriteWhole;

TEST(DataScenario, EachDamagedFileIsNamedAndNothingCrashes) {
    using Damage = std::function<std::string(std::string)>;
    const auto cutAt = [](size_t size) -> Damage {
        return [size](std::string b) { return b.substr(0, size); };
    };
    const auto flipAt = [](double where) -> Damage {
        return [where](std::string b) {
            b[static_cast<size_t>(where * static_cast<double>(b.size()))] ^= 0x5A;
            return b;
        };
    };
    struct Case {
        const char* what;
        const char* file;
        Damage damage;
        int screen;  // where a started game stands two seconds later
    };
    const Case cases[] = {
        {"main pack cut off in a picture", "Data/GraphicsMain.dxg", cutAt(1000000), 2},
        {"main pack cut off in its header", "Data/GraphicsMain.dxg", cutAt(100), 2},
        {"main pack's header spoilt", "Data/GraphicsMain.dxg", flipAt(0), 2},
        {"a byte of a picture flipped", "Data/GraphicsMain.dxg", flipAt(0.5), 4},
        {"a byte of a sound flipped", "Data/Sound.dxw", flipAt(0.5), 4},
        {"sound pack cut off", "Data/Sound.dxw", cutAt(600000), 4},
        {"a byte of the game's module flipped", "Music/Main.xm", flipAt(0.7), 4},
        {"menu pack cut off", "Data/GraphicsMenu.dxg", cutAt(5000), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        scenario::SimFolder folder("data");
        const fs::path data = folder.Dir() / "data";
        fs::create_directories(data);
        for (const char* part : {"Data", "Music"})
            fs::copy(fs::path(VANDRAX_DATA) / part, data / part, fs::copy_options::recursive);
        ASSERT_TRUE(fs::exists(data / "Data" / "MANIFEST"));
        WriteWhole(data / c.file, c.damage(ReadWhole(data / c.file)));

        const json state = folder.Run("", 4000, "--seed 2 --play 1 --data " + data.string());
        EXPECT_EQ(state["exited"], c.screen == 0) << "only the menu's pictures end the game";
        if (c.screen != 0) {
            EXPECT_EQ(state["ScreenState"], c.screen);
        }
        ASSERT_FALSE(state["errors"].empty());
        size_t toldDiffers = 0;
        for (const json& error : state["errors"]) {
            const std::string text = error;
            EXPECT_EQ(text.rfind(c.file, 0), 0u) << "names the file first: " << text;
            toldDiffers += text.find("damaged or modified") != std::string::npos;
        }
        EXPECT_LE(toldDiffers, 1u) << "told once";
        if (c.screen == 4) {
            EXPECT_EQ(toldDiffers, 1u) << "read without error, found by its hash";
        }
    }
}

}  // namespace
