// The road's pictures and sounds load, and the fixture's state is a game in progress.
#include "world_fixture.h"

TEST_F(WorldTest, TheMainPackHoldsTheRoadsPictures) {
    for (const char* name : {"carOfBuldogsPlayer", "fura", "boom", "cr_pr", "background"})
        EXPECT_NO_THROW(images.FindImage(name)) << name;
    EXPECT_NO_THROW(waves.FindWave("police"));
}
