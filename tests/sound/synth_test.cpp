// The synthesiser's pieces, where a slip would not show in the finished effects' own checks.

#include "synth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>

#include "base/errors.h"
#include "engine/wave_file.h"
#include "recipe.h"
#include "sound_measure.h"
#include "wave_output.h"

namespace {

sfx::Sound RenderText(const std::string& text) {
    return sfx::Render(sfx::ParseRecipe(text, "test.sfx"));
}

TEST(Pitch, ReadsNoteNamesAndHertz) {
    const struct {
        const char* token;
        double hz;
    } kCases[] = {{"A4", 440.0},   {"C4", 261.626}, {"C#5", 554.365}, {"Bb3", 233.082},
                  {"E7", 2637.02}, {"100", 100.0},  {"62.5", 62.5}};
    for (const auto& c : kCases) EXPECT_NEAR(sfx::ParsePitch(c.token), c.hz, 0.01) << c.token;
    for (const char* bad : {"H4", "A", "C#", "A10", "0", "-5", "4A"}) {
        EXPECT_THROW(sfx::ParsePitch(bad), GameError) << bad;
    }
}

TEST(RecipeText, MistakesAreReportedWithTheirLine) {
    const struct {
        const char* text;
        const char* where;
        const char* what;
    } kCases[] = {
        {"length 1\nvoice\nosc sine\nfreq 440\nfilter 300\n", "test.sfx:5:", "unknown word 'filter'"},
        {"peak 0\n", "test.sfx:1:", "at most -1"},
        {"length 1\nvoice a\nosc saw\n", "test.sfx:2:", "needs a 'freq'"},
        {"length 1\nvoice\nosc sine\nfreq 440\nenv points 0:0 0.2:1 0.1:0\n", "test.sfx:5:", "must increase"},
        {"length 1\nvoice\nosc sine\nnotes C5 E5\n", "test.sfx:4:", "needs a STEP"},
        {"length 1\nvoice\nosc wobble\n", "test.sfx:3:", "unknown waveform"},
        {"length 1\nvoice\nosc noise\ndelay 0.1 1.2 0.5\n", "test.sfx:4:", "feedback"},
        {"voice\nosc noise\n", "test.sfx:1:", "'length'"},
        {"length 1\n", "test.sfx:", "at least one voice"},
    };
    for (const auto& c : kCases) {
        try {
            sfx::ParseRecipe(c.text, "test.sfx");
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const GameError& error) {
            EXPECT_NE(std::strstr(error.what(), c.where), nullptr) << error.what();
            EXPECT_NE(std::strstr(error.what(), c.what), nullptr) << error.what();
        }
    }
}

TEST(RecipeText, NotesBecomeVoicesAtTheirSteps) {
    sfx::Recipe recipe = sfx::ParseRecipe(
        "voice lead\n"
        "osc square\n"
        "start 0.5\n"
        "notes C5:0.1 E5 -:0.2 G5+C6:0.1:0.3:-6\n"
        "voice drop\n"
        "osc sine\n"
        "freq 500 1000 exp 0.02\n"
        "notes 250:0.1 x:0.1\n",
        "test.sfx");
    ASSERT_EQ(recipe.voices.size(), 6u);
    const struct {
        double start, length, firstHz, lastHz;
        size_t chain;
    } kExpected[] = {{0.5, 0.1, 523.25, 523.25, 0}, {0.6, 0.1, 659.26, 659.26, 0},
                     {0.9, 0.3, 783.99, 783.99, 1}, {0.9, 0.3, 1046.5, 1046.5, 1},
                     {0.0, 0.1, 250, 500, 0},       {0.1, 0.1, 500, 1000, 0}};
    for (size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        const sfx::Voice& v = recipe.voices[i];
        EXPECT_NEAR(v.start, kExpected[i].start, 1e-9);
        EXPECT_NEAR(v.length, kExpected[i].length, 1e-9);
        EXPECT_NEAR(v.frequency.points.front().value, kExpected[i].firstHz, 0.01);
        EXPECT_NEAR(v.frequency.points.back().value, kExpected[i].lastHz, 0.01);
        EXPECT_EQ(v.chain.size(), kExpected[i].chain);
    }
    EXPECT_NEAR(recipe.length, 1.2, 1e-9) << "up to the end of the last note";
}

double SineRmsThrough(sfx::Biquad::Type type, double cutoff, double q, double hz) {
    const int rate = 44100;
    sfx::Biquad filter(type, q, rate);
    filter.SetCutoff(cutoff);
    double sum = 0;
    int counted = 0;
    for (int n = 0; n < rate; ++n) {
        double y = filter.Process(std::sin(2 * std::numbers::pi * hz * n / rate));
        if (n >= rate / 2) {  // past the filter's settling
            sum += y * y;
            ++counted;
        }
    }
    return sound_test::Db(std::sqrt(2 * sum / counted));
}

TEST(Biquad, PassesAndStopsWhereItShould) {
    using Type = sfx::Biquad::Type;
    const struct {
        Type type;
        double cutoff, q, hz, minDb, maxDb;
    } kCases[] = {
        {Type::Lowpass, 500, 0.7071, 50, -0.5, 0.5},    {Type::Lowpass, 500, 0.7071, 500, -3.5, -2.5},
        {Type::Lowpass, 500, 0.7071, 8000, -100, -45},  {Type::Highpass, 2000, 0.7071, 16000, -0.5, 0.5},
        {Type::Highpass, 2000, 0.7071, 100, -100, -45}, {Type::Bandpass, 1000, 2, 1000, -0.3, 0.3},
        {Type::Bandpass, 1000, 2, 100, -100, -20},      {Type::Bandpass, 1000, 2, 10000, -100, -20},
        {Type::Lowpass, 1000, 4, 1000, 11, 13},  // resonance: Q 4 lifts the cutoff by 12 dB
    };
    for (const auto& c : kCases) {
        double db = SineRmsThrough(c.type, c.cutoff, c.q, c.hz);
        EXPECT_GE(db, c.minDb) << static_cast<int>(c.type) << " " << c.cutoff << " at " << c.hz;
        EXPECT_LE(db, c.maxDb) << static_cast<int>(c.type) << " " << c.cutoff << " at " << c.hz;
    }
}

// Level of one frequency in a signal (single-bin DFT), dB relative to a full-scale sine.
double BinDb(const std::vector<double>& x, double hz, int rate) {
    double re = 0, im = 0;
    for (size_t n = 0; n < x.size(); ++n) {
        // A Hann window keeps the strong fundamental from leaking into the bins being measured.
        double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * n / (x.size() - 1));
        re += w * x[n] * std::cos(2 * std::numbers::pi * hz * n / rate);
        im += w * x[n] * std::sin(2 * std::numbers::pi * hz * n / rate);
    }
    return sound_test::Db(2 * std::hypot(re, im) / (0.5 * x.size()));
}

