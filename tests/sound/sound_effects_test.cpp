// Every sound effect the game plays, synthesised from its recipe and measured the way the
// pack will carry it (16-bit PCM), and the pack manifest checked against the game's names.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "engine/pack_manifest.h"
#include "recipe.h"
#include "sound_measure.h"
#include "synth.h"

namespace {

using sound_test::Db;
using sound_test::FromPcm;
using sound_test::RmsDb;

const std::string kSoundDir = VANDRAX_SOUND_SOURCE_DIR;

struct EffectCase {
    const char* name;
    double minSeconds;
    double maxSeconds;
    bool loop;
};

void PrintTo(const EffectCase& c, std::ostream* out) {
    *out << c.name;
}

// Every name the game plays, with the length that suits its use.
const EffectCase kEffects[] = {
    {"back1", 0.3, 1.0, true},       {"forward1", 0.3, 1.0, true},     {"forward2", 0.3, 1.0, true},
    {"viva", 0.8, 2.0, false},       {"pause", 0.15, 0.5, false},      {"after_pause", 0.15, 0.5, false},
    {"ruchnik", 0.3, 0.8, false},    {"luja", 0.4, 1.2, false},        {"boom", 0.8, 2.5, false},
    {"boom_stena", 0.3, 1.0, false}, {"dead", 1.0, 3.0, false},        {"shoot", 0.15, 0.6, false},
    {"police", 0.8, 3.0, true},      {"live", 0.5, 1.5, false},        {"bell", 0.4, 1.5, false},
    {"beep", 0.08, 0.3, false},      {"button_up", 0.01, 0.08, false}, {"button_down", 0.04, 0.2, false},
};

// What each recipe renders to, as the pack's 16-bit samples (sound_test::Fnv1a). A change to a
// recipe or to the synthesiser shows here first; when it is meant, the failure gives the new value.
const std::map<std::string, uint64_t> kRendered = {
    {"back1", 0xe4211d1e1b53729aULL},     {"forward1", 0xb688dd04c151c98dULL},
    {"forward2", 0xaefb553e22c5dd9dULL},  {"viva", 0x2e1cdbe3fa3fa972ULL},
    {"pause", 0x366458fea85c64c6ULL},     {"after_pause", 0x802f57fe6c28f705ULL},
    {"ruchnik", 0x0a73c75fff9f9b1cULL},   {"luja", 0xb3026e56591c55e2ULL},
    {"boom", 0x8d48206f0ffa7c27ULL},      {"boom_stena", 0x46a8040cfaeaf6cdULL},
    {"dead", 0x3466197d24542514ULL},      {"shoot", 0x3f701ee10b3528e7ULL},
    {"police", 0xb5904f73d24a1a9cULL},    {"live", 0xe04600ed51fa8036ULL},
    {"bell", 0x876f64827bf6152fULL},      {"beep", 0xf12071c12be5c226ULL},
    {"button_up", 0xb78581de705dfc7eULL}, {"button_down", 0x2d4370e664071439ULL},
};

// The per-frame requests: the game asks for these every frame, so each must restart its one
// copy rather than pile copies up.
const std::set<std::string> kPerFrame = {"back1", "forward1", "forward2", "ruchnik"};

struct Effect {
    sfx::Recipe recipe;
    sfx::Sound sound;
    std::vector<float> pcm;  // what the pack gets, back in floats
};

// Synthesised once for the whole suite.
const Effect& Render(const std::string& name) {
    static std::map<std::string, Effect> cache;
    auto found = cache.find(name);
    if (found != cache.end()) return found->second;
    Effect effect;
    effect.recipe = sfx::LoadRecipe(kSoundDir + "/" + name + ".sfx");
    effect.sound = sfx::Render(effect.recipe);
    effect.pcm = FromPcm(sfx::ToPcm16(effect.sound.samples));
    return cache.emplace(name, std::move(effect)).first->second;
}

double PeakDb(const std::vector<float>& x) {
    return sfx::PeakDb(x);
}
double LoudnessDb(const Effect& e) {
    return sfx::LoudnessDb(e.pcm, e.sound.sampleRate, e.sound.loop);
}

// Sums sounds started at the same moment; loops repeat to the longest length.
std::vector<float> Together(const std::vector<const Effect*>& effects) {
    size_t length = 0;
    for (const Effect* e : effects) length = std::max(length, e->pcm.size());
    std::vector<float> sum(length, 0.0f);
    for (const Effect* e : effects) {
        for (size_t i = 0; i < length; ++i) {
            if (i < e->pcm.size()) {
                sum[i] += e->pcm[i];
            } else if (e->sound.loop) {
                sum[i] += e->pcm[i % e->pcm.size()];
            }
        }
    }
    return sum;
}

class SoundEffect : public testing::TestWithParam<EffectCase> {};

TEST_P(SoundEffect, HasItsLengthLevelAndCleanEdges) {
    const EffectCase& c = GetParam();
    const Effect& e = Render(c.name);
    const std::vector<float>& x = e.pcm;
    const int rate = e.sound.sampleRate;
    double seconds = static_cast<double>(x.size()) / rate;

    EXPECT_EQ(rate, 44100);
    EXPECT_EQ(e.sound.loop, c.loop);
    EXPECT_GE(seconds, c.minSeconds);
    EXPECT_LE(seconds, c.maxSeconds);
    EXPECT_LE(PeakDb(x), -1.0);
    double loudness = LoudnessDb(e);
    EXPECT_GT(loudness, -40.0) << "too quiet to hear over the engine";
    double mean = 0;
    for (float v : x) mean += v;
    EXPECT_LT(std::abs(mean / static_cast<double>(x.size())), 0.002) << "DC offset";

    if (c.loop) {
        sound_test::Seam seam = sound_test::MeasureSeam(x);
        EXPECT_LT(seam.stepRatio, sound_test::kSeamless) << "the loop point jumps";
        EXPECT_LT(seam.bendRatio, sound_test::kSeamless) << "the loop point bends";
    } else {
        // A one-shot starts from silence and dies away instead of being cut off.
        EXPECT_LT(std::abs(x.front()), 0.01f);
        size_t tail = static_cast<size_t>(0.01 * rate);
        EXPECT_LT(RmsDb(x, x.size() - tail, x.size()), loudness - 30) << "the tail is cut off";
    }
}

TEST_P(SoundEffect, RendersTheSameEveryBuild) {
    const EffectCase& c = GetParam();
    const std::vector<int16_t> pcm = sfx::ToPcm16(Render(c.name).sound.samples);
    // Twice in one run: nothing carries over from one rendering to the next.
    sfx::Sound again = sfx::Render(sfx::LoadRecipe(kSoundDir + "/" + std::string(c.name) + ".sfx"));
    EXPECT_EQ(sfx::ToPcm16(again.samples), pcm);
    // And the same as it has always rendered.
    const auto stored = kRendered.find(c.name);
    ASSERT_NE(stored, kRendered.end()) << "no stored checksum for " << c.name;
    EXPECT_EQ(sound_test::Fnv1a(pcm), stored->second)
        << c.name << " now renders to 0x" << std::hex << sound_test::Fnv1a(pcm);
}

// The mixer starts a restarted sound on its next block (1024 samples now, 512 or 2048 on other
// set-ups), and the game restarts these every frame: held, they play their first block(s) over
// and over. Those repeats must join as cleanly as a loop.
TEST(PerFrameSound, RestartsOnMixerBlocksWithoutAClick) {
    const struct {
        const char* name;
        size_t block;
    } kCases[] = {{"back1", 512},    {"back1", 1024},    {"forward1", 512}, {"forward1", 1024},
                  {"forward2", 512}, {"forward2", 1024}, {"ruchnik", 1024}, {"ruchnik", 2048}};
    for (const auto& c : kCases) {
        const std::vector<float>& x = Render(c.name).pcm;
        sound_test::Seam seam = sound_test::MeasureSeam(std::vector<float>(x.begin(), x.begin() + c.block));
        EXPECT_LT(seam.stepRatio, sound_test::kSeamless) << c.name << " every " << c.block;
        EXPECT_LT(seam.bendRatio, sound_test::kSeamless) << c.name << " every " << c.block;
    }
}

INSTANTIATE_TEST_SUITE_P(AllEffects, SoundEffect, testing::ValuesIn(kEffects),
                         [](const testing::TestParamInfo<EffectCase>& tested) {
                             return std::string(tested.param.name);
                         });

struct ManifestEntry {
    std::string source;
    bool looped = false;
    int maxPlaying = 0;
};

// Read by the pack tool's own manifest reader.
std::map<std::string, ManifestEntry> ReadManifest() {
    Manifest manifest = LoadManifest(kSoundDir + "/manifest.txt");
    EXPECT_EQ(manifest.kind, PackKind::Sound);
    std::map<std::string, ManifestEntry> entries;
    for (const ManifestWave& wave : manifest.waves) {
        bool added =
            entries.emplace(wave.name, ManifestEntry{wave.source, wave.looped, wave.maxPlayingCount}).second;
        EXPECT_TRUE(added) << "listed twice: " << wave.name;
    }
    return entries;
}

TEST(SoundManifest, ListsEveryGameSoundOnceFromItsOwnRecipe) {
    std::map<std::string, ManifestEntry> manifest = ReadManifest();
    std::set<std::string> listed, played, recipes;
    for (const auto& [name, entry] : manifest) {
        listed.insert(name);
        EXPECT_EQ(entry.source, name + ".wav");
    }
    for (const EffectCase& c : kEffects) played.insert(c.name);
    for (const auto& file : std::filesystem::directory_iterator(kSoundDir)) {
        if (file.path().extension() == ".sfx") recipes.insert(file.path().stem().string());
    }
    EXPECT_EQ(listed, played);
    EXPECT_EQ(recipes, played);
}

TEST(SoundManifest, OnlyTheSirenLoopsAndNoRequestPilesUpCopies) {
    for (const auto& [name, entry] : ReadManifest()) {
        SCOPED_TRACE(name);
        EXPECT_EQ(entry.looped, name == "police");
        if (entry.looped) continue;
        // 0 would mean "no limit": a burst of requests would stack without end.
        EXPECT_GE(entry.maxPlaying, 1);
        EXPECT_LE(entry.maxPlaying, 4);
        if (kPerFrame.count(name)) {
            EXPECT_EQ(entry.maxPlaying, 1) << "asked for every frame";
        }
    }
}

// Copies started in the same frame add up sample for sample (a rival's shot plays "shoot" twice,
// a lost car plays "boom" and "dead" at once, the engine layers run together): they must still
// fit under full scale, or the mixer clips them.
TEST(SoundManifest, SoundsStartedTogetherDoNotClip) {
    for (const auto& [name, entry] : ReadManifest()) {
        if (entry.looped) continue;
        const Effect& e = Render(name);
        std::vector<const Effect*> copies(static_cast<size_t>(entry.maxPlaying), &e);
        EXPECT_LT(PeakDb(Together(copies)), 0.0) << entry.maxPlaying << " copies of " << name;
    }
    EXPECT_LT(PeakDb(Together({&Render("boom"), &Render("dead")})), 0.0);
    std::vector<float> engine = Together({&Render("back1"), &Render("forward1"), &Render("forward2")});
    EXPECT_LT(PeakDb(engine), -6.0) << "the engine at full revs leaves room for everything else";
}

TEST(SoundManifest, EngineSitsUnderTheAction) {
    double hits =
        std::min({LoudnessDb(Render("boom")), LoudnessDb(Render("dead")), LoudnessDb(Render("shoot"))});
    for (const char* layer : {"back1", "forward1", "forward2"}) {
        EXPECT_LT(LoudnessDb(Render(layer)), hits - 8) << layer;
    }
    EXPECT_LT(LoudnessDb(Render("police")), LoudnessDb(Render("boom"))) << "the siren under explosions";
}

}  // namespace
