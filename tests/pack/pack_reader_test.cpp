#include "engine/pack_reader.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "base/errors.h"
#include "engine/dib.h"
#include "engine/pack_writer.h"
#include "pack_builder.h"

namespace {

Bytes GraphicsPack(const Bytes& items) {
    Bytes b;
    b.GraphicsStart().Prop("List").Collection().Add(items).PackEnd();
    return b;
}

Bytes SoundPack(const Bytes& items) {
    Bytes b;
    b.SoundStart().Prop("List").Collection().Add(items).PackEnd();
    return b;
}

Bytes Item(const Bytes& properties) {
    Bytes b;
    b.ListBegin().Add(properties).End();
    return b;
}

PackContents Read(const Bytes& bytes) {
    PackContents contents;
    ReadPack(bytes.data(), contents);
    return contents;
}

std::string ErrorOf(const Bytes& bytes) {
    PackContents contents;
    try {
        ReadPack(bytes.data(), contents);
    } catch (const GameError& error) {
        return error.what();
    }
    return "no error";
}

struct ImageCase {
    std::string name;
    Bytes properties;
    std::function<void(const ImageItemData&)> check;
};

TEST(PackReader, ReadsEveryValueKindOfAnImageItem) {
    const std::string longName(300, 'n');
    const std::vector<ImageCase> cases = {
        {"int8 is signed", Bytes().Prop("PatternWidth").Int8(-3),
         [](const ImageItemData& i) { EXPECT_EQ(i.patternWidth, -3); }},
        {"int16", Bytes().Prop("PatternHeight").Int16(300),
         [](const ImageItemData& i) { EXPECT_EQ(i.patternHeight, 300); }},
        {"int32", Bytes().Prop("SkipWidth").Int32(70000),
         [](const ImageItemData& i) { EXPECT_EQ(i.skipWidth, 70000); }},
        {"int8 skip height", Bytes().Prop("SkipHeight").Int8(4),
         [](const ImageItemData& i) { EXPECT_EQ(i.skipHeight, 4); }},
        {"short string", Bytes().Prop("Name").Str("boom"),
         [](const ImageItemData& i) { EXPECT_EQ(i.name, "boom"); }},
        {"long string", Bytes().Prop("Name").LStr(longName),
         [&](const ImageItemData& i) { EXPECT_EQ(i.name, longName); }},
        {"wide string becomes UTF-8", Bytes().Prop("Name").WStr(u"Zv\u00e9zda \u20ac"),
         [](const ImageItemData& i) { EXPECT_EQ(i.name, "Zv\xC3\xA9zda \xE2\x82\xAC"); }},
        {"UTF-8 string", Bytes().Prop("Name").Utf8("Start Game_n"),
         [](const ImageItemData& i) { EXPECT_EQ(i.name, "Start Game_n"); }},
        {"false", Bytes().Prop("Transparent").False(),
         [](const ImageItemData& i) { EXPECT_FALSE(i.transparent); }},
        {"true", Bytes().Prop("SystemMemory").True(),
         [](const ImageItemData& i) { EXPECT_TRUE(i.systemMemory); }},
        {"colour name", Bytes().Prop("TransparentColor").Ident("clFuchsia"),
         [](const ImageItemData& i) { EXPECT_EQ(i.transparentColor, 0xFF00FFu); }},
        {"colour name in other case", Bytes().Prop("TransparentColor").Ident("CLRED"),
         [](const ImageItemData& i) { EXPECT_EQ(i.transparentColor, 0x0000FFu); }},
        {"colour as integer", Bytes().Prop("TransparentColor").Int32(0x00112233),
         [](const ImageItemData& i) { EXPECT_EQ(i.transparentColor, 0x00112233u); }},
        {"picture", Bytes().Prop("Picture.Data").Binary(PictureData(TinyDib(0x123456))),
         [](const ImageItemData& i) {
             ASSERT_TRUE(i.picture.has_value());
             EXPECT_EQ(i.picture->pixels, std::vector<uint32_t>{0xFF123456});
         }},
        {"picture with no graphic class is empty", Bytes().Prop("Picture.Data").Binary(Bytes().Short("")),
         [](const ImageItemData& i) { EXPECT_FALSE(i.picture.has_value()); }},
        {"defaults when nothing is stored", Bytes(),
         [](const ImageItemData& i) {
             EXPECT_EQ(i.name, "");
             EXPECT_EQ(i.patternWidth, 0);
             EXPECT_TRUE(i.transparent);
             EXPECT_FALSE(i.systemMemory);
             EXPECT_EQ(i.transparentColor, 0u);
             EXPECT_FALSE(i.picture.has_value());
         }},
    };
    for (const ImageCase& c : cases) {
        SCOPED_TRACE(c.name);
        PackContents contents;
        ASSERT_NO_THROW(contents = Read(GraphicsPack(Item(c.properties))));
        EXPECT_EQ(contents.kind, PackKind::Graphics);
        ASSERT_EQ(contents.images.size(), 1u);
        c.check(contents.images[0]);
    }
}

TEST(PackReader, ItemsMayCarryAnIndexBeforeTheirList) {
    Bytes items;
    items.Int8(0).Add(Item(Bytes().Prop("Name").Str("a")));
    items.Int16(1).Add(Item(Bytes().Prop("Name").Str("b")));
    items.Int32(2).Add(Item(Bytes().Prop("Name").Str("c")));
    items.Add(Item(Bytes().Prop("Name").Str("d")));
    const PackContents contents = Read(GraphicsPack(items));
    ASSERT_EQ(contents.images.size(), 4u);
    EXPECT_EQ(contents.images[0].name, "a");
    EXPECT_EQ(contents.images[2].name, "c");
    EXPECT_EQ(contents.images[3].name, "d");
}

TEST(PackReader, ReadsTheColourTable) {
    Bytes table;
    for (int i = 0; i < 1024; ++i) table.U8(static_cast<uint8_t>(i * 7));
    Bytes pack;
    pack.GraphicsStart().Prop("List.ColorTable").Binary(table).Prop("List").Collection().PackEnd();
    const PackContents contents = Read(pack);
    ASSERT_TRUE(contents.colorTable.has_value());
    EXPECT_EQ((*contents.colorTable)[0], 0);
    EXPECT_EQ((*contents.colorTable)[1023], static_cast<uint8_t>(1023 * 7));
    EXPECT_TRUE(contents.images.empty());
}

TEST(PackReader, ReadsSoundItems) {
    Bytes items;
    items.Add(Item(Bytes()
                       .Prop("Name")
                       .Str("police")
                       .Prop("Looped")
                       .True()
                       .Prop("MaxPlayingCount")
                       .Int8(3)
                       .Prop("Wave.WAVE")
                       .Binary(WaveImage(1, 22050, 8, {1, 2, 3}))));
    items.Add(Item(Bytes().Prop("Name").Str("shot").Prop("MaxPlayingCount").Int16(-5)));
    const PackContents contents = Read(SoundPack(items));
    EXPECT_EQ(contents.kind, PackKind::Sound);
    ASSERT_EQ(contents.sounds.size(), 2u);
    EXPECT_EQ(contents.sounds[0].name, "police");
    EXPECT_TRUE(contents.sounds[0].looped);
    EXPECT_EQ(contents.sounds[0].maxPlayingCount, 3);
    ASSERT_TRUE(contents.sounds[0].wave.has_value());
    EXPECT_EQ(contents.sounds[0].wave->sampleRate, 22050u);
    EXPECT_EQ(contents.sounds[0].wave->samples, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(contents.sounds[1].maxPlayingCount, 0);  // negative is stored as 0
    EXPECT_FALSE(contents.sounds[1].looped);
    EXPECT_FALSE(contents.sounds[1].wave.has_value());
}

TEST(PackReader, ReportsEachFailureWithItsMessage) {
    const Bytes good = GraphicsPack(Item(Bytes().Prop("Name").Str("a")));
    auto patched = [&](size_t offset, uint8_t value) {
        Bytes b;
        std::vector<uint8_t> data = good.data();
        data[offset] = value;
        return b.Add(data);
    };
    auto truncated = [&](size_t length) {
        return Bytes().Add(std::vector<uint8_t>(good.data().begin(), good.data().begin() + length));
    };
    const size_t signature = 3 + 28 + 6;  // after 0xFF, type, name + NUL, flags, size
    Bytes withChild;
    withChild.GraphicsStart().Prop("List").Collection().End().End().U8(1);
    Bytes table1000;
    for (int i = 0; i < 1000; ++i) table1000.U8(0);

    const std::vector<std::pair<std::string, std::pair<Bytes, std::string>>> cases = {
        {"empty", {Bytes(), "Invalid stream format"}},
        {"first byte not 0xFF", {patched(0, 0xFE), "Invalid stream format"}},
        {"resource type not 10", {patched(1, 11), "Invalid stream format"}},
        {"signature not TPF0", {patched(signature + 3, '1'), "Invalid stream format"}},
        {"stream ends after the header", {truncated(signature), "Stream read error"}},
        {"stream ends inside the items", {truncated(good.size() - 4), "Stream read error"}},
        {"stream ends before the closing zeros", {truncated(good.size() - 1), "Stream read error"}},
        {"unknown root class",
         {Bytes().PackStart("TForm").Prop("List").Collection().PackEnd(), "Class TForm not found"}},
        {"unknown root property",
         {Bytes().GraphicsStart().Prop("Items").Collection().PackEnd(), "Property Items does not exist"}},
        {"unknown item property",
         {GraphicsPack(Item(Bytes().Prop("Angle").Int8(1))), "Property Angle does not exist"}},
        {"sound item property on an image",
         {GraphicsPack(Item(Bytes().Prop("Looped").True())), "Property Looped does not exist"}},
        {"colour table in a sound pack",
         {Bytes().SoundStart().Prop("List.ColorTable").Binary(table1000).PackEnd(),
          "Property List.ColorTable does not exist"}},
        {"colour table of 1000 bytes",
         {Bytes()
              .GraphicsStart()
              .Prop("List.ColorTable")
              .Binary(table1000)
              .Prop("List")
              .Collection()
              .PackEnd(),
          "Invalid property value"}},
        {"boolean given as integer",
         {GraphicsPack(Item(Bytes().Prop("Transparent").Int8(1))), "Invalid property value"}},
        {"name given as integer",
         {GraphicsPack(Item(Bytes().Prop("Name").Int8(1))), "Invalid property value"}},
        {"integer given as string",
         {GraphicsPack(Item(Bytes().Prop("SkipWidth").Str("4"))), "Invalid property value"}},
        {"unknown colour name",
         {GraphicsPack(Item(Bytes().Prop("TransparentColor").Ident("clPlaid"))), "Invalid property value"}},
        {"List not a collection",
         {Bytes().GraphicsStart().Prop("List").ListBegin().PackEnd(), "Invalid property value"}},
        {"item without a list start", {GraphicsPack(Bytes().Str("x")), "Invalid property value"}},
        {"binary longer than the stream",
         {GraphicsPack(Bytes().ListBegin().Prop("Picture.Data").U8(10).U32(0x7FFFFFFF)),
          "Stream read error"}},
        {"graphic that is not a DIB",
         {GraphicsPack(Item(Bytes().Prop("Picture.Data").Binary(Bytes().Short("TBitmap").Add(TinyDib(0))))),
          "DIB is invalid"}},
        {"broken DIB",
         {GraphicsPack(Item(Bytes().Prop("Picture.Data").Binary(PictureData(LongDibHeader(1, 1, 7))))),
          "DIB is invalid"}},
        {"broken wave",
         {SoundPack(Item(Bytes().Prop("Wave.WAVE").Binary(Bytes().Text("RIFX")))), "Wave is invalid"}},
        {"component with a child", {withChild, "Invalid stream format"}},
    };
    for (const auto& [name, c] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ErrorOf(c.first), c.second);
    }
}

TEST(PackReader, AFailureHalfWayKeepsTheItemsReadSoFar) {
    Bytes items;
    items.Add(
        Item(Bytes().Prop("Name").Str("first").Prop("Picture.Data").Binary(PictureData(TinyDib(0xABCDEF)))));
    items.Add(Item(Bytes().Prop("Name").Str("second").Prop("PatternWidth").Int8(8)));
    items.ListBegin().Prop("Name").Str("third").Prop("Picture.Data").Binary(PictureData(Bytes{40, 0, 0, 0}));
    items.End().Add(Item(Bytes().Prop("Name").Str("fourth")));
    PackContents contents;
    contents.images.resize(7);  // whatever was there before goes
    EXPECT_THROW(ReadPack(GraphicsPack(items).data(), contents), GameError);
    ASSERT_EQ(contents.images.size(), 3u);
    EXPECT_EQ(contents.images[0].name, "first");
    ASSERT_TRUE(contents.images[0].picture.has_value());
    EXPECT_EQ(contents.images[1].patternWidth, 8);
    // The failing item stays, with the properties read before its bad picture.
    EXPECT_EQ(contents.images[2].name, "third");
    EXPECT_FALSE(contents.images[2].picture.has_value());
}

TEST(PackReader, ResourceHeaderIsSkippedByItsNameLength) {
    // Only the mark and the type are checked; the name may be anything, flags and size are ignored.
    Bytes pack;
    pack.U8(0xFF).U16(10).Text("X").U8(0).U16(0xBEEF).U32(0xFFFFFFFF);
    pack.Text("TPF0").Short("TWaveCollectionComponent").Short("WaveList").Prop("List").Collection().PackEnd();
    const PackContents contents = Read(pack);
    EXPECT_EQ(contents.kind, PackKind::Sound);
}

// Bytes laid at the very end of a readable page with an unreadable page right after them: a read
// one byte past the end faults in any build, not only under AddressSanitizer.
class FencedBytes {
public:
    explicit FencedBytes(const std::vector<uint8_t>& bytes) {
        const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        const size_t dataPages = bytes.size() / page + 1;
        length_ = (dataPages + 1) * page;
        void* mapping = mmap(nullptr, length_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapping == MAP_FAILED) throw std::runtime_error("mmap failed");
        base_ = static_cast<uint8_t*>(mapping);
        uint8_t* fence = base_ + dataPages * page;
        if (mprotect(fence, page, PROT_NONE) != 0) throw std::runtime_error("mprotect failed");
        data_ = fence - bytes.size();
        if (!bytes.empty()) std::memcpy(data_, bytes.data(), bytes.size());
        size_ = bytes.size();
    }
    ~FencedBytes() { munmap(base_, length_); }
    FencedBytes(const FencedBytes&) = delete;
    FencedBytes& operator=(const FencedBytes&) = delete;
    std::span<const uint8_t> Span() const { return {data_, size_}; }

private:
    uint8_t* base_ = nullptr;
    size_t length_ = 0;
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

std::string ErrorOf(std::span<const uint8_t> bytes) {
    PackContents contents;
    try {
        ReadPack(bytes, contents);
    } catch (const GameError& error) {
        return error.what();
    }
    return "no error";
}

TEST(PackReader, AResourceNameRunningToTheEndIsNeverReadPast) {
    auto header = [](std::string_view name) {
        Bytes b;
        b.U8(0xFF).U16(10).Text(name);
        return b;
    };
    // The rest of a pack after its resource header: flags and size, then the stream.
    Bytes stream;
    stream.U16(0x1030).U32(0).Text("TPF0").Short("TWaveCollectionComponent").Short("").Prop("List");
    stream.Collection().PackEnd();
    const std::string looked(76, 'N');  // the name bytes within the 79 bytes the header reader looks at

    struct Case {
        const char* what;
        Bytes bytes;
        std::string error;
    };
    const Case cases[] = {
        {"the mark alone", Bytes{0xFF}, "Invalid stream format"},
        {"the mark and half the type", Bytes{0xFF, 10}, "Invalid stream format"},
        {"mark and type, then the end", header(""), "Stream read error"},
        {"one name byte, then the end", header("V"), "Stream read error"},
        {"a name of 40 bytes, then the end", header(std::string(40, 'V')), "Stream read error"},
        {"a name of 75 bytes, then the end", header(std::string(75, 'V')), "Stream read error"},
        {"a name filling all 79 bytes looked at", header(looked), "Stream read error"},
        {"a name one past the 79 bytes", header(looked + "N"), "Stream read error"},
        {"a name ending on the last byte", header("VANDRAX").U8(0), "Stream read error"},
        {"a name ending, then half the flags", header("VANDRAX").U8(0).U8(0x30), "Stream read error"},
        {"a name ending, then flags and size and nothing else", header("VANDRAX").U8(0).U16(0).U32(0),
         "Stream read error"},
        // Longer names are cut where the reader stops looking: byte 79 stands for the name's end
        // and the flags come right after it, whatever the name goes on with.
        {"a longer name cut at 76 bytes before a whole stream", header(looked + "X").Add(stream), "no error"},
        {"a name of 77 bytes and its end is cut all the same", header(looked + "X").U8(0).Add(stream),
         "Invalid stream format"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Sized exactly, so a read past the end shows under AddressSanitizer...
        const std::vector<uint8_t> exact(c.bytes.data().begin(), c.bytes.data().end());
        EXPECT_EQ(ErrorOf(std::span<const uint8_t>(exact)), c.error);
        // ...and right before an unreadable page, so it faults in every build.
        const FencedBytes fenced(c.bytes.data());
        EXPECT_EQ(ErrorOf(fenced.Span()), c.error);
    }
}

// A run-length picture that claims w x h pixels with a few bytes: one colour, end of picture.
Bytes RunLengthDib(int32_t w, int32_t h) {
    Bytes b = LongDibHeader(w, h, 8, 1, 1);
    return b.U32(0x00336699).U8(0).U8(1);
}

TEST(PackReader, PicturesOfOnePackShareOnePixelBudget) {
    // Pictures of 4096 x 4096 use up the pack's budget exactly, and one pixel more is refused. Every item
    // drops its picture again (an empty picture after it), so the test keeps only one of them in memory at a
    // time: the budget still counts every picture decoded.
    const int32_t side = 4096;
    const int64_t perPicture = int64_t{side} * side;
    const int64_t fitting = kMaxPackPixels / perPicture;
    ASSERT_EQ(fitting * perPicture, kMaxPackPixels);
    ASSERT_LE(perPicture, kMaxPicturePixels);
    const Bytes big = PictureData(RunLengthDib(side, side));
    Bytes items;
    for (int64_t i = 0; i < fitting; ++i) {
        items.Add(Item(Bytes()
                           .Prop("Name")
                           .Str("big" + std::to_string(i))
                           .Prop("Picture.Data")
                           .Binary(big)
                           .Prop("Picture.Data")
                           .Binary(Bytes().Short(""))));
    }
    items.Add(Item(
        Bytes().Prop("Name").Str("one more").Prop("Picture.Data").Binary(PictureData(TinyDib(0xFFFFFF)))));
    const std::vector<uint8_t> pack = GraphicsPack(items).data();
    ASSERT_LT(pack.size(), 4096u);  // a few bytes on disk for gigabytes of pixels

    PackContents contents;
    try {
        ReadPack(pack, contents);
        ADD_FAILURE() << "no error";
    } catch (const GameError& error) {
        EXPECT_STREQ(error.what(), "DIB is invalid");
    }
    // Every big picture fitted; the failing item is the last one, kept without its picture.
    ASSERT_EQ(contents.images.size(), static_cast<size_t>(fitting + 1));
    EXPECT_EQ(contents.images.back().name, "one more");
    EXPECT_FALSE(contents.images.back().picture.has_value());

    // The same tiny picture alone is fine: it is the budget that refused it.
    Bytes alone;
    alone.Add(Item(Bytes().Prop("Picture.Data").Binary(PictureData(TinyDib(0xFFFFFF)))));
    EXPECT_EQ(ErrorOf(GraphicsPack(alone)), "no error");
}

PackContents SampleGraphics() {
    PackContents contents;
    contents.kind = PackKind::Graphics;
    std::array<uint8_t, 1024> table{};
    for (size_t i = 0; i < table.size(); ++i) table[i] = static_cast<uint8_t>(i % 251);
    contents.colorTable = table;

    ImageItemData boom;
    boom.name = "boom";
    boom.patternWidth = 64;
    boom.patternHeight = 200;
    boom.skipWidth = 4;
    boom.skipHeight = -2;
    boom.systemMemory = true;
    boom.transparent = false;
    boom.transparentColor = 0x00FF00FF;
    Picture alpha;
    alpha.width = 2;
    alpha.height = 3;
    alpha.bitCount = 32;
    alpha.hasAlpha = true;
    alpha.pixels = {0x00000000, 0x80FF0000, 0xFF00FF00, 0x400000FF, 0x12345678, 0xFFFFFFFF};
    boom.picture = alpha;
    contents.images.push_back(boom);

    ImageItemData empty;
    empty.name = std::string(300, 'x');
    empty.transparentColor = 0x80000005;  // a system colour
    contents.images.push_back(empty);

    ImageItemData start;
    start.name = "Start Game_n";
    Picture opaque;
    opaque.width = 3;
    opaque.height = 1;
    opaque.bitCount = 32;
    opaque.pixels = {0xFF000000, 0xFF123456, 0xFFFFFFFF};
    start.picture = opaque;
    contents.images.push_back(start);
    return contents;
}

TEST(PackWriter, GraphicsRoundTripThroughTheReader) {
    const PackContents original = SampleGraphics();
    const std::vector<uint8_t> bytes = WritePack(original);
    PackContents back;
    ReadPack(bytes, back);
    EXPECT_EQ(back.kind, PackKind::Graphics);
    EXPECT_EQ(back.colorTable, original.colorTable);
    ASSERT_EQ(back.images.size(), original.images.size());
    for (size_t i = 0; i < original.images.size(); ++i) {
        SCOPED_TRACE(i);
        const ImageItemData& a = original.images[i];
        const ImageItemData& b = back.images[i];
        EXPECT_EQ(b.name, a.name);
        EXPECT_EQ(b.patternWidth, a.patternWidth);
        EXPECT_EQ(b.patternHeight, a.patternHeight);
        EXPECT_EQ(b.skipWidth, a.skipWidth);
        EXPECT_EQ(b.skipHeight, a.skipHeight);
        EXPECT_EQ(b.systemMemory, a.systemMemory);
        EXPECT_EQ(b.transparent, a.transparent);
        EXPECT_EQ(b.transparentColor, a.transparentColor);
        ASSERT_EQ(b.picture.has_value(), a.picture.has_value());
        if (a.picture) {
            EXPECT_EQ(b.picture->width, a.picture->width);
            EXPECT_EQ(b.picture->height, a.picture->height);
            EXPECT_EQ(b.picture->hasAlpha, a.picture->hasAlpha);
            EXPECT_EQ(b.picture->pixels, a.picture->pixels);
        }
    }
}

TEST(PackWriter, SoundRoundTripThroughTheReader) {
    PackContents original;
    original.kind = PackKind::Sound;
    SoundItemData siren;
    siren.name = "police";
    siren.looped = true;
    siren.maxPlayingCount = 2;
    siren.wave = MakePcmWave(1, 22050, 16, {1, 2, 3, 4, 5, 6});
    original.sounds.push_back(siren);
    SoundItemData silent;
    silent.name = "silent";
    original.sounds.push_back(silent);

    PackContents back;
    ReadPack(WritePack(original), back);
    EXPECT_EQ(back.kind, PackKind::Sound);
    ASSERT_EQ(back.sounds.size(), 2u);
    EXPECT_EQ(back.sounds[0].name, "police");
    EXPECT_TRUE(back.sounds[0].looped);
    EXPECT_EQ(back.sounds[0].maxPlayingCount, 2);
    ASSERT_TRUE(back.sounds[0].wave.has_value());
    EXPECT_EQ(back.sounds[0].wave->samples, siren.wave->samples);
    EXPECT_EQ(back.sounds[0].wave->bitsPerSample, 16);
    EXPECT_EQ(back.sounds[1].name, "silent");
    EXPECT_FALSE(back.sounds[1].wave.has_value());
}

TEST(PackWriter, WritesTheResourceHeader) {
    const std::vector<uint8_t> bytes = WritePack(SampleGraphics());
    const std::string name = "TPICTURECOLLECTIONCOMPONENT";
    ASSERT_GT(bytes.size(), name.size() + 14);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 10);
    EXPECT_EQ(bytes[2], 0);
    EXPECT_EQ(std::string(bytes.begin() + 3, bytes.begin() + 3 + name.size()), name);
    size_t at = 3 + name.size();
    EXPECT_EQ(bytes[at], 0);
    EXPECT_EQ(bytes[at + 1], 0x30);
    EXPECT_EQ(bytes[at + 2], 0x10);
    const uint32_t size =
        bytes[at + 3] | (bytes[at + 4] << 8) | (bytes[at + 5] << 16) | (uint32_t{bytes[at + 6]} << 24);
    EXPECT_EQ(size, bytes.size() - (name.size() + 10));
    EXPECT_EQ(std::string(bytes.begin() + at + 7, bytes.begin() + at + 11), "TPF0");
}

class PackFile : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = ::testing::TempDir() + "pack_reader_test_" + std::to_string(getpid()) + ".dxg";
    }
    void TearDown() override { std::remove(path_.c_str()); }
    std::string path_;
};

TEST_F(PackFile, LoadsAPackFromDisk) {
    const std::vector<uint8_t> bytes = WritePack(SampleGraphics());
    std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    PackContents contents;
    contents.sounds.resize(2);
    LoadPackFile(path_, contents);
    EXPECT_EQ(contents.images.size(), 3u);
    EXPECT_TRUE(contents.sounds.empty());
}

TEST_F(PackFile, AMissingFileSaysWhyAndLeavesTheContentsAlone) {
    PackContents contents;
    contents.images.resize(2);
    const std::string missing = path_ + ".missing";
    try {
        LoadPackFile(missing, contents);
        ADD_FAILURE() << "no error";
    } catch (const GameError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot open file \"" + missing + "\". No such file or directory");
    }
    EXPECT_EQ(contents.images.size(), 2u);
    EXPECT_THROW(LoadPackFile(::testing::TempDir(), contents), GameError);  // a folder is not a pack
}

}  // namespace
