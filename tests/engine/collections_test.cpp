// The image and sound collections: lookups, pattern drawing, the colour key and the rules for
// overlapping copies of a sound.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "base/errors.h"
#include "engine/image_list.h"
#include "engine/pack_writer.h"
#include "engine/wave_list.h"
#include "platform/fake/fakes.h"

namespace {

ImageItemData Item(const std::string& name, int32_t w, int32_t h, uint32_t fill, int32_t pw = 0,
                   int32_t ph = 0) {
    ImageItemData item;
    item.name = name;
    item.patternWidth = pw;
    item.patternHeight = ph;
    Picture picture;
    picture.width = w;
    picture.height = h;
    picture.pixels.assign(static_cast<size_t>(w * h), fill);
    item.picture = picture;
    return item;
}

TEST(PictureCollection, FindsByNameIgnoringCaseAndTheLastDuplicateWins) {
    PackContents pack;
    pack.images.push_back(Item("boom", 4, 4, 0xFF000001));
    pack.images.push_back(Item("Road", 4, 4, 0xFF000002));
    pack.images.push_back(Item("BOOM", 8, 4, 0xFF000003));
    TPictureCollection images;
    images.LoadContents(pack);
    EXPECT_EQ(images.FindImage("boom").Data().picture->width, 8);
    EXPECT_EQ(&images.FindImage("ROAD"), &images.FindImage("road"));
    try {
        images.FindImage("Start Game_n");
        FAIL();
    } catch (const GameError& e) {
        EXPECT_STREQ(e.what(), "Image 'Start Game_n' not found");
    }
    // Loading replaces everything.
    images.LoadContents(PackContents{});
    EXPECT_EQ(images.Find("boom"), nullptr);
}

TEST(PictureCollection, PatternsDrawFromTheirTilesAndOutOfRangeDrawsNothing) {
    PackContents pack;
    pack.images.push_back(Item("boom", 80 * 16, 80, 0xFFFFFFFF, 80, 80));
    TPictureCollection images;
    images.LoadContents(pack);
    TPictureCollectionItem& boom = images.FindImage("boom");
    EXPECT_EQ(boom.PatternCount(), 16);  // known before the surface, by the grid rule
    NullSurface surface;
    boom.DrawPattern(surface, 0, 0, 0);
    EXPECT_TRUE(surface.draws.empty());  // not initialised yet

    images.Initialize(&surface);
    EXPECT_EQ(surface.texturesMade, 3);  // 1280 px cut into tiles of 560, 560 and 160
    boom.DrawPattern(surface, 10, 20, 7);
    boom.DrawPattern(surface, 10, 20, 16);
    boom.DrawPattern(surface, 10, 20, -1);
    ASSERT_EQ(surface.draws.size(), 1u);
    EXPECT_EQ(surface.draws[0].texture, 2);
    EXPECT_EQ(surface.draws[0].src, MakeRect(0, 0, 80, 80));  // 7 * 80 = 560: first pattern of tile 2
    EXPECT_EQ(surface.draws[0].dst, MakeRect(10, 20, 80, 80));
    EXPECT_EQ(boom.PatternRect(7), MakeRect(560, 0, 80, 80));
}

// What a recorded frame relies on to name the picture behind a draw: the tile a pattern is drawn
// from, placed where the tile lies, gives the pattern's rectangle in the whole picture.
TEST(PictureCollection, TilesTellWhereTheyLieInThePicture) {
    PackContents pack;
    pack.images.push_back(Item("town", 1280, 1100, 0xFF808080, 80, 100));
    TPictureCollection images;
    images.LoadContents(pack);
    TPictureCollectionItem& town = images.FindImage("town");
    EXPECT_EQ(town.TileCount(), 0);  // no textures before the surface
    NullSurface surface;
    images.Initialize(&surface);
    ASSERT_GT(town.TileCount(), 1);
    int64_t area = 0;
    for (int32_t t = 0; t < town.TileCount(); ++t) {
        EXPECT_EQ(town.TileTexture(t)->Width(), town.TileRect(t).Width());
        EXPECT_EQ(town.TileTexture(t)->Height(), town.TileRect(t).Height());
        area += int64_t{town.TileRect(t).Width()} * town.TileRect(t).Height();
    }
    EXPECT_EQ(area, 1280 * 1100);
    for (int32_t i = 0; i < town.PatternCount(); ++i) {
        town.DrawPattern(surface, 0, 0, i);
        const NullSurface::DrawCall& draw = surface.draws.back();
        const Rect& tile = town.TileRect(draw.texture - 1);  // textures are numbered from 1 as made
        EXPECT_EQ(
            MakeRect(tile.left + draw.src.left, tile.top + draw.src.top, draw.src.Width(), draw.src.Height()),
            town.PatternRect(i))
            << "pattern " << i;
    }
}

TEST(PictureCollection, ColourKeyAndAlphaDecideWhatIsTransparent) {
    PackContents pack;
    ImageItemData keyed = Item("keyed", 2, 1, 0);
    keyed.picture->pixels = {0x00FF00FF, 0x00123456};  // no alpha in the source
    keyed.transparentColor = 0x00FF00FF;               // fuchsia, 0x00BBGGRR
    pack.images.push_back(keyed);
    ImageItemData opaque = keyed;
    opaque.name = "opaque";
    opaque.transparent = false;
    pack.images.push_back(opaque);
    ImageItemData alpha = Item("alpha", 2, 1, 0);
    alpha.picture->pixels = {0x80FF0000, 0x00000000};
    alpha.picture->hasAlpha = true;
    pack.images.push_back(alpha);
    TPictureCollection images;
    images.LoadContents(pack);
    NullSurface surface;
    images.Initialize(&surface);
    EXPECT_FALSE(images.FindImage("keyed").IsOpaqueAt(0, 0, 0));
    EXPECT_TRUE(images.FindImage("keyed").IsOpaqueAt(0, 1, 0));
    EXPECT_TRUE(images.FindImage("opaque").IsOpaqueAt(0, 0, 0));
    EXPECT_TRUE(images.FindImage("alpha").IsOpaqueAt(0, 0, 0));
    EXPECT_FALSE(images.FindImage("alpha").IsOpaqueAt(0, 1, 0));
    EXPECT_FALSE(images.FindImage("alpha").IsOpaqueAt(0, 2, 0));  // outside the pattern
}

SoundItemData Sound(const std::string& name, int32_t maxPlaying, bool looped, int ms = 500) {
    SoundItemData item;
    item.name = name;
    item.maxPlayingCount = maxPlaying;
    item.looped = looped;
    item.wave = MakePcmWave(1, 1000, 8, std::vector<uint8_t>(static_cast<size_t>(ms), 0x80));
    return item;
}

class WaveCollectionTest : public ::testing::Test {
protected:
    void Load(std::vector<SoundItemData> items) {
        PackContents pack;
        pack.kind = PackKind::Sound;
        pack.sounds = std::move(items);
        sounds.Initialize(&device);
        sounds.LoadContents(pack);
    }
    ManualClock clock;
    RecordingSoundDevice device{clock};
    TWaveCollection sounds;
};

TEST_F(WaveCollectionTest, CopiesAreLimitedByMaxPlayingCount) {
    Load({Sound("shoot", 2, false), Sound("boom", 0, false)});
    TWaveCollectionItem& shoot = sounds.FindWave("shoot");
    for (int i = 0; i < 3; ++i) shoot.PlayWave(false);
    EXPECT_EQ(shoot.CopyCount(), 2);
    // Copies 2 and 3 were made (the master is 1); the third play restarted the oldest, copy 2.
    ASSERT_EQ(device.starts.size(), 3u);
    EXPECT_EQ(device.starts[0].buffer, device.starts[2].buffer);
    EXPECT_EQ(shoot.PlayingCount(), 2);

    TWaveCollectionItem& boom = sounds.FindWave("BOOM");
    for (int i = 0; i < 3; ++i) boom.PlayWave(false);
    EXPECT_EQ(boom.CopyCount(), 3);
    EXPECT_EQ(boom.PlayingCount(), 3);

    // Once a copy has ended it is used again instead of a new one.
    clock.now += 600;
    boom.PlayWave(false);
    EXPECT_EQ(boom.CopyCount(), 3);
    EXPECT_EQ(boom.PlayingCount(), 1);
}

TEST_F(WaveCollectionTest, LoopedItemsLoopOnTheirMasterAndIgnoreTheWait) {
    Load({Sound("police", 0, true)});
    TWaveCollectionItem& police = sounds.FindWave("police");
    police.PlayWave(true);
    police.PlayWave(true);
    EXPECT_EQ(clock.now, 0u);  // no wait for a looped item
    EXPECT_EQ(police.CopyCount(), 0);
    ASSERT_EQ(device.starts.size(), 2u);
    EXPECT_TRUE(device.starts[0].looped);
    EXPECT_EQ(police.PlayingCount(), 1);
    clock.now += 100000;
    EXPECT_EQ(police.PlayingCount(), 1);
    police.StopWave();
    EXPECT_EQ(police.PlayingCount(), 0);
}

TEST_F(WaveCollectionTest, WaitBlocksUntilTheCopyHasEnded) {
    Load({Sound("viva", 0, false, 730)});
    sounds.FindWave("viva").PlayWave(true);
    EXPECT_GE(clock.now, 730u);
    EXPECT_LT(clock.now, 750u);  // polled every 10 ms
    EXPECT_EQ(sounds.FindWave("viva").PlayingCount(), 0);
}

TEST_F(WaveCollectionTest, StopStopsEveryCopyAndSettingsBehave) {
    Load({Sound("beep", 0, false)});
    TWaveCollectionItem& beep = sounds.FindWave("beep");
    beep.PlayWave(false);
    beep.PlayWave(false);
    beep.StopWave();
    EXPECT_EQ(beep.PlayingCount(), 0);
    beep.SetMaxPlayingCount(-3);  // stored as 0, the same as now: copies stay
    EXPECT_EQ(beep.MaxPlayingCount(), 0);
    EXPECT_EQ(beep.CopyCount(), 2);
    beep.SetMaxPlayingCount(1);  // a new limit frees the copies
    EXPECT_EQ(beep.CopyCount(), 0);
    try {
        sounds.FindWave("siren");
        FAIL();
    } catch (const GameError& e) {
        EXPECT_STREQ(e.what(), "Wave 'siren' not found");
    }
}

TEST(WaveCollection, AnItemThatIsNotInitialisedPlaysNothing) {
    PackContents pack;
    pack.kind = PackKind::Sound;
    pack.sounds.push_back(Sound("beep", 0, false));
    TWaveCollection sounds;
    sounds.LoadContents(pack);
    sounds.FindWave("beep").PlayWave(true);
    EXPECT_EQ(sounds.FindWave("beep").CopyCount(), 0);
}

}  // namespace

