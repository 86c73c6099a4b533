// The exit promotion page inside the main window, on the platform fakes: entering it, the
// countdown, hover pictures, clicks, and when the window may close.

#include <gtest/gtest.h>

#include "online/share.h"
#include "online_test_util.h"
#include "platform/fake/fakes.h"
#include "platform/fake/online_fakes.h"
#include "shell/main_form.h"

namespace {

const char* const kShortcut = "[InternetShortcut]\nURL=https://vandrax.example/offer\n";
const char* const kPlay = "[InternetShortcut]\nURL=https://vandrax.example/play\n";

class ShareScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform.window = &window;
        platform.surface = &surface;
        platform.sound = &device;
        platform.music = &music;
        platform.keyboard = &keyboard;
        platform.clock = &clock;
        platform.desktop = &desktop;
        platform.pictures = &pictures;
        platform.dataRoot = root.Path();
        platform.settingsFolder = root.Path() / "home";
        // Every picture a size of its own, so a drawing tells which picture it was.
        pictures.sizes = {{"back.bmp", {800, 600}}, {"b1.bmp", {100, 50}},    {"b1h.bmp", {110, 60}},
                          {"exit.bmp", {200, 45}},  {"exith.bmp", {210, 55}}, {"exiti.bmp", {201, 46}}};
    }

    void WritePage() {
        root.Write("wdata/config.ini",
                   "2\nwdata/back.bmp\n"
                   "10 20 110 60\n12 22 100 50\nwdata/b1.bmp\nwdata/b1h.bmp\nwdata/site.url\n"
                   "300 500 210 55\n305 505 200 45\n306 506 200 45\nwdata/exit.bmp\nwdata/exith.bmp\n"
                   "wdata/exiti.bmp\n"
                   "700 520\n5\n255 128 0\nno\n");
        for (const char* name : {"back.bmp", "b1.bmp", "b1h.bmp", "exit.bmp", "exith.bmp", "exiti.bmp"})
            root.Write(std::string("wdata/") + name, "picture");
        root.Write("wdata/site.url", kShortcut);
    }

    // The window as start-up leaves it: the page read, the splash next.
    void Start() {
        form = std::make_unique<TMainForm>(platform);
        form->ShareScreen->Load();
    }

    void Enter() { form->SetScreenState(Screen::Promotion); }

    void Frame() {
        surface.draws.clear();
        surface.textDraws.clear();
        form->CurrentScreen()->Frame(1);
    }

    // Lets virtual time pass, the window timers firing as they come due.
    void Wait(uint64_t ms) {
        for (uint64_t i = 0; i < ms; ++i) {
            ++clock.now;
            form->Idle();
        }
    }

    // Where the picture of that size was drawn in the last frame, or (-1, -1).
    std::pair<int32_t, int32_t> DrawnAt(int32_t width, int32_t height) const {
        for (const auto& draw : surface.draws)
            if (draw.dst.Width() == width && draw.dst.Height() == height)
                return {draw.dst.left, draw.dst.top};
        return {-1, -1};
    }

    TempRoot root;
    ManualClock clock;
    FakeWindow window;
    NullSurface surface;
    RecordingSoundDevice device{clock};
    FakeMusicPlayer music;
    FakeKeyboard keyboard;
    RecordingDesktop desktop;
    FakePictureLoader pictures;
    Platform platform;
    std::unique_ptr<TMainForm> form;
};

TEST_F(ShareScreenTest, WithoutADescriptionQuittingEndsAtOnceAndOpensPlayUrl) {
    root.Write("play.url", kPlay);
    Start();
    EXPECT_FALSE(form->ShareScreen->PromoValid);
    form->PromoCountdown = 30;
    Enter();
    EXPECT_TRUE(form->Terminated());
    EXPECT_EQ(form->PromoCountdown, 0);
    EXPECT_EQ(desktop.opened, std::vector<std::string>{"https://vandrax.example/play"});
}

TEST_F(ShareScreenTest, WithoutPlayUrlTheProgramJustEnds) {
    Start();
    Enter();
    EXPECT_TRUE(form->Terminated());
    EXPECT_TRUE(desktop.opened.empty());
}

TEST_F(ShareScreenTest, APictureThatCannotBeDecodedLeavesNoPage) {
    WritePage();
    pictures.undecodable = {"exith.bmp"};
    Start();
    EXPECT_FALSE(form->ShareScreen->PromoValid);
    EXPECT_TRUE(form->ShareScreen->Buttons().empty());
    Enter();
    EXPECT_TRUE(form->Terminated());
}

TEST_F(ShareScreenTest, ThePageStartsItsCountdownWithTheNormalPointer) {
    WritePage();
    Start();
    ASSERT_TRUE(form->ShareScreen->PromoValid);
    EXPECT_EQ(form->PromoCountdown, 50);
    window.pointer = PointerShape::None;
    Enter();
    EXPECT_FALSE(form->Terminated());
    EXPECT_TRUE(form->sharetimer.Enabled());
    EXPECT_EQ(window.pointer, PointerShape::Arrow);
    // Each picture is decoded once.
    EXPECT_EQ(pictures.loaded.size(), 6u);
}

