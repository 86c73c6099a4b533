// The explosion left on the road where something blew up.
#include "world/explosion.h"

#include <string>

#include "engine/image_list.h"
#include "world_fixture.h"

namespace {

class ExplosionTest : public WorldTest {
public:
    std::string Picture(const TImageSprite& s) { return s.ImageItem != nullptr ? s.ImageItem->Name() : ""; }
};

TEST_F(ExplosionTest, AnExplosionPlaysOnceWhereItHappenedOnTheRoad) {
    auto* boom = new TBoomSprite(world, 100, 200);
    EXPECT_EQ(boom->X, 110);
    EXPECT_EQ(boom->Y, 200);
    EXPECT_EQ(boom->Z(), 2);
    EXPECT_EQ(Picture(*boom), "boom");
    EXPECT_EQ(boom->FrameCount, 16);
    EXPECT_FALSE(boom->FrameLoop);

    state.Speed = 0;
    Frame(2);
    EXPECT_DOUBLE_EQ(boom->FrameIndex, 0.5);  // 0.25 a lag unit
    for (int i = 0; i < 30; ++i) Frame();
    EXPECT_EQ(boom->CurrentPattern(), 15);
    EXPECT_EQ(Count<TBoomSprite>(), 1);

    state.Driving = false;
    state.Speed = 10;
    Frame();
    EXPECT_EQ(boom->Y, 200);
    state.Driving = true;
    boom->Y = 690;
    Frame();
    EXPECT_EQ(boom->Y, 700);  // not yet below 700
    EXPECT_EQ(Count<TBoomSprite>(), 1);
    Frame();
    EXPECT_EQ(Count<TBoomSprite>(), 0);
}

}  // namespace