// High notes must not fold their upper harmonics back down as inharmonic whistles. A 2280 Hz
// tone's 11th and 15th harmonics fold to 19020 and 9900 Hz; the naive waveforms put them at
// -43/-49 dB (triangle), -25/-27 dB (saw) and -19/-21 dB (square).
TEST(Oscillator, HighNotesDoNotFoldBack) {
    const int rate = 44100;
    const double hz = 2280;
    const struct {
        sfx::Waveform waveform;
        double fundamentalDb, fold11Db, fold15Db;
    } kCases[] = {{sfx::Waveform::Triangle, -1.8, -50, -65},
                  {sfx::Waveform::Saw, -3.9, -32, -45},
                  {sfx::Waveform::Square, 2.1, -26, -40}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(static_cast<int>(c.waveform));
        std::vector<double> x;
        double phase = 0;
        for (int n = 0; n < rate / 4; ++n) {
            x.push_back(sfx::Oscillator(c.waveform, phase, hz / rate));
            phase = std::fmod(phase + hz / rate, 1.0);
        }
        EXPECT_NEAR(BinDb(x, hz, rate), c.fundamentalDb, 0.3);
        EXPECT_LT(BinDb(x, rate - 11 * hz, rate), c.fold11Db);
        EXPECT_LT(BinDb(x, 15 * hz - rate, rate), c.fold15Db);
    }
}

// A pitch that does not fit the loop is nudged to a whole number of cycles; a sound cut at a
// random point instead shows the seam the effect checks look for.
TEST(Loop, PitchIsFittedToThePeriodAndTheSeamCheckSeesACut) {
    sfx::Sound sound = RenderText("loop 0.1\nvoice\nosc sine\nfreq 441.3\n");
    ASSERT_EQ(sound.samples.size(), 4410u);
    int crossings = 0;
    for (size_t i = 1; i < sound.samples.size(); ++i) {
        if ((sound.samples[i - 1] < 0) != (sound.samples[i] < 0)) ++crossings;
    }
    EXPECT_NEAR(crossings, 88, 1) << "44 whole cycles in 0.1 s";
    sound_test::Seam seam = sound_test::MeasureSeam(sound.samples);
    EXPECT_LT(seam.stepRatio, sound_test::kSeamless);
    EXPECT_LT(seam.bendRatio, sound_test::kSeamless);

    std::vector<float> cut(sound.samples.begin(), sound.samples.end() - 25);
    seam = sound_test::MeasureSeam(cut);
    EXPECT_GT(std::max(seam.stepRatio, seam.bendRatio), sound_test::kSeamless);
}

// Filters, echoes and reverb carry state from one period into the next; the loop must be
// taken from their settled state, or it clicks at the join.
TEST(Loop, StatefulEffectsStillJoin) {
    sfx::Sound sound = RenderText(
        "loop 0.25\n"
        "voice\nosc saw\nfreq 97\nvibrato 3.3 2\ntremolo 7 0.8 hit jitter 0.5\nlowpass 800 3000 0.1 q 4\n"
        "voice\nosc noise\nbandpass 2000 q 3\ndrive 3\n"
        "master\ndelay 0.07 0.6 0.5\nreverb 0.9 0.6\n");
    sound_test::Seam seam = sound_test::MeasureSeam(sound.samples);
    EXPECT_LT(seam.stepRatio, sound_test::kSeamless);
    EXPECT_LT(seam.bendRatio, sound_test::kSeamless);
}