namespace {

TEST(PictureCollection, AMissingPackKeepsTheItemsAndABrokenOneKeepsWhatWasRead) {
    char folder[] = "/tmp/vandrax-packs-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string path = std::string(folder) + "/broken.dxg";
    PackContents pack;
    pack.images.push_back(Item("first", 4, 4, 0xFF000001));
    pack.images.push_back(Item("second", 64, 64, 0xFF000002));
    std::vector<uint8_t> bytes = WritePack(pack);
    bytes.resize(bytes.size() - 1000);  // cut inside the second picture
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);

    TPictureCollection images;
    PackContents old;
    old.images.push_back(Item("boom", 4, 4, 0xFF000003));
    images.LoadContents(old);
    try {
        images.LoadPack(std::string(folder) + "/missing.dxg");
        FAIL();
    } catch (const GameError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot open file \"", 0), 0u) << e.what();
    }
    EXPECT_NE(images.Find("boom"), nullptr);

    EXPECT_THROW(images.LoadPack(path), GameError);
    EXPECT_EQ(images.Find("boom"), nullptr);
    ASSERT_NE(images.Find("first"), nullptr);
    EXPECT_EQ(images.Find("first")->Data().picture->width, 4);
    std::remove(path.c_str());
    rmdir(folder);
}

}  // namespace
