// Link files opened through the real desktop path, SDL_OpenURL, with a stand-in xdg-open first
// on PATH that writes down the arguments it was given.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "online/web_links.h"
#include "online_test_util.h"
#include "platform/sdl/sdl_desktop.h"

namespace {

class CountingDesktop : public IDesktop {
public:
    explicit CountingDesktop(IDesktop& inner) : inner_(inner) {}
    void OpenUrl(const std::string& url) override {
        ++calls;
        inner_.OpenUrl(url);
    }
    int calls = 0;

private:
    IDesktop& inner_;
};

class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The stand-in writes its argument count and each argument on a line of their own.
        const std::filesystem::path script =
            tools.Write("bin/xdg-open",
                        "#!/bin/sh\n"
                        "{ echo \"$#\"; for a in \"$@\"; do echo \"$a\"; done; } "
                        "> \"$VANDRAX_XDG_RECORD.part\"\n"
                        "mv \"$VANDRAX_XDG_RECORD.part\" \"$VANDRAX_XDG_RECORD\"\n");
        ::chmod(script.c_str(), 0755);
        const char* path = std::getenv("PATH");
        oldPath_ = path != nullptr ? path : "";
        ::setenv("PATH", ((tools.Path() / "bin").string() + ":" + oldPath_).c_str(), 1);
    }
    void TearDown() override {
        ::setenv("PATH", oldPath_.c_str(), 1);
        ::unsetenv("VANDRAX_XDG_RECORD");
    }

    // Opens a link file and returns what xdg-open was given ("" when it was not started).
    std::string Open(const std::string& name, CountingDesktop& desktop) {
        const std::filesystem::path record = tools.Path() / ("record-" + std::to_string(++opened_));
        ::setenv("VANDRAX_XDG_RECORD", record.c_str(), 1);
        const int before = desktop.calls;
        OpenLinkFile(desktop, root.Path(), name);
        if (desktop.calls == before) return "";
        // xdg-open runs on its own; give it a moment.
        for (int i = 0; i < 500 && !std::filesystem::exists(record); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in(record);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    TempRoot root;
    TempRoot tools;
    std::string oldPath_;
    int opened_ = 0;
};

TEST_F(DesktopTest, WhatXdgOpenIsGivenForEachLinkFile) {
    SdlDesktop sdl;
    CountingDesktop desktop(sdl);
    const std::string self = "file://" + root.Path().string();
    struct Case {
        const char* name;
        std::string content;
        std::string given;  // the argument count, then each argument; "" when not started
    };
    const Case cases[] = {
        {"website.url", "[InternetShortcut]\r\nURL=http://vandrax.example/\r\n",
         "1\nhttp://vandrax.example/\n"},
        {"secure.url", "[InternetShortcut]\nURL=https://vandrax.example/scores\n",
         "1\nhttps://vandrax.example/scores\n"},
        {"mail.url", "[InternetShortcut]\nURL=mailto:team@vandrax.example\n",
         "1\nmailto:team@vandrax.example\n"},
        // Shell syntax in an address reaches xdg-open as one plain argument.
        {"tricky.url",
         "[InternetShortcut]\nURL=https://vandrax.example/?q=$(touch${IFS}pwned);x=`id`&y='z'\n",
         "1\nhttps://vandrax.example/?q=$(touch${IFS}pwned);x=`id`&y='z'\n"},
        {"script.url", "[InternetShortcut]\nURL=javascript:alert(document.cookie)\n", ""},
        {"local.url", "[InternetShortcut]\nURL=file:///etc/passwd\n", ""},
        {"my \"best\" page's.html", "<p>hello</p>\n", "1\n" + self + "/my%20%22best%22%20page%27s.html\n"},
        {"notes; rm -rf.txt", "text\n", "1\n" + self + "/notes%3B%20rm%20-rf.txt\n"},
    };
    for (const Case& c : cases) {
        root.Write(c.name, c.content);
        EXPECT_EQ(Open(c.name, desktop), c.given) << c.name;
    }
    EXPECT_EQ(Open("moregames.url", desktop), "") << "a missing file";
    EXPECT_FALSE(std::filesystem::exists("pwned"));
}

}  // namespace
