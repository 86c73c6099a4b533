// Link files and web addresses: what reaches the desktop for each kind of file, and what never
// does.

#include "online/web_links.h"

#include <gtest/gtest.h>

#include "online_test_util.h"
#include "platform/fake/online_fakes.h"

namespace {

TEST(LinkFiles, WhatEachFileHandsToTheDesktop) {
    TempRoot root;
    struct Case {
        const char* name;
        std::string content;
        std::string expected;  // empty: nothing is opened
    };
    const std::string self = "file://" + root.Path().string();
    const Case cases[] = {
        {"website.url", "[InternetShortcut]\r\nURL=http://vandrax.example/\r\n", "http://vandrax.example/"},
        {"secure.url", "[InternetShortcut]\nURL=https://vandrax.example/a?b=c&d=e\n",
         "https://vandrax.example/a?b=c&d=e"},
        {"mail.url", "[InternetShortcut]\nURL=mailto:team@vandrax.example\n", "mailto:team@vandrax.example"},
        {"upper.url", "[internetshortcut]\nurl=HTTPS://vandrax.example/\n", "HTTPS://vandrax.example/"},
        {"bom.url", "\xEF\xBB\xBF[InternetShortcut]\nURL=http://vandrax.example/bom\n",
         "http://vandrax.example/bom"},
        {"sections.url",
         "[DEFAULT]\nURL=http://wrong.example/\n[InternetShortcut]\nURL=http://right.example/\n",
         "http://right.example/"},
        {"mail-subject.url", "[InternetShortcut]\nURL=mailto:team@vandrax.example?Subject=Hi&body=Vandrax\n",
         "mailto:team@vandrax.example?Subject=Hi&body=Vandrax"},
        // The mail program is asked for no file of the player's, however the field is written.
        {"attach.url", "[InternetShortcut]\nURL=mailto:team@vandrax.example?attach=/home/p/.ssh/id_rsa\n",
         ""},
        {"attachment.url",
         "[InternetShortcut]\nURL=mailto:a@b.example?subject=x&ATTACHMENT=file:///etc/shadow\n", ""},
        {"escaped.url", "[InternetShortcut]\nURL=mailto:a@b.example?%61ttach=/etc/passwd\n", ""},
        {"other-field.url", "[InternetShortcut]\nURL=mailto:a@b.example?x-unknown=1\n", ""},
        {"script.url", "[InternetShortcut]\nURL=javascript:alert(1)\n", ""},
        {"local.url", "[InternetShortcut]\nURL=file:///etc/passwd\n", ""},
        {"program.url", "[InternetShortcut]\nURL=/usr/bin/xterm\n", ""},
        {"blank.url", "[InternetShortcut]\nURL=\n", ""},
        {"spaced.url", "[InternetShortcut]\nURL=http://a b.example/\n", ""},
        {"broken.url", "[InternetShortcut]\nIconFile=x.ico\n", ""},
        {"launcher.desktop", "[Desktop Entry]\nExec=xterm\n", ""},
        {"readme.txt", "Not a shortcut.\n", self + "/readme.txt"},
        {"page one \"best\".html", "<p>hi</p>", self + "/page%20one%20%22best%22.html"},
        {"wdata/offer.url", "URL=http://no-section.example/\n", self + "/wdata/offer.url"},
    };
    for (const Case& c : cases) {
        root.Write(c.name, c.content);
        RecordingDesktop desktop;
        OpenLinkFile(desktop, root.Path(), c.name);
        if (c.expected.empty()) {
            EXPECT_TRUE(desktop.opened.empty()) << c.name << " opened " << desktop.opened.front();
        } else {
            ASSERT_EQ(desktop.opened.size(), 1u) << c.name;
            EXPECT_EQ(desktop.opened[0], c.expected) << c.name;
        }
    }
}

TEST(LinkFiles, MissingFilesFoldersAndNamesOutsideTheRootOpenNothing) {
    TempRoot root;
    TempRoot outside;
    outside.Write("secret.url", "[InternetShortcut]\nURL=http://outside.example/\n");
    root.Write("wdata/inner.url", "[InternetShortcut]\nURL=http://inner.example/\n");
    std::filesystem::create_directories(root.Path() / "folder.url");
    const std::string up = "../" + outside.Path().filename().string() + "/secret.url";
    for (const std::string& name :
         {std::string("website.url"), std::string("folder.url"), std::string(""), up,
          (outside.Path() / "secret.url").string(), std::string("wdata/../../x.url")}) {
        RecordingDesktop desktop;
        OpenLinkFile(desktop, root.Path(), name);
        EXPECT_TRUE(desktop.opened.empty()) << name;
    }
    RecordingDesktop desktop;
    OpenLinkFile(desktop, root.Path(), "wdata\\inner.url");
    EXPECT_EQ(desktop.opened, std::vector<std::string>{"http://inner.example/"});
}

TEST(WebAddresses, OnlyWebPagesAndMailLeaveTheGame) {
    RecordingDesktop desktop;
    for (const char* address : {"http://h/", "https://h/x", "mailto:a@b"}) GoWeb(desktop, address);
    for (const char* address : {"file:///etc/passwd", "javascript:x", "http://", "ftp://h/", "http://a b/",
                                "http://h/\nx", "-x http://h/"})
        GoWeb(desktop, address);
    EXPECT_EQ(desktop.opened, (std::vector<std::string>{"http://h/", "https://h/x", "mailto:a@b"}));
}

TEST(WebAddresses, TheOnlineTableAndTheServerAddress) {
    EXPECT_EQ(OnlineTableAddress("http://localhost:8642"),
              "http://localhost:8642/cgi/version.pl?prg=Vandrax&show&type=0");
    EXPECT_EQ(OnlineTableAddress("https://scores.example/"),
              "https://scores.example/cgi/version.pl?prg=Vandrax&show&type=0");
    struct Case {
        const char* value;
        const char* base;  // nullptr: refused
    };
    const Case cases[] = {
        {nullptr, "http://localhost:8642"},
        {"", "http://localhost:8642"},
        {"http://127.0.0.1:9000", "http://127.0.0.1:9000"},
        {"https://scores.example//", "https://scores.example"},
        {"HTTP://Scores.Example", "HTTP://Scores.Example"},
        {"ftp://scores.example", nullptr},
        {"scores.example", nullptr},
        {"http://h/?x=1", nullptr},
        {"mailto:a@b", nullptr},
        {"http://a b", nullptr},
    };
    for (const Case& c : cases) {
        const std::optional<std::string> base = ScoreServerBase(c.value);
        if (c.base == nullptr)
            EXPECT_FALSE(base) << c.value;
        else
            EXPECT_EQ(base.value_or("(refused)"), c.base) << (c.value ? c.value : "(unset)");
    }
}

}  // namespace
