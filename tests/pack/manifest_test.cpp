#include <gtest/gtest.h>

#include <map>
#include <string>

#include "base/errors.h"
#include "engine/pack_manifest.h"

namespace {

// Manifests held in memory, by path.
class Files {
public:
    Files& Add(const std::string& path, const std::string& text) {
        files_[path] = text;
        return *this;
    }
    ManifestFileReader Reader() const {
        return [this](const std::string& path) {
            auto it = files_.find(path);
            if (it == files_.end())
                throw GameError("Cannot open file \"" + path + "\". No such file or directory");
            return it->second;
        };
    }

private:
    std::map<std::string, std::string> files_;
};

std::string ErrorOf(const Files& files, const std::string& path) {
    try {
        LoadManifest(path, files.Reader());
    } catch (const GameError& error) {
        return error.what();
    }
    return "no error";
}

TEST(Manifest, SplitsWordsWithQuotesAndComments) {
    EXPECT_EQ(SplitManifestLine("  image \"Start Game_n\" menu/start.svg  # the button"),
              (std::vector<std::string>{"image", "Start Game_n", "menu/start.svg"}));
    EXPECT_EQ(SplitManifestLine("image x a.svg key=#FF00FF"),
              (std::vector<std::string>{"image", "x", "a.svg", "key=#FF00FF"}));
    EXPECT_EQ(SplitManifestLine("\t# only a comment"), std::vector<std::string>{});
    EXPECT_EQ(SplitManifestLine("image \"\" x"), (std::vector<std::string>{"image", "", "x"}));
    EXPECT_THROW(SplitManifestLine("image \"Start Game_n x.svg"), GameError);
}

TEST(Manifest, ReadsImageLinesWithTheirOptionsAndDefaults) {
    Files files;
    files.Add("art/menu.manifest",
              "# menu pack\n"
              "\n"
              "pack graphics   # first line\n"
              "image \"Start Game_n\" buttons/start_n.svg\n"
              "image boom fx/boom.png pattern=64x64 skip=4x2 transparent=0 key=#FF0080 system=1\r\n");
    const Manifest manifest = LoadManifest("art/menu.manifest", files.Reader());
    EXPECT_EQ(manifest.kind, PackKind::Graphics);
    ASSERT_EQ(manifest.images.size(), 2u);
    const ManifestImage& start = manifest.images[0];
    EXPECT_EQ(start.name, "Start Game_n");
    EXPECT_EQ(start.source, "buttons/start_n.svg");
    EXPECT_EQ(start.baseDir, "art");
    EXPECT_EQ(start.where, "art/menu.manifest:4");
    EXPECT_EQ(start.patternWidth, 0);
    EXPECT_EQ(start.patternHeight, 0);
    EXPECT_EQ(start.skipWidth, 0);
    EXPECT_TRUE(start.transparent);
    EXPECT_EQ(start.transparentColor, 0u);
    EXPECT_FALSE(start.systemMemory);
    const ManifestImage& boom = manifest.images[1];
    EXPECT_EQ(boom.patternWidth, 64);
    EXPECT_EQ(boom.patternHeight, 64);
    EXPECT_EQ(boom.skipWidth, 4);
    EXPECT_EQ(boom.skipHeight, 2);
    EXPECT_FALSE(boom.transparent);
    EXPECT_EQ(boom.transparentColor, 0x8000FFu);  // #RRGGBB stored as 0x00BBGGRR
    EXPECT_TRUE(boom.systemMemory);
}

TEST(Manifest, ReadsWaveLines) {
    Files files;
    files.Add("sound.manifest",
              "pack sound\n"
              "wave police sfx/police.wav looped\n"
              "wave shot sfx/shot.wav max=3\n"
              "wave \"engine idle\" sfx/engine.wav looped=0 max=0\n");
    const Manifest manifest = LoadManifest("sound.manifest", files.Reader());
    EXPECT_EQ(manifest.kind, PackKind::Sound);
    ASSERT_EQ(manifest.waves.size(), 3u);
    EXPECT_TRUE(manifest.waves[0].looped);
    EXPECT_EQ(manifest.waves[0].maxPlayingCount, 0);
    EXPECT_FALSE(manifest.waves[1].looped);
    EXPECT_EQ(manifest.waves[1].maxPlayingCount, 3);
    EXPECT_EQ(manifest.waves[2].name, "engine idle");
    EXPECT_EQ(manifest.waves[2].baseDir, ".");
}

TEST(Manifest, IncludesInlineItemsInPlace) {
    Files files;
    files.Add("packs/main.manifest",
              "pack graphics\n"
              "image first a.svg\n"
              "include ../shared/exit.manifest\n"
              "image last b.svg\n");
    files.Add("shared/exit.manifest",
              "# shared by both packs\n"
              "pack graphics\n"
              "image Exit_Main exit.svg\n");
    const Manifest manifest = LoadManifest("packs/main.manifest", files.Reader());
    ASSERT_EQ(manifest.images.size(), 3u);
    EXPECT_EQ(manifest.images[1].name, "Exit_Main");
    EXPECT_EQ(manifest.images[1].baseDir, "shared");  // sources sit beside the file that names them
    EXPECT_EQ(manifest.images[1].where, "shared/exit.manifest:3");
    EXPECT_EQ(manifest.images[2].name, "last");
}

TEST(Manifest, ReportsMistakesWithFileAndLine) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"image a a.svg\n", "m:1: the first line must be 'pack graphics' or 'pack sound'"},
        {"# nothing\n", "m: no 'pack graphics' or 'pack sound' line"},
        {"pack music\n", "m:1: expected: pack graphics | pack sound"},
        {"pack graphics\npack graphics\n", "m:2: 'pack' must be the first line"},
        {"pack sound\nimage a a.svg\n", "m:2: 'image' lines belong in a graphics pack"},
        {"pack graphics\nwave a a.wav\n", "m:2: 'wave' lines belong in a sound pack"},
        {"pack graphics\nimage a\n", "m:2: expected: image NAME SOURCE [options]"},
        {"pack graphics\nimage \"\" a.svg\n", "m:2: an item needs a name"},
        {"pack graphics\nimage a a.svg pattern=64\n", "m:2: bad image option 'pattern=64'"},
        {"pack graphics\nimage a a.svg pattern=-4x4\n", "m:2: bad image option 'pattern=-4x4'"},
        {"pack graphics\nimage a a.svg key=#12345\n", "m:2: bad image option 'key=#12345'"},
        {"pack graphics\nimage a a.svg transparent=yes\n", "m:2: bad image option 'transparent=yes'"},
        {"pack graphics\nimage a a.svg angle=4\n",
         "m:2: unknown image option 'angle=4' (expected pattern=WxH, skip=WxH, transparent=0|1, key=#RRGGBB, "
         "system=0|1)"},
        {"pack sound\nwave a a.wav max=-1\n", "m:2: bad wave option 'max=-1'"},
        {"pack sound\nwave a a.wav loud\n", "m:2: unknown wave option 'loud' (expected looped, max=N)"},
        {"pack graphics\nsprite a a.svg\n",
         "m:2: unknown line 'sprite' (expected pack, include, image or wave)"},
        {"pack graphics\nimage \"a a.svg\n", "m:2: unterminated quote"},
        {"pack graphics\ninclude missing.manifest\n",
         "Cannot open file \"missing.manifest\". No such file or directory"},
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(text);
        Files files;
        files.Add("m", text);
        EXPECT_EQ(ErrorOf(files, "m"), message);
    }
}

TEST(Manifest, RefusesIncludeCyclesAndMismatchedPacks) {
    Files files;
    files.Add("a.manifest", "pack graphics\ninclude b.manifest\n");
    files.Add("b.manifest", "include a.manifest\n");
    EXPECT_EQ(ErrorOf(files, "a.manifest"), "b.manifest:1: include cycle through a.manifest");
    files.Add("c.manifest", "pack graphics\ninclude d.manifest\n");
    files.Add("d.manifest", "pack sound\n");
    EXPECT_EQ(ErrorOf(files, "c.manifest"),
              "d.manifest:1: included manifest is a sound pack, the including one is not");
}

}  // namespace
