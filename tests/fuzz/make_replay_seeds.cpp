// Writes a starting corpus for replay_reader_fuzz: each replay given as it is and its unpacked
// part (which the fuzz target packs itself), and a tiny game holding a step of every kind and an
// input of every kind a game records.
// Usage: make_replay_seeds DIR [REPLAY.vxr]...

#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/replay.h"

namespace {

void Save(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The unpacked part of a replay file: its header says how large.
std::vector<uint8_t> Unpacked(const std::vector<uint8_t>& file) {
    constexpr size_t kHeader = 13;
    if (file.size() < kHeader) return {};
    uLongf size = 0;
    for (int i = 0; i < 4; ++i) size |= static_cast<uLongf>(file[9 + i]) << (8 * i);
    std::vector<uint8_t> raw(size);
    if (uncompress(raw.data(), &size, file.data() + kHeader, file.size() - kHeader) != Z_OK) return {};
    raw.resize(size);
    return raw;
}

Replay EveryKind() {
    Replay replay;
    replay.start.version = "0.1.0";
    replay.start.clan = 2;
    auto add = [&](ReplayStep::Kind kind) -> ReplayStep& {
        replay.steps.emplace_back();
        replay.steps.back().kind = kind;
        return replay.steps.back();
    };
    add(ReplayStep::Kind::Frame).lag = 3;
    add(ReplayStep::Kind::Keys).keys.set(38);
    add(ReplayStep::Kind::Timer).timer = 2;
    for (const auto kind :
         {InputEvent::Kind::KeyDown, InputEvent::Kind::KeyUp, InputEvent::Kind::Char,
          InputEvent::Kind::PointerMove, InputEvent::Kind::ButtonDown, InputEvent::Kind::ButtonUp,
          InputEvent::Kind::FocusGained, InputEvent::Kind::FocusLost, InputEvent::Kind::Close,
          InputEvent::Kind::Maximized, InputEvent::Kind::PadButtonDown, InputEvent::Kind::PadButtonUp,
          InputEvent::Kind::PadAxis, InputEvent::Kind::PadRemoved}) {
        InputEvent& event = add(ReplayStep::Kind::Input).input;
        event.kind = kind;
        event.key = 'P';
        event.text = 'a';
        event.x = 400;
        event.y = 300;
        event.padButton = PadButton::South;
        event.value = -32768;
    }
    add(ReplayStep::Kind::Frame).lag = 100;
    replay.end = {.score = 120, .level = 1, .lives = 3, .frames = 2, .ended = false};
    return replay;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_replay_seeds DIR [REPLAY.vxr]...\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::vector<uint8_t> tiny = EncodeReplay(EveryKind());
    Save(dir + "/every-kind.vxr", tiny);
    Save(dir + "/every-kind.raw", Unpacked(tiny));
    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), {}};
        std::string name = argv[i];
        name = name.substr(name.find_last_of('/') + 1);
        Save(dir + "/" + name, file);
        Save(dir + "/" + name + ".raw", Unpacked(file));
    }
    return 0;
}
