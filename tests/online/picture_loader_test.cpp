// Pictures of the promotion page through SDL2_image: which files decode, which are refused,
// and what a page with a bad picture comes to.

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "online/share.h"
#include "online_test_util.h"
#include "platform/fake/fakes.h"
#include "platform/fake/online_fakes.h"
#include "platform/sdl/sdl_pictures.h"
#include "shell/main_form.h"

namespace {

std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void Put16(std::string& out, uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

// A 3 x 2 picture: red, green, blue on top, then white, black, a half-transparent grey.
SDL_Surface* TestSurface() {
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, 3, 2, 32, SDL_PIXELFORMAT_ARGB8888);
    auto* pixels = static_cast<uint32_t*>(surface->pixels);
    const uint32_t colours[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000, 0x80808080};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) pixels[y * surface->pitch / 4 + x] = colours[y * 3 + x];
    return surface;
}

// A one-entry icon of the test picture, 32 bits a pixel, as icon files hold it: a bitmap
// header of double height, rows bottom up, then the all-clear mask.
std::string IconFile() {
    const int w = 3;
    const int h = 2;
    std::string image;
    Put32(image, 40);
    Put32(image, w);
    Put32(image, h * 2);
    Put16(image, 1);
    Put16(image, 32);
    for (int i = 0; i < 6; ++i) Put32(image, 0);
    const uint32_t colours[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000, 0x80808080};
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) Put32(image, colours[y * w + x]);
    for (int y = 0; y < h; ++y) Put32(image, 0);  // mask rows, padded to 4 bytes
    std::string file;
    Put16(file, 0);
    Put16(file, 1);
    Put16(file, 1);
    file += static_cast<char>(w);
    file += static_cast<char>(h);
    file += '\0';
    file += '\0';
    Put16(file, 1);
    Put16(file, 32);
    Put32(file, static_cast<uint32_t>(image.size()));
    Put32(file, 22);
    return file + image;
}

class PictureLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        SDL_Surface* surface = TestSurface();
        ASSERT_EQ(SDL_SaveBMP(surface, (root.Path() / "a.bmp").c_str()), 0);
        ASSERT_EQ(IMG_SavePNG(surface, (root.Path() / "a.png").c_str()), 0);
        SDL_FreeSurface(surface);
        bmp = ReadAll(root.Path() / "a.bmp");
        png = ReadAll(root.Path() / "a.png");
    }
    TempRoot root;
    std::string bmp;
    std::string png;
};

TEST_F(PictureLoaderTest, WhichFilesDecode) {
    std::string huge = bmp;  // a header that claims 100000 x 100000
    for (int i = 0; i < 4; ++i) huge[18 + i] = huge[22 + i] = "\xA0\x86\x01\x00"[i];
    struct Case {
        const char* name;
        std::string content;
        bool decodes;
    };
    const Case cases[] = {
        {"b.bmp", bmp, true},
        {"b.dib", bmp, true},
        {"B.BMP", bmp, true},
        {"b.png", png, true},
        {"b.ico", IconFile(), true},
        {"b.emf", bmp, false},  // metafiles are refused whatever they hold
        {"b.wmf", png, false},
        {"b.gif", png, false},
        {"noextension", png, false},
        {"png-in.bmp", png, false},  // the signature must agree with the name
        {"bmp-in.png", bmp, false},
        {"garbage.png", "this is not a picture at all, not even close", false},
        {"short.png", png.substr(0, 40), false},
        {"short.bmp", bmp.substr(0, 60), false},
        {"empty.bmp", "", false},
        {"huge.bmp", huge, false},
    };
    SdlPictureLoader loader;
    for (const Case& c : cases) {
        const auto picture = loader.Load(root.Write(c.name, c.content));
        EXPECT_EQ(picture.has_value(), c.decodes) << c.name;
        if (!picture) continue;
        ASSERT_EQ(picture->width, 3) << c.name;
        ASSERT_EQ(picture->height, 2) << c.name;
        ASSERT_EQ(picture->pixels.size(), 6u) << c.name;
        EXPECT_EQ(picture->pixels[0], 0xFFFF0000u) << c.name;
        EXPECT_EQ(picture->pixels[2], 0xFF0000FFu) << c.name;
        EXPECT_EQ(picture->pixels[4] & 0xFFFFFF, 0u) << c.name;
    }
    EXPECT_FALSE(loader.Load(root.Path() / "missing.png"));
    std::filesystem::create_directories(root.Path() / "folder.png");
    EXPECT_FALSE(loader.Load(root.Path() / "folder.png"));
}