TEST(Loop, PeriodIsAWholeNumberOfBlocks) {
    EXPECT_EQ(RenderText("loop 0.5 block 512\nvoice\nosc saw\nfreq 86.1328125\n").samples.size(), 43u * 512u);
    EXPECT_EQ(RenderText("loop 0.5\nvoice\nosc saw\nfreq 86.1328125\n").samples.size(), 22050u);
}

// Noise given a pitch is a buzz: the same noise every cycle.
TEST(Noise, WithAPitchRepeatsEveryCycle) {
    sfx::Sound sound = RenderText("length 0.1\nvoice\nosc noise\nfreq 441\n");  // 100 samples a cycle
    // (past the first 3000 samples, where the DC filter is still settling on the buzz's offset)
    for (size_t n = 3000; n < 4000; ++n) ASSERT_NEAR(sound.samples[n + 100], sound.samples[n], 1e-3) << n;
    double difference = 0;
    for (size_t n = 3000; n < 4000; ++n) difference += std::abs(sound.samples[n + 1] - sound.samples[n]);
    EXPECT_GT(difference / 1000, 0.1) << "and noise within the cycle";
}

// A pre-rolled one-shot is already sounding at its start: settled filters, no fade-in, and
// it begins at a quiet sample so that it does not click.
TEST(Preroll, OpeningVoicesAreAlreadySounding) {
    sfx::Sound sound =
        RenderText("length 0.3\npreroll 0.1\nvoice\nosc saw\nfreq 172.265625\nlowpass 800 q 3\n");
    const std::vector<float>& x = sound.samples;
    EXPECT_LT(std::abs(x[0]), 0.02f);
    float early = 0, later = 0;
    for (size_t n = 0; n < 256; ++n) early = std::max(early, std::abs(x[n]));
    for (size_t n = 4096; n < 4096 + 256; ++n) later = std::max(later, std::abs(x[n]));
    EXPECT_NEAR(early, later, 0.01f) << "full level from the first cycle";
    sound_test::Seam seam = sound_test::MeasureSeam(std::vector<float>(x.begin(), x.begin() + 1024));
    EXPECT_LT(seam.bendRatio, sound_test::kSeamless) << "its first block repeats cleanly";
}

TEST(Level, LoudnessIsSetButThePeakNeverPassesMinusOneDb) {
    sfx::Sound steady = RenderText("loudness -20\nlength 0.5\nvoice\nosc saw\nfreq 220\n");
    EXPECT_NEAR(sfx::LoudnessDb(steady.samples, steady.sampleRate, false), -20, 0.05);
    // A lone click cannot be made loud without its peak going over: the peak wins.
    sfx::Sound click = RenderText("loudness -3\nlength 0.5\nvoice\nosc noise\nenv perc 0.0005 0.001\n");
    EXPECT_NEAR(sfx::PeakDb(click.samples), -1, 0.01);
    EXPECT_LT(sfx::LoudnessDb(click.samples, click.sampleRate, false), -10);
}

TEST(Noise, FollowsTheSeedAndNothingElse) {
    const std::string text = "length 0.2\nvoice\nosc noise\nlowpass 3000\n";
    EXPECT_EQ(RenderText(text).samples, RenderText(text).samples);
    EXPECT_NE(RenderText("seed 2\n" + text).samples, RenderText(text).samples);
}

// What vandrax-sfx writes is what the pack tool reads: mono 16-bit PCM at the recipe's rate,
// the samples rounded from the synthesised ones.
TEST(WaveOutput, WritesMonoPcmThePackToolReads) {
    sfx::Sound sound;
    sound.sampleRate = 22050;
    sound.samples = {0.0f, 0.5f, -0.5f, 0.891f, -1.0f};
    std::string path = testing::TempDir() + "wave_output_test.wav";
    sfx::WriteWave(path, sound);
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    WaveData wave = DecodeWave(bytes);
    EXPECT_EQ(wave.formatTag, 1);
    EXPECT_EQ(wave.channels, 1);
    EXPECT_EQ(wave.bitsPerSample, 16);
    EXPECT_EQ(wave.sampleRate, 22050u);
    EXPECT_EQ(wave.bytesPerSecond, 44100u);
    EXPECT_EQ(wave.blockAlign, 2);
    ASSERT_EQ(wave.samples.size(), 10u);
    const int16_t kExpected[] = {0, 16384, -16384, 29195, -32767};
    for (size_t i = 0; i < 5; ++i) {
        auto sample = static_cast<int16_t>(wave.samples[2 * i] | wave.samples[2 * i + 1] << 8);
        EXPECT_NEAR(sample, kExpected[i], 1) << i;
    }
}

}  // namespace
