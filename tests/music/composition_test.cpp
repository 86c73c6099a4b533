// The composer and the XM writer, checked against libxmp as an independent reader.

#include "composition.h"

#include <gtest/gtest.h>
#include <xmp.h>

#include <cmath>
#include <map>
#include <memory>

#include "base/errors.h"
#include "music_test_util.h"
#include "synth.h"

namespace {

using musictest::PitchHz;

// libxmp holds a loaded module; released with the object.
class LoadedModule {
public:
    explicit LoadedModule(const std::vector<uint8_t>& bytes) : context_(xmp_create_context()) {
        loaded_ = xmp_load_module_from_memory(context_, bytes.data(), static_cast<long>(bytes.size())) == 0;
        if (loaded_) xmp_get_module_info(context_, &info_);
    }
    ~LoadedModule() {
        if (loaded_) xmp_release_module(context_);
        xmp_free_context(context_);
    }
    bool Loaded() const { return loaded_; }
    const xmp_module& Mod() const { return *info_.mod; }
    const xmp_module_info& Info() const { return info_; }
    const xmp_event& Event(int pattern, int row, int channel) const {
        const xmp_module& m = Mod();
        return m.xxt[m.xxp[pattern]->index[channel]]->event[row];
    }
    xmp_context Context() const { return context_; }

private:
    xmp_context context_;
    xmp_module_info info_{};
    bool loaded_ = false;
};

constexpr const char* kRoundTrip = R"(
title Round trip
speed 4
bpm 150
channels 8
rows 16
instrument lead lead lo=c3 hi=c6
instrument kick kick note=d4 vol=50
instrument pad  pad lo=c3 hi=c5
phrase riff: a3 c4 [e4 .]2 ^
pattern base
  1 kick: x . xv20 .
  2 lead: @riff @riff+2 g4/A04 .
  chords 3,4,5 pad low=c4: Am~8 Fmaj7~4 ^ . . .
  arp 6 lead low=a3 step=2 seq=0123: C~16
  echo 7 2 3 50 pan=200
end
pattern second like=base
  mute 6
  1 kick: x=lead .~15
end
order base second base
)";

TEST(Composer, WritesWhatTheLinesSay) {
    const xm::Module m = xm::Compose(kRoundTrip, "roundtrip.song");
    ASSERT_EQ(m.patterns.size(), 2u);
    EXPECT_EQ(m.orders, (std::vector<uint8_t>{0, 1, 0}));
    EXPECT_EQ(m.restart, 0);
    const xm::Pattern& p = m.patterns[0];
    auto notes = [&](const xm::Pattern& pattern, int channel) {
        std::vector<int> n;
        for (int r = 0; r < pattern.rows; ++r) n.push_back(pattern.At(r, channel).note);
        return n;
    };
    // Drums: `x` is the instrument's own note; a step volume goes to the volume column.
    EXPECT_EQ(p.At(0, 0).note, 51);
    EXPECT_EQ(p.At(0, 0).instrument, 2);
    EXPECT_EQ(p.At(2, 0).volume, 0x10 + 20);
    // A phrase, a repeated group, a transposed phrase, a key off and an effect.
    EXPECT_EQ(notes(p, 1), (std::vector<int>{46, 49, 53, 0, 53, 0, 97, 48, 51, 55, 0, 55, 0, 97, 56, 0}));
    EXPECT_EQ(p.At(14, 1).effect, 0x0A);
    EXPECT_EQ(p.At(14, 1).param, 0x04);
    // Chords are voiced upwards from `low`; with more tones than voices the fifth goes first.
    EXPECT_EQ((std::vector<int>{p.At(0, 2).note, p.At(0, 3).note, p.At(0, 4).note}),
              (std::vector<int>{49, 53, 58}));
    EXPECT_EQ((std::vector<int>{p.At(8, 2).note, p.At(8, 3).note, p.At(8, 4).note}),
              (std::vector<int>{53, 54, 58}));
    EXPECT_EQ((std::vector<int>{p.At(12, 2).note, p.At(12, 3).note, p.At(12, 4).note}),
              (std::vector<int>{97, 97, 97}));
    // The arpeggio walks the chord tones every second row; index 3 is the lowest tone an octave up.
    EXPECT_EQ(notes(p, 5), (std::vector<int>{49, 0, 53, 0, 56, 0, 61, 0, 49, 0, 53, 0, 56, 0, 61, 0}));
    // The echo repeats channel 2 three rows later at half volume, panned.
    EXPECT_EQ(p.At(3, 6).note, 46);
    EXPECT_EQ(p.At(3, 6).volume, 0x10 + 32);
    EXPECT_EQ(p.At(3, 6).effect, 0x08);
    EXPECT_EQ(p.At(3, 6).param, 200);
    EXPECT_EQ(p.At(9, 6).note, 97);
    EXPECT_EQ(p.At(0, 6).note, 0);
    // `like` keeps the base, `mute` empties a channel, a new line replaces the inherited one.
    const xm::Pattern& q = m.patterns[1];
    EXPECT_EQ(notes(q, 1), notes(p, 1));
    EXPECT_EQ(notes(q, 5), std::vector<int>(16, 0));
    EXPECT_EQ(q.At(0, 0).note, 49);
    EXPECT_EQ(q.At(0, 0).instrument, 1);
}

