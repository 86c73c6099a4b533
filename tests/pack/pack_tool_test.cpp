// Runs the real vandrax-pack on the fixtures: build, list --json, find, extract, sheet.

#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string ReadText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

struct Png {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
    const uint8_t* At(int x, int y) const { return rgba.data() + (static_cast<size_t>(y) * width + x) * 4; }
};

Png ReadPngFile(const fs::path& path) {
    Png png;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return png;
    image.format = PNG_FORMAT_RGBA;
    png.width = static_cast<int>(image.width);
    png.height = static_cast<int>(image.height);
    png.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, png.rgba.data(), 0, nullptr)) return Png{};
    return png;
}

class PackTool : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) / ("vandrax_pack_tool_" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    RunResult Run(const std::vector<std::string>& args) {
        std::string command = Quote(VANDRAX_PACK_TOOL);
        for (const std::string& arg : args) command += " " + Quote(arg);
        const fs::path out = dir_ / "stdout.txt";
        const fs::path err = dir_ / "stderr.txt";
        command += " >" + Quote(out.string()) + " 2>" + Quote(err.string());
        RunResult result;
        const int raw = std::system(command.c_str());
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = ReadText(out);
        result.err = ReadText(err);
        return result;
    }

    std::string Fixture(const std::string& name) const {
        return std::string(VANDRAX_PACK_FIXTURES) + "/" + name;
    }
    std::string Temp(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

TEST_F(PackTool, BuildsAGraphicsPackAndListsIt) {
    const std::string pack = Temp("Data/tiny.dxg");
    RunResult build = Run({"build", Fixture("tiny.manifest"), pack});
    ASSERT_EQ(build.status, 0) << build.err;
    EXPECT_TRUE(fs::is_regular_file(pack));

    RunResult list = Run({"list", pack, "--json"});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(
        list.out,
        "{\"kind\": \"graphics\", \"items\": [\n"
        "  {\"name\": \"blob\", \"width\": 64, \"height\": 32, \"patternWidth\": 32, \"patternHeight\": 32, "
        "\"skipWidth\": 0, \"skipHeight\": 0, \"patternCount\": 2, \"transparent\": true, "
        "\"transparentColor\": 0, \"systemMemory\": false},\n"
        "  {\"name\": \"Start Game_n\", \"width\": 64, \"height\": 32, \"patternWidth\": 64, "
        "\"patternHeight\": 32, "
        "\"skipWidth\": 0, \"skipHeight\": 0, \"patternCount\": 1, \"transparent\": false, "
        "\"transparentColor\": 0, \"systemMemory\": false},\n"
        "  {\"name\": \"solid\", \"width\": 20, \"height\": 10, \"patternWidth\": 20, \"patternHeight\": 10, "
        "\"skipWidth\": 0, \"skipHeight\": 0, \"patternCount\": 1, \"transparent\": true, "
        "\"transparentColor\": 16711935, \"systemMemory\": true}\n"
        "]}\n");

    RunResult text = Run({"list", pack});
    ASSERT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("\"Start Game_n\" 64x32"), std::string::npos) << text.out;
}

TEST_F(PackTool, FindsNamesTheWayTheGameDoes) {
    const std::string pack = Temp("tiny.dxg");
    ASSERT_EQ(Run({"build", Fixture("tiny.manifest"), pack}).status, 0);
    RunResult found = Run({"find", pack, "START GAME_n"});
    EXPECT_EQ(found.status, 0);
    EXPECT_EQ(found.out, "Start Game_n\n");
    RunResult missing = Run({"find", pack, "Start Game"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Image 'Start Game' not found\n");
}

TEST_F(PackTool, ExtractsPicturesWithAlphaAndKeyColours) {
    const std::string pack = Temp("tiny.dxg");
    ASSERT_EQ(Run({"build", Fixture("tiny.manifest"), pack}).status, 0);

    ASSERT_EQ(Run({"extract", pack, "blob", Temp("blob.png")}).status, 0);
    const Png blob = ReadPngFile(Temp("blob.png"));
    ASSERT_EQ(blob.width, 64);
    ASSERT_EQ(blob.height, 32);
    EXPECT_EQ(blob.At(0, 0)[3], 0);  // the SVG's empty corner stays transparent
    const uint8_t* red = blob.At(16, 16);
    EXPECT_EQ(std::vector<uint8_t>(red, red + 4), (std::vector<uint8_t>{0xFF, 0x20, 0x00, 0xFF}));
    const uint8_t* blue = blob.At(48, 16);
    EXPECT_EQ(std::vector<uint8_t>(blue, blue + 4), (std::vector<uint8_t>{0x00, 0x20, 0xFF, 0xFF}));
    const uint8_t* edge = blob.At(16, 4);  // on the anti-aliased rim: partly transparent, colour kept
    EXPECT_GT(edge[3], 0);
    EXPECT_LT(edge[3], 255);
    EXPECT_EQ(edge[0], 0xFF);

    // An opaque picture keeps alpha 255 everywhere and its key-coloured pixels keep their colour.
    ASSERT_EQ(Run({"extract", pack, "SOLID", Temp("solid.png")}).status, 0);
    const Png solid = ReadPngFile(Temp("solid.png"));
    ASSERT_EQ(solid.width, 20);
    EXPECT_EQ(std::vector<uint8_t>(solid.At(2, 2), solid.At(2, 2) + 4),
              (std::vector<uint8_t>{0xFF, 0x00, 0xFF, 0xFF}));
    EXPECT_EQ(std::vector<uint8_t>(solid.At(15, 9), solid.At(15, 9) + 4),
              (std::vector<uint8_t>{0x33, 0x66, 0x99, 0xFF}));
}

TEST_F(PackTool, DrawsAContactSheet) {
    const std::string pack = Temp("tiny.dxg");
    ASSERT_EQ(Run({"build", Fixture("tiny.manifest"), pack}).status, 0);
    RunResult sheet = Run({"sheet", pack, Temp("sheet.png")});
    ASSERT_EQ(sheet.status, 0) << sheet.err;
    const Png png = ReadPngFile(Temp("sheet.png"));
    EXPECT_GE(png.width, 64 + 32);
    EXPECT_GE(png.height, 32 + 32);
}

TEST_F(PackTool, BuildsASoundPack) {
    const std::string pack = Temp("Sound.dxw");
    RunResult build = Run({"build", Fixture("sound.manifest"), pack});
    ASSERT_EQ(build.status, 0) << build.err;
    RunResult list = Run({"list", pack, "--json"});
    ASSERT_EQ(list.status, 0);
    EXPECT_EQ(list.out,
              "{\"kind\": \"sound\", \"items\": [\n"
              "  {\"name\": \"blip\", \"looped\": false, \"maxPlayingCount\": 2, \"channels\": 1, "
              "\"bitsPerSample\": 8, \"sampleRate\": 11025, \"dataBytes\": 100},\n"
              "  {\"name\": \"engine loop\", \"looped\": true, \"maxPlayingCount\": 0, \"channels\": 1, "
              "\"bitsPerSample\": 8, \"sampleRate\": 11025, \"dataBytes\": 100}\n"
              "]}\n");
    EXPECT_EQ(Run({"find", pack, "ENGINE LOOP"}).out, "engine loop\n");
    EXPECT_EQ(Run({"find", pack, "siren"}).err, "Wave 'siren' not found\n");
    EXPECT_EQ(Run({"sheet", pack, Temp("sound.png")}).status, 0);
}

TEST_F(PackTool, FindsSourcesInSearchFoldersAndReadsPng) {
    // A PNG with exact alpha values, in a folder only --search names.
    const fs::path art = dir_ / "art";
    fs::create_directories(art);
    const std::vector<uint8_t> rgba = {10, 20, 30, 255, 40, 50, 60, 128, 70, 80, 90, 0, 1, 2, 3, 4};
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = 2;
    image.height = 2;
    image.format = PNG_FORMAT_RGBA;
    ASSERT_TRUE(png_image_write_to_file(&image, (art / "dots.png").c_str(), 0, rgba.data(), 0, nullptr));
    std::ofstream(Temp("dots.manifest")) << "pack graphics\nimage dots dots.png\n";

    EXPECT_EQ(Run({"build", Temp("dots.manifest"), Temp("dots.dxg")}).status, 1);
    RunResult build = Run({"build", Temp("dots.manifest"), Temp("dots.dxg"), "--search", art.string()});
    ASSERT_EQ(build.status, 0) << build.err;
    ASSERT_EQ(Run({"extract", Temp("dots.dxg"), "dots", Temp("dots.png")}).status, 0);
    const Png back = ReadPngFile(Temp("dots.png"));
    ASSERT_EQ(back.width, 2);
    EXPECT_EQ(back.rgba[4 * 0 + 3], 255);
    EXPECT_EQ(std::vector<uint8_t>(back.At(1, 0), back.At(1, 0) + 4),
              (std::vector<uint8_t>{40, 50, 60, 128}));
    EXPECT_EQ(std::vector<uint8_t>(back.At(1, 1), back.At(1, 1) + 4), (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST_F(PackTool, ReportsBadInputWithExitStatus1) {
    RunResult fit = Run({"build", Fixture("bad_fit.manifest"), Temp("bad.dxg")});
    EXPECT_EQ(fit.status, 1);
    EXPECT_NE(fit.err.find("picture width 64 does not fit patterns of 30"), std::string::npos) << fit.err;
    EXPECT_FALSE(fs::exists(Temp("bad.dxg")));

    std::ofstream(Temp("junk.dxg")) << "this is not a pack";
    RunResult junk = Run({"list", Temp("junk.dxg")});
    EXPECT_EQ(junk.status, 1);
    EXPECT_EQ(junk.err, "Invalid stream format\n");

    RunResult missing = Run({"list", Temp("none.dxg"), "--json"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Cannot open file \"" + Temp("none.dxg") + "\". No such file or directory\n");

    EXPECT_EQ(Run({"list"}).status, 2);
    EXPECT_EQ(Run({"frobnicate", "x"}).status, 2);
}

}  // namespace
