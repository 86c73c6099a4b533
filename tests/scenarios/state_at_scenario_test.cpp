// vandrax-sim's states on the way (--state-at): each is the state a run of the same script ending
// at that moment writes, so a test may look at several moments of one script in one run.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "sim_run.h"

namespace {

TEST(StateAtScenario, AMomentsStateIsByteForByteTheStateOfARunEndingThere) {
    struct Case {
        const char* what;
        std::string script;
        std::string options;
        std::vector<uint64_t> moments;
        uint64_t quitsAt;  // the program ends here (0: it runs on): later states are all the last
    };
    const Case cases[] = {
        {"the options screen, a country typed, back on the main menu",
         "300 key-down Escape\n400 mouse-move 600 210\n450 mouse-down left\n700 char Malta\n"
         "900 key-down Escape\n",
         "--seed 3",
         {0, 299, 300, 451, 702, 1000, 1500},
         0},
        {"a game: the intro, the throttle, a nitro",
         "6500 remove TEnemyCarFirst\n6500 remove TStolb\n6500 remove TZnak\n6600 key-down Up\n"
         "6700 spawn TNitroSprite 458 399\n7500 key-up Up\n",
         "--seed 7 --play 1",
         {100, 2500, 6600, 6601, 6760, 9000},
         0},
        {"the quit overlay's Yes, the program gone",
         "300 key-down Escape\n350 key-down Escape\n400 mouse-move 300 360\n450 mouse-down left\n",
         "--seed 3",
         {420, 449, 2000, 3000},
         450},
    };
    for (const Case& c : cases) {
        scenario::SimFolder together{"state-at"};
        const std::vector<std::string> states = together.RunTexts(c.script, c.moments, c.options);
        ASSERT_EQ(states.size(), c.moments.size()) << c.what;
        for (size_t i = 0; i < c.moments.size(); ++i) {
            scenario::SimFolder alone{"state-at"};
            EXPECT_EQ(states[i], alone.RunTexts(c.script, {c.moments[i]}, c.options)[0])
                << c.what << " at " << c.moments[i];
            // The moments tell apart: each state is its own, not the run's last one repeated.
            const bool bothAfterQuitting = c.quitsAt != 0 && i > 0 && c.moments[i - 1] >= c.quitsAt;
            if (i > 0 && !bothAfterQuitting) {
                EXPECT_NE(states[i], states[i - 1]) << c.what << " at " << c.moments[i];
            }
        }
    }
}

TEST(StateAtScenario, AMomentThatCannotBeKeptIsAUsageError) {
    for (const char* moment : {"2000:late.json", "state.json", ":state.json", "1x:state.json"}) {
        const std::string command = std::string(VANDRAX_SIM) + " --data " + VANDRAX_DATA +
                                    " --until-ms 1000 --state-at " + moment + " 2>/dev/null";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status)) << moment;
        EXPECT_EQ(WEXITSTATUS(status), 2) << moment;
    }
}

}  // namespace
