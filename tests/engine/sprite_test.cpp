// The sprite tree's ordering rules: Z insertion, the move, collision and draw passes, deferred
// death, animation and the tiled background.

#include "engine/sprite.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/errors.h"
#include "engine/image_list.h"
#include "engine/math256.h"
#include "platform/fake/fakes.h"

namespace {

// A sprite that logs its steps, draws and hits into a shared journal.
class Probe : public TSprite {
public:
    Probe(TSprite* parent, std::string name, std::vector<std::string>& journal)
        : TSprite(parent), name_(std::move(name)), journal_(journal) {
        Width = 10;
        Height = 10;
    }
    void Step(int32_t) override {
        journal_.push_back("step " + name_);
        if (onStep) onStep(*this);
    }
    void Render() override { journal_.push_back("draw " + name_); }
    void Hit(TSprite* other, bool& done) override {
        journal_.push_back("hit " + name_ + ">" + static_cast<Probe*>(other)->name_);
        if (onHit) onHit(*this, *other, done);
    }
    std::function<void(Probe&)> onStep;
    std::function<void(Probe&, TSprite&, bool&)> onHit;
    const std::string& Name() const { return name_; }

private:
    std::string name_;
    std::vector<std::string>& journal_;
};

std::vector<std::string> DrawOrderNames(const TSprite& parent) {
    std::vector<std::string> names;
    if (parent.DrawOrder() != nullptr)
        for (TSprite* s : *parent.DrawOrder()) names.push_back(static_cast<Probe*>(s)->Name());
    return names;
}

class SpriteTreeTest : public ::testing::Test {
protected:
    Probe* Add(const std::string& name, int z = 0, TSprite* parent = nullptr) {
        auto* p = new Probe(parent != nullptr ? parent : &engine, name, journal);
        p->SetZ(z);
        return p;
    }
    TSpriteEngine engine;
    NullSurface surface;
    std::vector<std::string> journal;

