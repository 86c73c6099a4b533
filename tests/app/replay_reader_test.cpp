// The replay file as the reader meets it: what the recorder writes reads back as it was, and a
// file cut short, damaged, of another format, claiming an absurd size, disagreeing with itself or
// longer than a game may be is refused with the player's message, quickly, never read past its end.

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/replay.h"
#include "base/errors.h"

namespace {

constexpr size_t kHeaderSize = 13;  // "VANDRAXR", the format byte, the unpacked size
const char* const kDamaged = "The replay is cut off or damaged";

ReplayStep Frame(int32_t lag) {
    ReplayStep step;
    step.kind = ReplayStep::Kind::Frame;
    step.lag = lag;
    return step;
}

ReplayStep Input(InputEvent event) {
    ReplayStep step;
    step.kind = ReplayStep::Kind::Input;
    step.input = event;
    return step;
}

// A short game with a step of every kind and an input of most kinds.
Replay SmallReplay() {
    Replay replay;
    replay.start.version = "0.1.0";
    replay.start.data.fill(0xA5);
    for (size_t i = 0; i < replay.start.random.words.size(); ++i)
        replay.start.random.words[i] = i * 0x9E3779B97F4A7C15ULL;
    replay.start.random.index = 17;
    replay.start.clan = 2;
    replay.start.mouseX = 412;
    replay.start.mouseY = -3;
    replay.start.focused = true;
    replay.start.pad.connected = true;
    replay.start.pad.axisX = -32768;
    replay.start.pad.buttons[static_cast<size_t>(PadButton::East)] = true;
    replay.start.startedAt = 1'800'000'000;
    std::vector<ReplayStep>& steps = replay.steps;
    steps.push_back(Frame(3));
    ReplayStep keys;
    keys.kind = ReplayStep::Kind::Keys;
    keys.keys.set(38);
    keys.keys.set(17);
    steps.push_back(keys);
    steps.push_back(Frame(4));
    ReplayStep timer;
    timer.kind = ReplayStep::Kind::Timer;
    timer.timer = 4;
    steps.push_back(timer);
    InputEvent key;
    key.kind = InputEvent::Kind::KeyDown;
    key.key = 'P';
    key.shift = kShiftCtrl | kShiftAlt;
    key.repeat = true;
    steps.push_back(Input(key));
    InputEvent axis;
    axis.kind = InputEvent::Kind::PadAxis;
    axis.axis = 1;
    axis.value = 32767;
    steps.push_back(Input(axis));
    InputEvent pad;
    pad.kind = InputEvent::Kind::PadButtonDown;
    pad.padButton = PadButton::Start;
    steps.push_back(Input(pad));
    InputEvent click;
    click.kind = InputEvent::Kind::ButtonDown;
    click.button = MouseButton::Right;
    click.x = 799;
    click.y = 0;
    steps.push_back(Input(click));
    InputEvent character;
    character.kind = InputEvent::Kind::Char;
    character.text = '\xE9';
    steps.push_back(Input(character));
    InputEvent focus;
    focus.kind = InputEvent::Kind::FocusLost;
    steps.push_back(Input(focus));
    keys.keys.reset(38);
    steps.push_back(keys);
    steps.push_back(Frame(70));  // past the six bits of the step's first byte
    replay.end = {.score = 1745, .level = 3, .lives = -1, .frames = 3, .ended = true};
    return replay;
}

// The unpacked part of a file, and a file made of an unpacked part, as the recorder packs it.
std::vector<uint8_t> Unpacked(const std::vector<uint8_t>& file) {
    uLongf size = file[9] | (file[10] << 8) | (file[11] << 16) | (static_cast<uLongf>(file[12]) << 24);
    std::vector<uint8_t> raw(size);
    EXPECT_EQ(uncompress(raw.data(), &size, file.data() + kHeaderSize, file.size() - kHeaderSize), Z_OK);
    return raw;
}

std::vector<uint8_t> Packed(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> file = {'V', 'A', 'N', 'D', 'R', 'A', 'X', 'R', 1};
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<uint8_t>(raw.size() >> (8 * i)));
    uLongf size = compressBound(raw.size());
    file.resize(kHeaderSize + size);
    EXPECT_EQ(compress(file.data() + kHeaderSize, &size, raw.data(), raw.size()), Z_OK);
    file.resize(kHeaderSize + size);
    return file;
}