TEST_F(ShareScreenTest, CountdownShowsSixThenFiveAndOneInItsLastTenthsThenTheExitWakes) {
    WritePage();
    Start();
    Enter();
    Frame();
    ASSERT_EQ(surface.textDraws.size(), 1u);
    const auto& six = surface.textDraws[0];
    EXPECT_EQ(six.text, "6");
    EXPECT_EQ(six.font, "Verdana");
    EXPECT_EQ(six.size, 27);  // 0.6 x the exit button's 45
    EXPECT_EQ(six.rgb, 0xFF8000u);
    // The fake measures 13 x 40 for it: centred on (700, 520), 693.5 rounding to the even 694.
    EXPECT_EQ(six.x, 694);
    EXPECT_EQ(six.y, 500);
    EXPECT_EQ(form->Hud.size(), 1u);
    // The exit button sleeps: its inactive picture at the inactive rectangle.
    EXPECT_EQ(DrawnAt(201, 46), std::make_pair(306, 506));
    EXPECT_EQ(DrawnAt(800, 600), std::make_pair(0, 0));
    EXPECT_EQ(DrawnAt(100, 50), std::make_pair(12, 22));

    Wait(100);
    Frame();
    EXPECT_EQ(surface.textDraws.at(0).text, "5");
    Wait(4000);  // 4.1 s in: 0.9 s left
    Frame();
    EXPECT_EQ(surface.textDraws.at(0).text, "1");
    Wait(800);
    Frame();
    EXPECT_EQ(surface.textDraws.at(0).text, "1");
    Wait(100);
    EXPECT_EQ(form->PromoCountdown, 0);
    Frame();
    EXPECT_TRUE(surface.textDraws.empty());
    Frame();
    EXPECT_EQ(DrawnAt(200, 45), std::make_pair(305, 505));
    EXPECT_EQ(DrawnAt(201, 46), std::make_pair(-1, -1));
    // The count stays at 0.
    Wait(500);
    EXPECT_EQ(form->PromoCountdown, 0);
}

TEST_F(ShareScreenTest, HoverPicturesAndLinksFollowThePointer) {
    WritePage();
    Start();
    Enter();
    struct Case {
        int32_t x, y;
        bool overFirst;
    };
    // The normal rectangle 12..112 x 22..72 takes the pointer, borders included.
    const Case cases[] = {{12, 22, true},   {112, 72, true}, {60, 40, true}, {11, 40, false},
                          {113, 40, false}, {60, 73, false}, {60, 21, false}};
    for (const Case& c : cases) {
        form->DXDrawMouseMove(c.x, c.y);
        Frame();
        EXPECT_EQ(form->ShareScreen->Buttons()[0].ButtonHover, c.overFirst) << c.x << "," << c.y;
        EXPECT_EQ(DrawnAt(110, 60), c.overFirst ? std::make_pair(10, 20) : std::make_pair(-1, -1));
        EXPECT_EQ(DrawnAt(100, 50), c.overFirst ? std::make_pair(-1, -1) : std::make_pair(12, 22));
    }
    form->DXDrawMouseMove(50, 50);
    Frame();
    form->DXDrawMouseDown(MouseButton::Right);
    EXPECT_TRUE(desktop.opened.empty());
    form->DXDrawMouseDown(MouseButton::Left);
    EXPECT_EQ(desktop.opened, std::vector<std::string>{"https://vandrax.example/offer"});
    EXPECT_FALSE(form->Terminated());
}

TEST_F(ShareScreenTest, TheExitButtonAndTheCloseButtonWorkOnlyAtTheEndOfTheCountdown) {
    WritePage();
    root.Write("play.url", kPlay);
    Start();
    Enter();
    form->DXDrawMouseMove(400, 520);
    Frame();
    // Asleep, the exit button shows no hover picture and a click does nothing visible.
    EXPECT_EQ(DrawnAt(210, 55), std::make_pair(-1, -1));
    form->DXDrawMouseDown(MouseButton::Left);
    form->FormCloseQuery();
    EXPECT_FALSE(form->Terminated());
    Wait(4800);
    EXPECT_EQ(form->PromoCountdown, 2);
    form->FormCloseQuery();
    EXPECT_FALSE(form->Terminated());
    Wait(100);
    Frame();
    // One tenth left: the button still looks asleep, but the window may close now.
    EXPECT_EQ(DrawnAt(201, 46), std::make_pair(306, 506));
    form->DXDrawMouseDown(MouseButton::Left);
    EXPECT_TRUE(form->Terminated());
    EXPECT_EQ(desktop.opened, std::vector<std::string>{"https://vandrax.example/play"});
}

TEST_F(ShareScreenTest, AfterTheCountdownTheExitHoverPictureShowsAndTheCloseButtonEndsTheProgram) {
    WritePage();
    Start();
    Enter();
    Wait(5000);
    form->DXDrawMouseMove(400, 520);
    Frame();
    Frame();
    EXPECT_EQ(DrawnAt(210, 55), std::make_pair(300, 500));
    form->FormCloseQuery();
    EXPECT_TRUE(form->Terminated());
}

}  // namespace