    void SetUp() override { engine.SetDrawTarget(&surface); }
};

TEST_F(SpriteTreeTest, NewestSpriteOfALayerIsDrawnFirstAndSoSeenBeneath) {
    Add("a");
    Add("b");
    Add("c");
    Add("top", 5);
    Add("under", -1);
    EXPECT_EQ(DrawOrderNames(engine), (std::vector<std::string>{"under", "c", "b", "a", "top"}));

    // Moving to an occupied layer puts the sprite beneath that layer's sprites too.
    Probe* mover = Add("mover", 9);
    mover->SetZ(0);
    EXPECT_EQ(DrawOrderNames(engine), (std::vector<std::string>{"under", "mover", "c", "b", "a", "top"}));
    // Setting the same Z again changes nothing.
    mover->SetZ(0);
    EXPECT_EQ(DrawOrderNames(engine)[1], "mover");
}

TEST_F(SpriteTreeTest, MovePassIsDepthFirstInAdditionOrderAndSkipsStillSubtrees) {
    Probe* a = Add("a", 3);
    Add("a1", 0, a);
    Probe* b = Add("b", 1);
    Add("b1", 0, b);
    b->CanMove = false;
    Add("c", 2);
    engine.MoveTree(1);
    EXPECT_EQ(journal, (std::vector<std::string>{"step a", "step a1", "step c"}));
}

TEST_F(SpriteTreeTest, SpriteBornDuringMoveStepsNextFrameButIsDrawnThisFrame) {
    Probe* parent = Add("parent");
    bool spawned = false;
    parent->onStep = [&](Probe&) {
        if (!spawned) {
            spawned = true;
            Add("child");
        }
    };
    engine.MoveTree(1);
    engine.RenderPass();
    EXPECT_EQ(journal, (std::vector<std::string>{"step parent", "draw child", "draw parent"}));
    journal.clear();
    engine.MoveTree(1);
    EXPECT_EQ(journal, (std::vector<std::string>{"step parent", "step child"}));
}

TEST_F(SpriteTreeTest, KilledSpriteStaysUntilRemoveDeadAndIsListedOnce) {
    Probe* victim = Add("victim");
    Add("other");
    victim->Kill();
    victim->Kill();
    ASSERT_EQ(engine.DeadList.size(), 1u);
    EXPECT_EQ(victim->Collide(), 0);  // a dead sprite runs no pass of its own
    engine.MoveTree(1);
    engine.RenderPass();
    EXPECT_EQ(journal, (std::vector<std::string>{"step victim", "step other", "draw other", "draw victim"}));
    EXPECT_EQ(engine.SpriteTotal, 2);
    engine.RemoveDead();
    EXPECT_EQ(engine.SpriteTotal, 1);
    EXPECT_EQ(engine.ChildCount(), 1);
    EXPECT_TRUE(engine.DeadList.empty());
}

TEST_F(SpriteTreeTest, DeadParentTakesItsDeadChildrenAlong) {
    Probe* parent = Add("parent");
    Probe* child = Add("child", 0, parent);
    child->Kill();
    parent->Kill();
    engine.RemoveDead();
    EXPECT_EQ(engine.ChildCount(), 0);
    EXPECT_EQ(engine.SpriteTotal, 0);
    EXPECT_TRUE(engine.DeadList.empty());
}

TEST_F(SpriteTreeTest, CollisionPassEndsWhenTheColliderDiesButNotWhenItKillsTheOther) {
    Probe* shot = Add("shot");
    Add("first");
    Add("second");
    Add("third");
    shot->onHit = [](Probe&, TSprite& other, bool&) { other.Kill(); };
    EXPECT_EQ(shot->Collide(), 3);
    EXPECT_EQ(journal, (std::vector<std::string>{"hit shot>first", "hit shot>second", "hit shot>third"}));

    // Killed sprites can still be hit; a collider that kills itself gets no further Hit.
    journal.clear();
    shot->onHit = [](Probe& self, TSprite&, bool&) { self.Kill(); };
    EXPECT_EQ(shot->Collide(), 1);
    EXPECT_EQ(journal, (std::vector<std::string>{"hit shot>first"}));

    // Switching its own CanCollide off ends the pass the same way.
    journal.clear();
    Probe* bumper = Add("bumper");
    bumper->onHit = [](Probe& self, TSprite&, bool&) { self.CanCollide = false; };
    EXPECT_EQ(bumper->Collide(), 1);
}

TEST_F(SpriteTreeTest, CollisionUsesBoxesTakenBeforeAnyHitAndSkipsNonCollidingSubtrees) {
    Probe* car = Add("car");
    Probe* near = Add("near");
    near->X = 9;  // overlaps [0,10) by one column
    Probe* edge = Add("edge");
    edge->X = 10;  // touching edges do not overlap
    Probe* shy = Add("shy");
    shy->CanCollide = false;
    Add("inside-shy", 0, shy);
    car->onHit = [](Probe& self, TSprite&, bool&) { self.X = 500; };  // moving in Hit changes nothing now
    Probe* far = Add("far");
    far->X = 5;
    EXPECT_EQ(car->Collide(), 2);
    EXPECT_EQ(journal, (std::vector<std::string>{"hit car>near", "hit car>far"}));
}

TEST_F(SpriteTreeTest, DrawPassSkipsHiddenSubtreesAndSpritesOffTheSurface) {
    Probe* hidden = Add("hidden");
    hidden->Shown = false;
    Add("hidden-child", 0, hidden);
    Probe* partly = Add("partly");
    partly->X = -5;
    Probe* touching = Add("touching");
    touching->X = 800;  // box [800,810) only touches the surface's edge
    Probe* below = Add("below");
    below->Y = 595;
    engine.RenderPass();
    EXPECT_EQ(journal, (std::vector<std::string>{"draw below", "draw partly"}));
    EXPECT_EQ(engine.DrawnCount, 2);
}

TEST_F(SpriteTreeTest, ChildAtReportsTheGameTexts) {
    try {
        engine.ChildAt(0);
        FAIL() << "no error";
    } catch (const GameError& e) {
        EXPECT_STREQ(e.what(), "Index of the list exceeds the range. (0)");
    }
    Add("only");
    try {
        engine.ChildAt(3);
        FAIL() << "no error";
    } catch (const GameError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (3)");
    }
}

TEST(ImageSpriteAnimation, ClampsLoopsAndResets) {
    struct Case {
        const char* what;
        int32_t frameCount;
        bool loop;
        double index;
        double speed;
        double wantIndex;
        double wantSpeed;
    };
    const Case cases[] = {
        {"reaching the end stops on the last frame", 4, false, 3.9, 0.1, 3, 0},
        {"a looping animation wraps", 4, true, 4.4, 0.1, 0.5, 0.1},
        {"running backwards stops on the first frame", 4, false, 0.05, -0.1, 0, 0},
        {"no frames, looping", 0, true, 2.0, 0.1, 0, 0.1},
        {"no frames, not looping", 0, false, 2.0, 0.0, 0, 0},
        {"in the middle nothing is clamped", 4, false, 1.0, 0.5, 1.5, 0.5},
    };
    TSpriteEngine engine;
    for (const Case& c : cases) {
        auto* sprite = new TImageSprite(&engine);
        sprite->FrameCount = c.frameCount;
        sprite->FrameLoop = c.loop;
        sprite->FrameIndex = c.index;
        sprite->FrameSpeed = c.speed;
        sprite->Step(1);
        EXPECT_NEAR(sprite->FrameIndex, c.wantIndex, 1e-9) << c.what;
        EXPECT_NEAR(sprite->FrameSpeed, c.wantSpeed, 1e-9) << c.what;
    }
}

TEST(ImageSpriteAnimation, LagCountScalesTheAnimation) {
    TSpriteEngine engine;
    auto* sprite = new TImageSprite(&engine);
    sprite->FrameCount = 16;
    sprite->FrameSpeed = 0.05;
    sprite->Step(3);
    EXPECT_NEAR(sprite->FrameIndex, 0.15, 1e-12);
    sprite->FrameStart = 2;
    sprite->FrameIndex = 3.7;
    EXPECT_EQ(sprite->CurrentPattern(), 5);
}

TEST(ImageSpriteExtent, WrappedSpritesComeBackOnTheOtherSide) {
    TSpriteEngine engine;
    auto* sprite = new TImageSprite(&engine);
    sprite->Width = 100;
    sprite->Height = 50;
    sprite->Wrap = true;
    struct Case {
        double x, y;
        int32_t left, top;
    };
    for (const Case& c : {Case{850, 10, -50, 10}, Case{-30, -20, -30, -20}, Case{950, 700, 50, 50},
                          Case{300, 640, 300, -10}}) {
        sprite->X = c.x;
        sprite->Y = c.y;
        EXPECT_EQ(sprite->Extent(), MakeRect(c.left, c.top, 100, 50)) << c.x << "," << c.y;
    }
}

// A picture item of w x h cells, each pattern filled with its own colour.
PackContents OnePicture(const std::string& name, int32_t w, int32_t h, int32_t pw, int32_t ph) {
    PackContents contents;
    ImageItemData item;
    item.name = name;
    item.patternWidth = pw;
    item.patternHeight = ph;
    Picture picture;
    picture.width = w;
    picture.height = h;
    picture.pixels.assign(static_cast<size_t>(w * h), 0xFF808080);
    item.picture = picture;
    contents.images.push_back(item);
    return contents;
}

TEST(BackgroundSprite, WrappedMapDrawsRowsFromTheOffsetOfItsPosition) {
    NullSurface surface;
    TPictureCollection images;
    images.LoadContents(OnePicture("road", 800, 100, 0, 0));
    images.Initialize(&surface);
    TSpriteEngine engine;
    engine.SetDrawTarget(&surface);
    auto* road = new TBackgroundSprite(&engine);
    road->ResizeMap(1, 1);
    road->ImageItem = &images.FindImage("road");
    road->Wrap = true;

    auto rowsDrawn = [&](double y) {
        surface.draws.clear();
        road->Y = y;
        engine.RenderPass();
        std::vector<int32_t> tops;
        for (const auto& d : surface.draws)
            if (d.dst.left == 0) tops.push_back(d.dst.top);
        return tops;
    };
    const std::vector<int32_t> expected = {-50, 50, 150, 250, 350, 450, 550, 650, 750};
    // Rows start at -1, so the first row drawn is one cell above the offset.
    std::vector<int32_t> at250 = rowsDrawn(250);
    std::vector<int32_t> at50 = rowsDrawn(50);
    EXPECT_EQ(at250.front(), -50);
    EXPECT_EQ(at250, at50);  // with equal cells the road looks the same
    for (int32_t top : expected) EXPECT_NE(std::find(at250.begin(), at250.end(), top), at250.end()) << top;
    // Negative positions keep the sign of the remainder: -30 starts at -130.
    EXPECT_EQ(rowsDrawn(-30).front(), -130);
}

TEST(BackgroundSprite, ResizeMapResetsTheGridsAndTouchesTestsSolidCells) {
    TSpriteEngine engine;
    auto* map = new TBackgroundSprite(&engine);
    EXPECT_FALSE(map->CanCollide);
    map->ResizeMap(3, 2);
    EXPECT_EQ(map->Cell(2, 1), 0);
    EXPECT_TRUE(map->SolidCell(2, 1));
    EXPECT_EQ(map->Cell(3, 0), -1);
    EXPECT_FALSE(map->SolidCell(-1, 0));
    map->SetCell(1, 1, 7);
    map->ResizeMap(3, 2);  // same size: nothing changes
    EXPECT_EQ(map->Cell(1, 1), 7);
    map->ResizeMap(0, 5);
    EXPECT_EQ(map->MapColumns(), 0);
    EXPECT_EQ(map->MapRows(), 0);

    NullSurface surface;
    TPictureCollection images;
    images.LoadContents(OnePicture("tile", 20, 20, 0, 0));
    images.Initialize(&surface);
    map->ImageItem = &images.FindImage("tile");
    map->ResizeMap(2, 1);
    map->SetSolidCell(0, 0, false);
    TSprite other(&engine);
    other.Width = 5;
    other.Height = 5;
    other.X = 2;
    EXPECT_FALSE(map->Touches(&other));  // over the open cell
    other.X = 22;
    EXPECT_TRUE(map->Touches(&other));  // over the solid one
}

TEST(AngleHelpers, DirectionsAndModulo) {
    EXPECT_NEAR(Cos256(0), 1, 1e-12);
    EXPECT_NEAR(Sin256(0), 0, 1e-12);
    EXPECT_NEAR(Cos256(64), 0, 1e-12);
    EXPECT_NEAR(Sin256(64), 1, 1e-12);  // down, with Y growing downwards
    EXPECT_NEAR(Sin256(192), -1, 1e-12);
    EXPECT_EQ(WrapMod(-1, 10), 9);
    EXPECT_EQ(WrapMod(25, 10), 5);
    EXPECT_DOUBLE_EQ(FloatMod(4.5, 4), 0.5);
    EXPECT_DOUBLE_EQ(FloatMod(-0.5, 4), 3.5);
    EXPECT_DOUBLE_EQ(FloatMod(7.25, 0), 7.25);
}

// ---------------------------------------------------------------------------------------------
// The collision pass, case by case

// An image sprite for the collision pass: it can refuse to touch named sprites, can end the pass
// from its Hit, and writes every Touches question and every Hit into a shared journal.
class Body : public TImageSprite {
public:
    Body(TSprite* parent, std::string name, std::vector<std::string>& journal)
        : TImageSprite(parent), name_(std::move(name)), journal_(journal) {
        Width = 10;
        Height = 10;
    }
    bool Touches(TSprite* other) override {
        const std::string& them = static_cast<Body*>(other)->name_;
        journal_.push_back("ask " + name_ + ">" + them);
        if (refuses.count(them) != 0) return false;
        return TImageSprite::Touches(other);
    }
    void Hit(TSprite* other, bool& done) override {
        const std::string& them = static_cast<Body*>(other)->name_;
        journal_.push_back("hit " + name_ + ">" + them);
        if (them == stopAt) done = true;
    }
    const std::string& Name() const { return name_; }