void ExpectSameSteps(const std::vector<ReplayStep>& read, const std::vector<ReplayStep>& written) {
    ASSERT_EQ(read.size(), written.size());
    for (size_t i = 0; i < read.size(); ++i) {
        const ReplayStep& a = read[i];
        const ReplayStep& b = written[i];
        SCOPED_TRACE("step " + std::to_string(i));
        ASSERT_EQ(a.kind, b.kind);
        switch (a.kind) {
            case ReplayStep::Kind::Frame:
                EXPECT_EQ(a.lag, b.lag);
                break;
            case ReplayStep::Kind::Timer:
                EXPECT_EQ(a.timer, b.timer);
                break;
            case ReplayStep::Kind::Keys:
                EXPECT_EQ(a.keys, b.keys);
                break;
            case ReplayStep::Kind::Input:
                EXPECT_EQ(a.input.kind, b.input.kind);
                EXPECT_EQ(a.input.key, b.input.key);
                EXPECT_EQ(a.input.shift, b.input.shift);
                EXPECT_EQ(a.input.repeat, b.input.repeat);
                EXPECT_EQ(a.input.text, b.input.text);
                EXPECT_EQ(a.input.x, b.input.x);
                EXPECT_EQ(a.input.y, b.input.y);
                EXPECT_EQ(a.input.button, b.input.button);
                EXPECT_EQ(a.input.padButton, b.input.padButton);
                EXPECT_EQ(a.input.axis, b.input.axis);
                EXPECT_EQ(a.input.value, b.input.value);
                break;
        }
    }
}

// Refused with a GameError whose message says `message`.
void ExpectRefused(const std::vector<uint8_t>& bytes, const std::string& message,
                   const ReplayLimits& limits = {}) {
    try {
        DecodeReplay(bytes, limits);
        ADD_FAILURE() << "read, expected: " << message;
    } catch (const GameError& error) {
        EXPECT_EQ(error.what(), message);
    }
}

TEST(ReplayReader, ReadsBackWhatWasWritten) {
    const Replay written = SmallReplay();
    const Replay read = DecodeReplay(EncodeReplay(written));
    EXPECT_EQ(read.start.version, written.start.version);
    EXPECT_EQ(read.start.data, written.start.data);
    EXPECT_EQ(read.start.random, written.start.random);
    EXPECT_EQ(read.start.clan, written.start.clan);
    EXPECT_EQ(read.start.mouseX, written.start.mouseX);
    EXPECT_EQ(read.start.mouseY, written.start.mouseY);
    EXPECT_EQ(read.start.hoverArmed, written.start.hoverArmed);
    EXPECT_EQ(read.start.focused, written.start.focused);
    EXPECT_EQ(read.start.pad.connected, written.start.pad.connected);
    EXPECT_EQ(read.start.pad.axisX, written.start.pad.axisX);
    EXPECT_EQ(read.start.pad.axisY, written.start.pad.axisY);
    EXPECT_EQ(read.start.pad.buttons, written.start.pad.buttons);
    EXPECT_EQ(read.start.startedAt, written.start.startedAt);
    ExpectSameSteps(read.steps, written.steps);
    EXPECT_EQ(read.end, written.end);
}

// Every length short of the whole file: refused as not a replay (the name cut) or as cut off.
TEST(ReplayReader, RefusesAFileCutShortAtEveryLength) {
    const std::vector<uint8_t> file = EncodeReplay(SmallReplay());
    for (size_t length = 0; length < file.size(); ++length) {
        SCOPED_TRACE("length " + std::to_string(length));
        ExpectRefused({file.begin(), file.begin() + static_cast<ptrdiff_t>(length)},
                      length < 8 ? "This is not a Vandrax replay" : kDamaged);
    }
}

// Each byte of the packed part changed, in one bit or all of them: refused, zlib's check or the
// reader's own says so. A few bits of a packed stream mean nothing (a code table's spare entries):
// changed, the same game reads back, which is no damage at all.
TEST(ReplayReader, RefusesAnyByteOfThePackedPartChanged) {
    const std::vector<uint8_t> file = EncodeReplay(SmallReplay());
    const std::vector<uint8_t> same = Unpacked(file);
    for (size_t at = kHeaderSize; at < file.size(); ++at)
        for (const uint8_t flip : {0x01, 0x80, 0xFF}) {
            SCOPED_TRACE("byte " + std::to_string(at) + " ^ " + std::to_string(flip));
            std::vector<uint8_t> damaged = file;
            damaged[at] ^= flip;
            try {
                const Replay read = DecodeReplay(damaged);
                EXPECT_EQ(Unpacked(EncodeReplay(read)), same) << "read as another game";
            } catch (const GameError& error) {
                EXPECT_STREQ(error.what(), kDamaged);
            }
        }
}

// The header: the name, the format, the unpacked size the rest must come to.
TEST(ReplayReader, RefusesAHeaderThatDoesNotFit) {
    const std::vector<uint8_t> file = EncodeReplay(SmallReplay());
    const std::vector<uint8_t> raw = Unpacked(file);
    auto withSize = [&](uint32_t size) {
        std::vector<uint8_t> bytes = file;
        for (int i = 0; i < 4; ++i) bytes[9 + i] = static_cast<uint8_t>(size >> (8 * i));
        return bytes;
    };
    auto withByte = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> bytes = file;
        bytes[at] = value;
        return bytes;
    };
    const auto size = static_cast<uint32_t>(raw.size());
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        std::string message;
    } cases[] = {
        {"another name", withByte(0, 'W'), "This is not a Vandrax replay"},
        {"a later format", withByte(8, 2), "The replay is of a format this version of the game cannot read"},
        {"format 0", withByte(8, 0), "The replay is of a format this version of the game cannot read"},
        {"a size past the bound", withSize(0xFFFFFFFF), "The replay is too large"},
        {"a size zlib cannot reach from so little", withSize(60u << 20), kDamaged},
        {"a size a byte more than packed", withSize(size + 1), kDamaged},
        {"a size a byte less than packed", withSize(size - 1), kDamaged},
        {"a size of nothing", withSize(0), kDamaged},
        {"something after the packed part",
         [&] {
             std::vector<uint8_t> bytes = file;
             bytes.push_back(0);
             return bytes;
         }(),
         kDamaged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectRefused(c.bytes, c.message);
    }
}

