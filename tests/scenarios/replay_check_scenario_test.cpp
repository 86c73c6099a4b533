// vandrax-sim and replays, the way a bug report or the score server meets them: a replay that
// cannot be played here is refused with exit status 2 and its reason; one that plays to another
// end than it recorded fails --check with both ends; the script hands the wheel to the bot and back.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/replay.h"
#include "sim_run.h"

namespace fs = std::filesystem;
using nlohmann::json;
using scenario::ReadWhole;
using scenario::SimFolder;
using scenario::WriteWhole;

namespace {

const fs::path kGolden = fs::path(VANDRAX_REPLAYS) / "quit-with-a-high-score.vxr";

struct Played {
    int status = -1;
    std::string out;
    std::string err;
};

Played Replay(const SimFolder& folder, const fs::path& file) {
    const fs::path out = folder.Dir() / "out.txt";
    const fs::path err = folder.Dir() / "err.txt";
    std::ostringstream command;
    command << VANDRAX_SIM << " --data " << VANDRAX_DATA << " --replay " << file << " --check >" << out
            << " 2>" << err;
    const int status = std::system(command.str().c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadWhole(out), ReadWhole(err)};
}

std::string Bytes(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// The golden replay with something of it changed, written again as the recorder writes.
std::string Rewritten(void (*change)(::Replay&)) {
    ::Replay replay = ReadReplayFile(kGolden.string());
    change(replay);
    return Bytes(EncodeReplay(replay));
}

TEST(ReplayCheckScenario, AReplayThatCannotBePlayedHereExitsWithTwoAndSaysWhy) {
    SimFolder folder("replay-refused");
    const std::string golden = ReadWhole(kGolden);
    ASSERT_GT(golden.size(), 100u);
    std::string flipped = golden;
    flipped.back() = static_cast<char>(flipped.back() ^ 0x5A);  // zlib's check of what it unpacks
    std::string otherFormat = golden;
    otherFormat[8] = 2;
    std::string absurd = golden;
    absurd.replace(9, 4, "\xff\xff\xff\x7f");
    const struct {
        const char* name;
        std::string bytes;
        std::string reason;
    } cases[] = {
        {"empty.vxr", "", "This is not a Vandrax replay"},
        {"text.vxr", "a note, not a replay\n", "This is not a Vandrax replay"},
        {"half.vxr", golden.substr(0, golden.size() / 2), "The replay is cut off or damaged"},
        {"flipped.vxr", flipped, "The replay is cut off or damaged"},
        {"format.vxr", otherFormat, "The replay is of a format this version of the game cannot read"},
        {"absurd.vxr", absurd, "The replay is too large"},
        {"version.vxr", Rewritten([](::Replay& r) { r.start.version = "0.0.9"; }),
         "The replay was recorded by Vandrax 0.0.9 and cannot be played by Vandrax"},
        {"data.vxr", Rewritten([](::Replay& r) { r.start.data[0] ^= 1; }),
         "The replay was recorded with other game data"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = folder.Dir() / c.name;
        WriteWhole(file, c.bytes);
        const Played played = Replay(folder, file);
        EXPECT_EQ(played.status, 2);
        EXPECT_EQ(played.out, "");
        EXPECT_NE(played.err.find(file.string()), std::string::npos) << played.err;
        EXPECT_NE(played.err.find(c.reason), std::string::npos) << played.err;
    }
    const Played missing = Replay(folder, folder.Dir() / "missing.vxr");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("Cannot read the replay"), std::string::npos) << missing.err;
}

// The game plays as it always has; the file says it ended otherwise: --check fails and names the
// file with the end it recorded and the end played, so the difference is in the message.
TEST(ReplayCheckScenario, ACheckThatFailsNamesTheFileAndBothEnds) {
    SimFolder folder("replay-differs");
    const fs::path file = folder.Dir() / "differs.vxr";
    WriteWhole(file, Rewritten([](::Replay& r) {
                   r.end.score += 5;
                   r.end.ended = true;
               }));
    const Played played = Replay(folder, file);
    EXPECT_EQ(played.status, 1);
    const json end = json::parse(played.out, nullptr, false);
    ASSERT_TRUE(end.is_object()) << played.out;
    const ::Replay golden = ReadReplayFile(kGolden.string());
    EXPECT_EQ(end["score"], golden.end.score);
    EXPECT_EQ(end["frames"], golden.end.frames);
    EXPECT_EQ(end["ended"], false);
    std::ostringstream recorded;
    recorded << "recorded {\"score\": " << golden.end.score + 5 << ", \"level\": " << golden.end.level;
    std::ostringstream playedEnd;
    playedEnd << "played   {\"score\": " << golden.end.score << ", \"level\": " << golden.end.level;
    EXPECT_NE(played.err.find(file.string() + ": the game ended otherwise than recorded"), std::string::npos)
        << played.err;
    EXPECT_NE(played.err.find(recorded.str()), std::string::npos) << played.err;
    EXPECT_NE(played.err.find(playedEnd.str()), std::string::npos) << played.err;
    EXPECT_NE(played.err.find("\"ended\": true}\n  played"), std::string::npos) << played.err;
}

// "autopilot off" takes the wheel: the keys the bot held go up, and nothing more of its reaches
// the game until "autopilot on"; then it drives again. The trace says what reached the game.
TEST(AutopilotScenario, TheScriptTakesTheWheelFromTheBotAndGivesItBack) {
    SimFolder folder("replay-wheel");
    const json state =
        folder.Run("9000 autopilot off\n9000 key-down P\n9500 key-down P\n12000 autopilot on\n", 14000,
                   "--seed 3 --play 1 --autopilot --trace " + folder.TraceFile().string());
    EXPECT_EQ(state["ScreenState"], 4);
    // Every input in the order it reached the game, with the time of the frame it came before.
    std::vector<std::pair<uint64_t, std::string>> inputs;
    for (const json& frame : folder.Trace())
        for (const std::string input : frame["inputs"]) inputs.emplace_back(frame["ms"], input);
    const auto firstP =
        std::find_if(inputs.begin(), inputs.end(), [](auto& i) { return i.second == "key-down P"; });
    ASSERT_NE(firstP, inputs.end());
    // Before it, the bot let go of everything it held: the keys down then are the script's P alone.
    std::set<std::string> down;
    for (auto i = inputs.begin(); i != firstP; ++i) {
        if (i->second.rfind("key-down ", 0) == 0) down.insert(i->second.substr(9));
        if (i->second.rfind("key-up ", 0) == 0) down.erase(i->second.substr(7));
    }
    EXPECT_TRUE(down.empty()) << "still held: " << *down.begin();
    EXPECT_GE(firstP->first, 9000u);
    // The bot held keys as the script took over, and let go of them then.
    bool letGo = false;
    for (auto i = inputs.begin(); i != firstP; ++i)
        if (i->first == firstP->first && i->second.rfind("key-up ", 0) == 0) letGo = true;
    EXPECT_TRUE(letGo);
    // Then only the script's lines, until the bot drives again after 12000.
    std::vector<std::string> between;
    auto after = firstP;
    for (; after != inputs.end() && after->first < 12000; ++after) between.push_back(after->second);
    EXPECT_EQ(between, (std::vector<std::string>{"key-down P", "key-down P"}));
    EXPECT_NE(std::find_if(after, inputs.end(),
                           [](auto& input) { return input.second.rfind("key-down ", 0) == 0; }),
              inputs.end())
        << "the bot did not drive again";
}

}  // namespace