    std::set<std::string> refuses;
    std::string stopAt;  // the Hit on this sprite sets done

private:
    std::string name_;
    std::vector<std::string>& journal_;
};

TEST(CollisionPass, EndsWhereAHitSaysDoneAndAsksBothSides) {
    struct Target {
        std::string name;
        std::string parent;  // empty: a child of the engine
        bool refusesShot = false;
    };
    struct Case {
        const char* what;
        std::vector<Target> targets;  // in order of creation
        std::set<std::string> shotRefuses;
        std::string stopAt;
        std::vector<std::string> hits;
    };
    const std::vector<Target> flat = {{"a", ""}, {"b", ""}, {"c", ""}};
    const std::vector<Target> nested = {{"p", ""}, {"kid", "p"}, {"grandkid", "kid"}, {"q", ""}};
    const Case cases[] = {
        {"nothing stops the pass", flat, {}, "", {"a", "b", "c"}},
        {"done on the first hit", flat, {}, "a", {"a"}},
        {"done on the second hit", flat, {}, "b", {"a", "b"}},
        {"done on the last hit", flat, {}, "c", {"a", "b", "c"}},
        {"subtrees are visited depth first", nested, {}, "", {"p", "kid", "grandkid", "q"}},
        {"done on a parent leaves its children unvisited", nested, {}, "p", {"p"}},
        {"done on a child leaves the parent's siblings unvisited", nested, {}, "kid", {"p", "kid"}},
        {"done deep down ends the pass for every level", nested, {}, "grandkid", {"p", "kid", "grandkid"}},
        {"a target that says no is not hit", {{"a", "", true}, {"b", ""}}, {}, "", {"b"}},
        {"a target that says no is passed over, its children are not",
         {{"p", "", true}, {"kid", "p"}},
         {},
         "",
         {"kid"}},
        {"the collider saying no to one target skips only that one", flat, {"b"}, "", {"a", "c"}},
        {"the collider saying no to all hits nothing", flat, {"a", "b", "c"}, "", {}},
        {"both saying no", {{"a", "", true}, {"b", ""}}, {"a"}, "", {"b"}},
        {"a target that is not hit cannot end the pass", flat, {"a"}, "a", {"b", "c"}},
        {"a refusal after the stopping hit is never asked", {{"a", ""}, {"b", "", true}}, {}, "a", {"a"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> journal;
        TSpriteEngine engine;
        auto* shot = new Body(&engine, "shot", journal);
        shot->refuses = c.shotRefuses;
        shot->stopAt = c.stopAt;
        std::map<std::string, Body*> byName;
        for (const Target& t : c.targets) {
            TSprite* parent = t.parent.empty() ? static_cast<TSprite*>(&engine) : byName.at(t.parent);
            Body* body = new Body(parent, t.name, journal);
            body->X = t.parent.empty() ? 2 : 0;  // children sit on their parents: every box overlaps
            if (t.refusesShot) body->refuses.insert("shot");
            byName[t.name] = body;
        }

        const int32_t count = shot->Collide();

        std::vector<std::string> hits;
        for (const std::string& line : journal)
            if (line.rfind("hit shot>", 0) == 0) hits.push_back(line.substr(9));
        EXPECT_EQ(hits, c.hits);
        EXPECT_EQ(count, static_cast<int32_t>(c.hits.size()));
        EXPECT_EQ(engine.HitCount, count);
        // Both sides were asked before every hit.
        for (const std::string& target : c.hits) {
            const auto hit = std::find(journal.begin(), journal.end(), "hit shot>" + target);
            EXPECT_NE(std::find(journal.begin(), hit, "ask shot>" + target), hit) << target;
            EXPECT_NE(std::find(journal.begin(), hit, "ask " + target + ">shot"), hit) << target;
        }
        // Once a Hit has said done, nobody else is looked at.
        if (!c.hits.empty() && c.hits.back() == c.stopAt) {
            ASSERT_FALSE(journal.empty());
            EXPECT_EQ(journal.back(), "hit shot>" + c.stopAt);
        }
        // Nobody asks about the collider itself.
        EXPECT_EQ(std::find(journal.begin(), journal.end(), "ask shot>shot"), journal.end());
    }
}

// Pictures for the pixel-exact cases, black being the colour key:
//   "corner": 4 x 4, only the top-left 2 x 2 opaque;
//   "marks":  two 4 x 4 patterns, pattern 0 opaque only at (3, 3), pattern 1 only at (0, 0).
PackContents CollisionPictures() {
    PackContents contents;
    auto picture = [](const char* name, int32_t w, int32_t h, int32_t pw,
                      std::initializer_list<std::pair<int32_t, int32_t>> opaque) {
        ImageItemData item;
        item.name = name;
        item.patternWidth = pw;
        item.patternHeight = h;
        Picture p;
        p.width = w;
        p.height = h;
        p.pixels.assign(static_cast<size_t>(w * h), 0xFF000000);
        for (auto [x, y] : opaque) p.pixels[static_cast<size_t>(y * w + x)] = 0xFFFF4020;
        item.picture = p;
        return item;
    };
    contents.images.push_back(picture("corner", 4, 4, 4, {{0, 0}, {1, 0}, {0, 1}, {1, 1}}));
    contents.images.push_back(picture("marks", 8, 4, 4, {{3, 3}, {4, 0}}));
    return contents;
}

TEST(CollisionPass, PixelExactSpritesMeetOnlyWhereBothAreOpaque) {
    struct Case {
        const char* what;
        bool shotExact;
        bool targetExact;
        const char* picture;  // nullptr: no picture
        int32_t pattern;
        int32_t x, y;
        int32_t size;  // the target's Width and Height
        bool hit;
    };
    // The shot is "corner" at (0, 0), 4 x 4: opaque over [0, 2) x [0, 2).
    const Case cases[] = {
        {"opaque parts overlap", true, true, "corner", 0, 1, 1, 4, true},
        {"boxes overlap, opaque parts do not", true, true, "corner", 0, 2, 2, 4, false},
        {"only the shot pixel-exact", true, false, "corner", 0, 2, 2, 4, false},
        {"only the target pixel-exact", false, true, "corner", 0, 2, 2, 4, false},
        {"neither pixel-exact: boxes decide", false, false, "corner", 0, 2, 2, 4, true},
        {"one opaque pixel on the shot's last opaque one", true, true, "marks", 0, -2, -2, 4, true},
        {"one opaque pixel just past it", true, true, "marks", 0, -1, -1, 4, false},
        {"one opaque pixel just before it", true, true, "marks", 0, -3, -3, 4, true},
        {"one opaque pixel past the shot's box", true, true, "marks", 0, 1, 1, 4, false},
        {"the current pattern counts, not the first", true, true, "marks", 1, 1, 1, 4, true},
        {"a larger sprite's picture sits in its middle", true, true, "corner", 0, 0, 0, 8, false},
        {"a larger sprite's picture reaching the shot", true, true, "corner", 0, -3, -3, 8, true},
        {"no picture: boxes decide", true, true, nullptr, 0, 3, 3, 4, true},
    };
    NullSurface surface;
    TPictureCollection images;
    images.LoadContents(CollisionPictures());
    images.Initialize(&surface);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TSpriteEngine engine;
        auto* shot = new TImageSprite(&engine);
        shot->ImageItem = &images.FindImage("corner");
        shot->Width = 4;
        shot->Height = 4;
        shot->PixelExact = c.shotExact;
        auto* target = new TImageSprite(&engine);
        if (c.picture != nullptr) target->ImageItem = &images.FindImage(c.picture);
        target->FrameStart = c.pattern;
        target->X = c.x;
        target->Y = c.y;
        target->Width = c.size;
        target->Height = c.size;
        target->PixelExact = c.targetExact;
        ASSERT_TRUE(Overlaps(shot->Extent(), target->Extent()));
        EXPECT_EQ(shot->Collide(), c.hit ? 1 : 0);
        // The test is the same seen from the other side.
        EXPECT_EQ(target->Collide(), c.hit ? 1 : 0);
    }
}

// ---------------------------------------------------------------------------------------------
// Drawing an image sprite

// A surface that keeps its textures' pixels and records each draw with the pixels it copied.
class RecordingSurface : public NullSurface {
public:
    struct Texture : ITexture {
        Texture(const uint32_t* p, int32_t w, int32_t h) : pixels(p, p + w * h), width(w), height(h) {}
        int32_t Width() const override { return width; }
        int32_t Height() const override { return height; }
        std::vector<uint32_t> pixels;
        int32_t width, height;
    };
    struct Call {
        bool rotated;
        std::vector<uint32_t> pixels;  // the source rectangle, row by row
        Rect dst;
        double degrees;
        int32_t opacity;
    };

    std::unique_ptr<ITexture> CreateTexture(const uint32_t* pixels, int32_t width, int32_t height) override {
        return std::make_unique<Texture>(pixels, width, height);
    }
    void Draw(ITexture& texture, const Rect& src, const Rect& dst, int32_t opacity) override {
        calls.push_back({false, Copy(texture, src), dst, 0, opacity});
    }
    void DrawRotated(ITexture& texture, const Rect& src, const Rect& dst, double degrees,
                     int32_t opacity) override {
        calls.push_back({true, Copy(texture, src), dst, degrees, opacity});
    }

    std::vector<Call> calls;

private:
    static std::vector<uint32_t> Copy(ITexture& texture, const Rect& src) {
        const auto& t = static_cast<Texture&>(texture);
        std::vector<uint32_t> out;
        for (int32_t y = src.top; y < src.bottom; ++y)
            for (int32_t x = src.left; x < src.right; ++x)
                out.push_back(t.pixels[static_cast<size_t>(y * t.width + x)]);
        return out;
    }
};

// A gun barrel pointing up, twice: two 3 x 3 patterns of one picture, told apart by colour.
//   . T .
//   . B .
//   B B B
constexpr uint32_t kTip0 = 0xFFFF0000, kBody0 = 0xFF00FF00, kTip1 = 0xFF0000FF, kBody1 = 0xFFFFFF00;
std::vector<uint32_t> GunPattern(uint32_t tip, uint32_t body) {
    return {0x00000000, tip, 0x00000000, 0x00000000, body, 0x00000000, body, body, body};
}
PackContents GunPicture() {
    ImageItemData item;
    item.name = "gun";
    item.patternWidth = 3;
    item.patternHeight = 3;
    Picture p;
    p.width = 6;
    p.height = 3;
    p.hasAlpha = true;
    p.bitCount = 32;
    const std::vector<uint32_t> a = GunPattern(kTip0, kBody0), b = GunPattern(kTip1, kBody1);
    for (int y = 0; y < 3; ++y) {
        p.pixels.insert(p.pixels.end(), a.begin() + y * 3, a.begin() + y * 3 + 3);
        p.pixels.insert(p.pixels.end(), b.begin() + y * 3, b.begin() + y * 3 + 3);
    }
    item.picture = p;
    PackContents contents;
    contents.images.push_back(item);
    return contents;
}

TEST(ImageSpriteRender, RotationTurnsThePictureClockwiseAndOpacityIsPassedOn) {
    struct Case {
        uint8_t rotation;
        int32_t opacity;
        int32_t frameStart;
        bool rotated;
        double degrees;
        int32_t wantOpacity;
    };
    const Case cases[] = {
        {0, 255, 0, false, 0, 255},          {64, 255, 0, true, 90, 255}, {128, 128, 0, true, 180, 128},
        {192, 255, 1, true, 270, 255},       {32, 255, 0, true, 45, 255}, {1, 200, 1, true, 1.40625, 200},
        {255, 255, 0, true, 358.59375, 255}, {0, 128, 1, false, 0, 128},  {0, 0, 0, false, 0, 0},
        {0, 300, 0, false, 0, 255},          {0, -20, 0, false, 0, 0},    {96, 400, 0, true, 135, 255},
        {224, -1, 1, true, 315, 0},          {64, 254, 1, true, 90, 254},
    };
    RecordingSurface surface;
    TPictureCollection images;
    images.LoadContents(GunPicture());
    images.Initialize(&surface);
    TSpriteEngine engine;
    engine.SetDrawTarget(&surface);
    auto* gun = new TImageSprite(&engine);
    gun->ImageItem = &images.FindImage("gun");
    gun->Width = 3;
    gun->Height = 3;
    gun->X = 40.7;  // drawn at whole pixels
    gun->Y = 20.2;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "rotation " << int(c.rotation) << ", opacity " << c.opacity);
        surface.calls.clear();
        gun->Rotation = c.rotation;
        gun->Opacity = c.opacity;
        gun->FrameStart = c.frameStart;
        engine.RenderPass();
        ASSERT_EQ(surface.calls.size(), 1u);
        const RecordingSurface::Call& call = surface.calls[0];
        EXPECT_EQ(call.rotated, c.rotated);
        EXPECT_DOUBLE_EQ(call.degrees, c.degrees);
        EXPECT_EQ(call.opacity, c.wantOpacity);
        // Turned about its own centre: the box stays where the sprite is.
        EXPECT_EQ(call.dst, MakeRect(40, 20, 3, 3));
        EXPECT_EQ(call.pixels, c.frameStart == 0 ? GunPattern(kTip0, kBody0) : GunPattern(kTip1, kBody1));
    }
}

TEST(ImageSpriteRender, ARotatedSpriteLargerThanItsPictureKeepsItsCentre) {
    RecordingSurface surface;
    TPictureCollection images;
    images.LoadContents(GunPicture());
    images.Initialize(&surface);
    TSpriteEngine engine;
    engine.SetDrawTarget(&surface);
    auto* gun = new TImageSprite(&engine);
    gun->ImageItem = &images.FindImage("gun");
    struct Case {
        int32_t w, h;
        double x, y;
    };
    for (const Case& c : {Case{8, 6, 100, 50}, Case{7, 5, 100, 50}, Case{3, 9, 10.9, 0.5}}) {
        SCOPED_TRACE(::testing::Message() << c.w << "x" << c.h << " at " << c.x << "," << c.y);
        gun->Width = c.w;
        gun->Height = c.h;
        gun->X = c.x;
        gun->Y = c.y;
        for (uint8_t rotation : {0, 64}) {
            surface.calls.clear();
            gun->Rotation = rotation;
            engine.RenderPass();
            ASSERT_EQ(surface.calls.size(), 1u);
            EXPECT_EQ(surface.calls[0].dst, gun->Extent()) << int(rotation);
        }
    }
}

}  // namespace