// What the unpacked part says must hold together: the frames the end counts are the frames there
// are, the play time is within the bound, every number fits where it goes, nothing follows the end.
TEST(ReplayReader, RefusesAGameThatDoesNotHoldTogether) {
    auto encoded = [](auto change) {
        Replay replay = SmallReplay();
        change(replay);
        return EncodeReplay(replay);
    };
    const std::vector<uint8_t> raw = Unpacked(EncodeReplay(SmallReplay()));
    auto rawWith = [&](auto change) {
        std::vector<uint8_t> bytes = raw;
        change(bytes);
        return Packed(bytes);
    };
    // The steps start where a game of no steps has its end: five bytes of zeros and no flag.
    const size_t firstStep = [] {
        Replay none = SmallReplay();
        none.steps.clear();
        none.end = {};
        return Unpacked(EncodeReplay(none)).size() - 5;
    }();
    ASSERT_EQ(raw[firstStep - 1], SmallReplay().steps.size());
    ASSERT_EQ(raw[firstStep], 3 << 2);  // the first frame, of lag 3
    ASSERT_LT(firstStep, raw.size());
    ReplayLimits oneSecond;
    oneSecond.maxPlayMs = 1000;  // 200 steps of the frame timer
    ReplayLimits fewSteps;
    fewSteps.maxSteps = SmallReplay().steps.size() - 1;
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        std::string message;
        ReplayLimits limits;
    } cases[] = {
        {"an end counting a frame more", encoded([](Replay& r) { r.end.frames += 1; }), kDamaged, {}},
        {"an end counting a frame less", encoded([](Replay& r) { r.end.frames -= 1; }), kDamaged, {}},
        {"a lag total past the bound", encoded([](Replay& r) {
             r.steps.assign(3, Frame(67));
             r.end.frames = 3;
         }),
         "The replay is longer than the game can be played", oneSecond},
        {"more steps than a reader holds", encoded([](Replay&) {}), "The replay is too large", fewSteps},
        {"a frame of no lag",
         encoded([](Replay& r) {
             r.steps = {Frame(0)};
             r.end.frames = 1;
         }),
         kDamaged,
         {}},
        {"a timer the window does not have", encoded([](Replay& r) { r.steps[3].timer = 5; }), kDamaged, {}},
        {"a clan of three", encoded([](Replay& r) { r.start.clan = 3; }), kDamaged, {}},
        {"a quit recorded",
         encoded([](Replay& r) { r.steps[4].input.kind = InputEvent::Kind::Quit; }),
         kDamaged,
         {}},
        {"an input of no kind",
         rawWith([&](std::vector<uint8_t>& b) { b[firstStep] = (40 << 2) | 3; }),
         kDamaged,
         {}},
        {"a step count past the steps",
         rawWith([&](std::vector<uint8_t>& b) { b[firstStep - 1] += 1; }),
         kDamaged,
         {}},
        {"a byte after the end", rawWith([](std::vector<uint8_t>& b) { b.push_back(0); }), kDamaged, {}},
        {"an end cut off", rawWith([](std::vector<uint8_t>& b) { b.pop_back(); }), kDamaged, {}},
        {"a number that never ends",
         rawWith([&](std::vector<uint8_t>& b) {
             b.resize(firstStep);
             b.back() = 1;
             b.insert(b.end(), 12, 0xFF);
         }),
         kDamaged,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectRefused(c.bytes, c.message, c.limits);
    }
    // At the bound exactly, it reads.
    Replay atBound = SmallReplay();
    atBound.steps.assign(2, Frame(100));
    atBound.end.frames = 2;
    EXPECT_NO_THROW(DecodeReplay(EncodeReplay(atBound), oneSecond));
}

TEST(ReplayReader, NamesTheFileItCannotRead) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "vandrax-replay-reader";
    std::filesystem::create_directories(folder);
    const std::string missing = (folder / "missing.vxr").string();
    const std::string cut = (folder / "cut.vxr").string();
    const std::vector<uint8_t> file = EncodeReplay(SmallReplay());
    std::ofstream(cut, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), 20);
    const struct {
        std::string path;
        std::string message;
    } cases[] = {
        {missing, "Cannot read the replay '" + missing + "'"},
        {cut, cut + ": " + kDamaged},
    };
    for (const auto& c : cases) {
        try {
            ReadReplayFile(c.path);
            ADD_FAILURE() << c.path << " read";
        } catch (const GameError& error) {
            EXPECT_EQ(error.what(), c.message);
        }
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