// The example page shipped with the game, in a data root of its own, read with the real loader.
class ExamplePageTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy(VANDRAX_PROMO_EXAMPLE "/wdata", root.Path() / "wdata",
                              std::filesystem::copy_options::recursive);
        std::filesystem::copy(VANDRAX_PROMO_EXAMPLE "/play.url", root.Path() / "play.url");
        platform.window = &window;
        platform.surface = &surface;
        platform.sound = &device;
        platform.music = &music;
        platform.keyboard = &keyboard;
        platform.clock = &clock;
        platform.desktop = &desktop;
        platform.pictures = &loader;
        platform.dataRoot = root.Path();
        platform.settingsFolder = root.Path() / "home";
    }
    bool PageValid() {
        TMainForm form(platform);
        form.ShareScreen->Load();
        return form.ShareScreen->PromoValid;
    }
    void ReplaceLine(const std::string& from, const std::string& to) {
        std::string text = ReadAll(root.Path() / "wdata/config.ini");
        text.replace(text.find(from), from.size(), to);
        root.Write("wdata/config.ini", text);
    }

    TempRoot root;
    ManualClock clock;
    FakeWindow window;
    NullSurface surface;
    RecordingSoundDevice device{clock};
    FakeMusicPlayer music;
    FakeKeyboard keyboard;
    RecordingDesktop desktop;
    SdlPictureLoader loader;
    Platform platform;
};

TEST_F(ExamplePageTest, TheExamplePageIsComplete) {
    TMainForm form(platform);
    form.ShareScreen->Load();
    ASSERT_TRUE(form.ShareScreen->PromoValid);
    ASSERT_EQ(form.ShareScreen->Buttons().size(), 3u);
    EXPECT_EQ(form.PromoCountdown, 50);
    EXPECT_EQ(form.ShareScreen->FontSize(), 36);
    // Both picture buttons lead to the score server's own pages.
    for (size_t i = 0; i < 2; ++i) {
        desktop.opened.clear();
        OpenLinkFile(desktop, root.Path(), form.ShareScreen->Buttons()[i].target);
        ASSERT_EQ(desktop.opened.size(), 1u);
        EXPECT_EQ(desktop.opened[0].rfind("http://localhost:8642/", 0), 0u) << desktop.opened[0];
    }
}

TEST_F(ExamplePageTest, APictureThatCannotBeDecodedLeavesNoPage) {
    root.Write("wdata/exit_na.png", "not a picture");
    EXPECT_FALSE(PageValid());
}

TEST_F(ExamplePageTest, AMetafileLeavesNoPage) {
    std::filesystem::copy(root.Path() / "wdata/exit_d.png", root.Path() / "wdata/exit_d.wmf");
    ReplaceLine("wdata/exit_d.png", "wdata/exit_d.wmf");
    EXPECT_FALSE(PageValid());
    std::filesystem::copy(root.Path() / "wdata/exit_n.png", root.Path() / "wdata/exit_n.emf");
    ReplaceLine("wdata/exit_d.wmf", "wdata/exit_n.emf");
    EXPECT_FALSE(PageValid());
}

TEST_F(ExamplePageTest, APictureOutsideTheDataRootLeavesNoPage) {
    TempRoot outside;
    std::filesystem::copy(root.Path() / "wdata/background.png", outside.Path() / "background.png");
    ReplaceLine("wdata/background.png", (outside.Path() / "background.png").string());
    EXPECT_FALSE(PageValid());
    ReplaceLine((outside.Path() / "background.png").string(),
                "../" + outside.Path().filename().string() + "/background.png");
    EXPECT_FALSE(PageValid());
}

}  // namespace