TEST(Composer, RepeatsAShortLineToFillThePattern) {
    const xm::Module m = xm::Compose(R"(
channels 2
rows 8
instrument k kick
pattern a
  1 k: x .
end
order a
)",
                                     "t.song");
    for (int r = 0; r < 8; ++r) EXPECT_EQ(m.patterns[0].At(r, 0).note, r % 2 == 0 ? 49 : 0) << "row " << r;
}

struct BadSong {
    const char* body;
    int line;  // 0: no line number expected
    const char* message;
};

void PrintTo(const BadSong& s, std::ostream* out) {
    *out << s.message;
}

class ComposerRejects : public testing::TestWithParam<BadSong> {};

TEST_P(ComposerRejects, WithTheLineAndTheReason) {
    const std::string text =
        std::string("channels 4\nrows 4\ninstrument k kick\ninstrument l lead\n") + GetParam().body;
    try {
        xm::Compose(text, "bad.song");
        FAIL() << "accepted:\n" << text;
    } catch (const GameError& e) {
        const std::string what = e.what();
        if (GetParam().line) {
            EXPECT_NE(what.find("bad.song:" + std::to_string(GetParam().line) + ":"), std::string::npos)
                << what;
        }
        EXPECT_NE(what.find(GetParam().message), std::string::npos) << what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Mistakes, ComposerRejects,
    testing::Values(
        BadSong{"pattern a\n  1 nosuch: x . . .\nend\norder a\n", 6, "unknown instrument 'nosuch'"},
        BadSong{"pattern a\n  1 k: x x x\nend\norder a\n", 6, "3 steps"},
        BadSong{"pattern a\n  1 k: x x x x x\nend\norder a\n", 6, "5 steps"},
        BadSong{"pattern a\n  chords 1,2 l: Axyz . . .\nend\norder a\n", 6, "unknown chord"},
        BadSong{"pattern a\n  1 l: h4 . . .\nend\norder a\n", 6, "cannot read step"},
        BadSong{"phrase p: c7\npattern a\n  1 l: @p+24 . . .\nend\norder a\n", 7, "out of range"},
        BadSong{"pattern a\n  1 l: @nope\nend\norder a\n", 6, "unknown phrase"},
        BadSong{"phrase p: @p\npattern a\n  1 l: @p\nend\norder a\n", 7, "too deeply"},
        BadSong{"pattern a\n  1 k: xv99 . . .\nend\norder a\n", 6, "volume"},
        BadSong{"pattern a\n  5 k: x . . .\nend\norder a\n", 6, "channel 5"},
        BadSong{"pattern a\n  1 k: x . . .\n  1 l: c4 . . .\nend\norder a\n", 7, "already played"},
        BadSong{"pattern a\n  1 k: [x . x .\nend\norder a\n", 6, "'[' without ']N'"},
        BadSong{"pattern a\n  1 k: x . x .]2\nend\norder a\n", 6, "']' without '['"},
        BadSong{"pattern a\n  1 k: x . . .\norder a\n", 5, "no 'end'"},
        BadSong{"pattern a\n  1 k: x . . .\nend\norder b\n", 8, "unknown pattern 'b'"},
        BadSong{"pattern a\n  1 k: x . . .\nend\n", 0, "no order"},
        BadSong{"instrument z kazoo\n", 5, "unknown instrument kind"},
        BadSong{"instrument z kick wobble=3\n", 5, "not a setting of kick"},
        BadSong{"instrument z lead cutoff=loud\npattern a\n  1 z: c4 . . .\nend\norder a\n", 5,
                "not a number"},
        BadSong{"instrument z lead voices=40\npattern a\n  1 z: c4 . . .\nend\norder a\n", 5,
                "voices must be"},
        BadSong{"pattern a\n  arp 1 l seq=0x1: C . . .\nend\norder a\n", 6, "not a figure step"},
        BadSong{"pattern a\n  1 k: x/B00 . . .\nend\norder a\n", 0, "jumps"},
        BadSong{"channels 3\npattern a\n  1 k: x . . .\nend\norder a\n", 0, "even count"}));

TEST(XmWriter, LibxmpReadsBackEveryCell) {
    const xm::Module m = xm::Compose(kRoundTrip, "roundtrip.song");
    const LoadedModule loaded(xm::Write(m));
    ASSERT_TRUE(loaded.Loaded());
    const xmp_module& x = loaded.Mod();
    EXPECT_EQ(x.chn, m.channels);
    EXPECT_EQ(x.len, static_cast<int>(m.orders.size()));
    EXPECT_EQ(x.rst, 0);
    EXPECT_EQ(x.spd, 4);
    EXPECT_EQ(x.bpm, 150);
    EXPECT_EQ(x.ins, static_cast<int>(m.instruments.size()));
    for (size_t o = 0; o < m.orders.size(); ++o) EXPECT_EQ(x.xxo[o], m.orders[o]);
    for (size_t pi = 0; pi < m.patterns.size(); ++pi) {
        const xm::Pattern& p = m.patterns[pi];
        ASSERT_EQ(x.xxp[pi]->rows, p.rows);
        for (int r = 0; r < p.rows; ++r) {
            for (int c = 0; c < p.channels; ++c) {
                const xm::Cell& cell = p.At(r, c);
                const xmp_event& e = loaded.Event(static_cast<int>(pi), r, c);
                SCOPED_TRACE(testing::Message() << "pattern " << pi << " row " << r << " channel " << c);
                // libxmp counts notes from an octave lower and marks key off as XMP_KEY_OFF.
                const int note = cell.note == xm::kNoteOff ? XMP_KEY_OFF : cell.note ? cell.note + 12 : 0;
                EXPECT_EQ(e.note, note);
                EXPECT_EQ(e.ins, cell.instrument);
                EXPECT_EQ(e.vol, cell.volume ? cell.volume - 0x10 + 1 : 0);
                EXPECT_EQ(e.fxt, cell.effect);
                EXPECT_EQ(e.fxp, cell.param);
            }
        }
    }
}

TEST(XmWriter, SamplesEnvelopesAndKeymapsSurviveTheFile) {
    const xm::Module m = xm::Compose(kRoundTrip, "roundtrip.song");
    const LoadedModule loaded(xm::Write(m));
    ASSERT_TRUE(loaded.Loaded());
    const xmp_module& x = loaded.Mod();
    for (size_t i = 0; i < m.instruments.size(); ++i) {
        const xm::Instrument& ins = m.instruments[i];
        const xmp_instrument& xi = x.xxi[i];
        SCOPED_TRACE(ins.name);
        ASSERT_EQ(xi.nsm, static_cast<int>(ins.samples.size()));
        for (size_t s = 0; s < ins.samples.size(); ++s) {
            const xm::Sample& want = ins.samples[s];
            const xmp_sample& got = x.xxs[xi.sub[s].sid];
            ASSERT_EQ(got.len, static_cast<int>(want.data.size()));
            ASSERT_TRUE(got.flg & XMP_SAMPLE_16BIT);
            const auto* pcm = reinterpret_cast<const int16_t*>(got.data);
            EXPECT_TRUE(std::equal(want.data.begin(), want.data.end(), pcm)) << "sample " << s << " differs";
            EXPECT_EQ((got.flg & XMP_SAMPLE_LOOP) != 0, want.loopLength != 0);
            if (want.loopLength) {
                EXPECT_EQ(got.lps, static_cast<int>(want.loopStart));
                EXPECT_EQ(got.lpe, static_cast<int>(want.loopStart + want.loopLength));
            }
            EXPECT_EQ(xi.sub[s].vol, want.volume);
            EXPECT_EQ(xi.sub[s].xpo, want.relativeNote);
        }
        for (int note = 0; note < 96; ++note)
            EXPECT_EQ(xi.map[note + 12].ins, ins.keymap[note]) << "note " << note;
        ASSERT_EQ(xi.aei.npt, static_cast<int>(ins.volumeEnvelope.points.size()));
        for (int k = 0; k < xi.aei.npt; ++k) {
            EXPECT_EQ(xi.aei.data[2 * k], ins.volumeEnvelope.points[k].first);
            EXPECT_EQ(xi.aei.data[2 * k + 1], ins.volumeEnvelope.points[k].second);
        }
        if (ins.volumeEnvelope.On()) {
            EXPECT_EQ(xi.aei.sus, ins.volumeEnvelope.sustain);
        }
    }
}

// Our own timing (used for the modules' expected lengths) against libxmp's scan of the file.
TEST(XmWriter, TimingAgreesWithLibxmpThroughTempoChanges) {
    const char* songs[] = {
        "speed 6\nbpm 125\nchannels 2\nrows 16\ninstrument k kick\npattern a\n 1 k: x . . .\nend\norder a a "
        "a\n",
        "speed 3\nbpm 200\nchannels 2\nrows 8\ninstrument k kick\npattern a\n 1 k: x . ./F06 . ./F50 . . .\n"
        "end\npattern b rows=12\n 2 k: x/F03 . . . x/FA0 . . . . . . .\nend\norder a b a\n",
        "speed 6\nbpm 66\nchannels 2\nrows 32\ninstrument k kick\npattern a\n 1 k: x/F42 .~23 ./F3C . ./F36 "
        ". "
        "./F30 . ./F2A .\nend\norder a a\n",
    };
    for (const char* song : songs) {
        const xm::Module m = xm::Compose(song, "t.song");
        const LoadedModule loaded(xm::Write(m));
        ASSERT_TRUE(loaded.Loaded());
        const double ours = xm::ComputeTiming(m).seconds * 1000.0;
        EXPECT_NEAR(loaded.Info().seq_data[0].duration, ours, 2.0 + ours * 0.002) << song;
    }
}

struct PitchCase {
    const char* instrument;
    const char* note;
    double hz;
};

void PrintTo(const PitchCase& c, std::ostream* out) {
    *out << c.instrument << " " << c.note;
}

class InstrumentPitch : public testing::TestWithParam<PitchCase> {};

// Each zone's relative note and finetune make the written note sound at its true pitch.
TEST_P(InstrumentPitch, SoundsAtItsNote) {
    const PitchCase& c = GetParam();
    const std::string song = std::string("channels 2\nrows 16\nbpm 125\ninstrument i ") + c.instrument +
                             "\npattern a\n  1 i: " + c.note + "~16\nend\norder a\n";
    const LoadedModule loaded(xm::Write(xm::Compose(song, "pitch.song")));
    ASSERT_TRUE(loaded.Loaded());
    constexpr int kRate = 44100;
    ASSERT_EQ(xmp_start_player(loaded.Context(), kRate, XMP_FORMAT_MONO), 0);
    std::vector<int16_t> pcm(kRate);  // one second
    xmp_play_buffer(loaded.Context(), pcm.data(), static_cast<int>(pcm.size() * 2), 1);
    xmp_end_player(loaded.Context());
    std::vector<float> tail(pcm.begin() + kRate / 2, pcm.end());  // after the attack has settled
    EXPECT_NEAR(PitchHz(tail, kRate, c.hz / 1.4, c.hz * 1.4), c.hz, c.hz * 0.006);
}

INSTANTIATE_TEST_SUITE_P(Kinds, InstrumentPitch,
                         testing::Values(PitchCase{"bass", "a1", 55.0}, PitchCase{"bass", "e2", 82.41},
                                         PitchCase{"lead vibdepth=0", "a4", 440.0},
                                         PitchCase{"lead vibdepth=0", "c#5", 554.37},
                                         PitchCase{"pad attack=0", "d4", 293.66},
                                         PitchCase{"pluck sustain=40", "g3", 196.0},
                                         PitchCase{"bell metal=0 decay=0 sustain=64", "a5", 880.0},
                                         PitchCase{"choir vibdepth=0 attack=0", "f3", 174.61}));

TEST(Synth, SameRecipeGivesTheSameSamples) {
    const xm::InstrumentRecipe recipe{"hat", "hat", {}};
    EXPECT_EQ(xm::Synthesize(recipe, 125).samples[0].data, xm::Synthesize(recipe, 125).samples[0].data);
}

// The fingerprint of an instrument: every sample's data and the points that place and loop it.
uint64_t Fingerprint(const xm::Instrument& instrument) {
    musictest::Fnv1a hash;
    for (const xm::Sample& s : instrument.samples)
        hash.Ints(s.data)
            .Int(s.loopStart)
            .Int(s.loopLength)
            .Int(s.relativeNote)
            .Int(s.finetune)
            .Int(s.volume);
    hash.Ints(std::vector<uint8_t>(instrument.keymap.begin(), instrument.keymap.end()));
    return hash.Value();
}

// What every kind of instrument synthesises to at the songs' usual tempo. A change to the
// synthesiser shows here first; when it is meant, the failure gives the new value.
TEST(Synth, EveryKindSynthesisesToItsStoredSamples) {
    const std::pair<const char*, uint64_t> cases[] = {
        {"kick", 0x4478399396f9ec81ULL},    {"snare", 0x6c6ecf63818dbbc6ULL},
        {"clap", 0x276f950ec975113aULL},    {"hat", 0x56efa7f40d2c5cf9ULL},
        {"openhat", 0xa87b876a28ca2706ULL}, {"crash", 0x0d13c82b98ed4d78ULL},
        {"tom", 0xb7c9c7c0c812dab4ULL},     {"sweep", 0x3682b1c21d3fcf33ULL},
        {"bass", 0xb9dbae7a8ef6345fULL},    {"lead", 0x044a16a72cf611bcULL},
        {"pad", 0x6c6aed64e46f8394ULL},     {"pluck", 0xcebacb6caecec820ULL},
        {"choir", 0x93c13205633b4076ULL},   {"bell", 0x55a3e2c8ec704101ULL}};
    for (const auto& [kind, stored] : cases) {
        const uint64_t now = Fingerprint(xm::Synthesize({kind, kind, {}}, 125));
        EXPECT_EQ(now, stored) << kind << " now synthesises to 0x" << std::hex << now;
    }
}

// The game's three songs, composed: every byte of the module written for each, instruments,
// patterns and orders alike.
TEST(Composer, GameSongsComposeToTheirStoredModules) {
    const std::pair<const char*, uint64_t> cases[] = {{"Menu", 0xc5d345fc3d8bdea4ULL},
                                                      {"Main", 0x567767c43f5dfdfaULL},
                                                      {"GameOver", 0x0b4e0d9ddec20cf9ULL}};
    for (const auto& [name, stored] : cases) {
        const std::string song = std::string(VANDRAX_SONG_DIR) + "/" + name + ".song";
        const std::vector<uint8_t> bytes = xm::Write(xm::ComposeFile(song));
        EXPECT_EQ(xm::Write(xm::ComposeFile(song)), bytes) << name << " differs when composed again";
        const uint64_t now = musictest::Fnv1a().Ints(bytes).Value();
        EXPECT_EQ(now, stored) << name << " now composes to 0x" << std::hex << now;
    }
}

TEST(Synth, LoopsAreSeamless) {
    for (const char* kind : {"bass", "lead", "pad", "pluck", "bell", "choir"}) {
        const xm::Instrument ins = xm::Synthesize({kind, kind, {}}, 125);
        for (const xm::Sample& s : ins.samples) {
            ASSERT_GT(s.loopLength, 0u) << kind;
            // The loop's last sample must be the one just before the loop start, a period earlier.
            const int end = static_cast<int>(s.loopStart + s.loopLength);
            EXPECT_NEAR(s.data[end - 1], s.data[s.loopStart - 1], 600) << kind << ": the loop clicks";
        }
    }
}

}  // namespace
