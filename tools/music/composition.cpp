// Compiles a composition (assets/music/*.song) into a module: instruments are synthesised,
// patterns are filled from note lines, chord lines, arpeggio lines and echoes.

#include "composition.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "base/errors.h"
#include "synth.h"

namespace xm {
namespace {

constexpr int kMaxPhraseDepth = 16;

struct Chord {
    int root = 0;  // pitch class, C = 0
    std::vector<int> intervals;
};

struct Step {
    enum class Kind { Empty, Note, DefaultNote, Off, Chord };
    Kind kind = Kind::Empty;
    int note = 0;
    Chord chord;
    int volume = -1;
    int effect = -1;
    int param = 0;
    std::string instrument;  // per-step instrument, "" = the line's
};

struct Statement {
    enum class Kind { Notes, Chords, Arp, Echo };
    Kind kind = Kind::Notes;
    std::vector<int> channels;  // 0-based; for an echo, the channel written
    std::string instrument;
    std::map<std::string, std::string> options;
    std::vector<std::string> tokens;
    int line = 0;
    bool inherited = false;
    int source = 0, delay = 0, percent = 0, pan = -1;  // echo
};

struct PatternSpec {
    std::string name;
    int rows = 0;
    std::vector<Statement> statements;
};

struct InstrumentInfo {
    int index = 0;  // 0-based
    int defaultNote = 49;
    int volume = 64;
};

struct Line {
    int number = 0;
    std::string text;
};

std::string Trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    const size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

std::vector<std::string> Words(const std::string& s) {
    std::istringstream in(s);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

int PitchClass(int note) {
    return (note - 1) % 12;
}

int PlaceAbove(int pitchClass, int low) {
    int n = low;
    while (PitchClass(n) != ((pitchClass % 12) + 12) % 12) ++n;
    return n;
}

const std::map<std::string, std::vector<int>>& ChordQualities() {
    static const std::map<std::string, std::vector<int>> q = {
        {"", {0, 4, 7}},           {"m", {0, 3, 7}},        {"7", {0, 4, 7, 10}},
        {"m7", {0, 3, 7, 10}},     {"maj7", {0, 4, 7, 11}}, {"mmaj7", {0, 3, 7, 11}},
        {"6", {0, 4, 7, 9}},       {"m6", {0, 3, 7, 9}},    {"9", {0, 4, 7, 10, 14}},
        {"m9", {0, 3, 7, 10, 14}}, {"add9", {0, 4, 7, 14}}, {"madd9", {0, 3, 7, 14}},
        {"sus2", {0, 2, 7}},       {"sus4", {0, 5, 7}},     {"7sus4", {0, 5, 7, 10}},
        {"dim", {0, 3, 6}},        {"dim7", {0, 3, 6, 9}},  {"m7b5", {0, 3, 6, 10}},
        {"aug", {0, 4, 8}},        {"5", {0, 7}},
    };
    return q;
}

// How much a chord tone matters when there are fewer voices than tones.
int TonePriority(int interval) {
    switch (interval % 12) {
        case 0:
            return 0;
        case 3:
        case 4:
            return 2;
        case 2:
        case 5:
            return interval == 14 ? 5 : 1;
        case 10:
        case 11:
            return 3;
        case 9:
            return 4;
        default:
            return 6;
    }
}

class Compiler {
public:
    explicit Compiler(std::string sourceName) : source_(std::move(sourceName)) {}

    Module Run(const std::string& text) {
        ReadLines(text);
        for (size_t i = 0; i < lines_.size(); ++i) {
            const Line& l = lines_[i];
            const std::vector<std::string> w = Words(l.text);
            const std::string& key = w[0];
            if (key == "title") {
                title_ = Trim(l.text.substr(5));
            } else if (key == "speed" || key == "bpm" || key == "channels" || key == "rows") {
                if (w.size() != 2) Fail(l.number, key + " takes one number");
                const int v = Int(w[1], l.number);
                if (key == "speed") module_.speed = v;
                if (key == "bpm") module_.bpm = v;
                if (key == "channels") module_.channels = v;
                if (key == "rows") defaultRows_ = v;
            } else if (key == "instrument") {
                ParseInstrument(l, w);
            } else if (key == "phrase") {
                ParsePhrase(l);
            } else if (key == "pattern") {
                i = ParsePattern(i);
            } else if (key == "order") {
                for (size_t k = 1; k < w.size(); ++k) {
                    if (!patternIndex_.count(w[k])) Fail(l.number, "unknown pattern '" + w[k] + "'");
                    orderNames_.push_back({w[k], l.number});
                }
            } else {
                Fail(l.number, "unknown statement '" + key + "'");
            }
        }
        return Build();
    }

private:
    [[noreturn]] void Fail(int line, const std::string& message) const {
        throw GameError(FormatMessage("%s:%d: %s", source_.c_str(), line, message.c_str()));
    }

    int Int(const std::string& text, int line) const {
        size_t used = 0;
        int v = 0;
        try {
            v = std::stoi(text, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used == 0 || used != text.size()) Fail(line, "'" + text + "' is not a whole number");
        return v;
    }

    int NoteOption(const std::string& text, int line) const {
        const int note = ParseNoteName(text);
        if (!note) Fail(line, "'" + text + "' is not a note (like c4, f#2, eb3)");
        return note;
    }

    void ReadLines(const std::string& text) {
        std::istringstream in(text);
        std::string raw;
        int number = 0;
        Line pending;
        bool continuing = false;
        while (std::getline(in, raw)) {
            ++number;
            // '#' starts a comment at the start of a line or after blank space ("c#4" is a note).
            for (size_t p = 0; p < raw.size(); ++p)
                if (raw[p] == '#' && (p == 0 || raw[p - 1] == ' ' || raw[p - 1] == '\t')) {
                    raw.resize(p);
                    break;
                }
            std::string t = Trim(raw);
            const bool more = !t.empty() && t.back() == '\\';
            if (more) t.pop_back();
            if (continuing) {
                pending.text += " " + t;
            } else {
                pending = {number, t};
            }
            continuing = more;
            if (!continuing && !Trim(pending.text).empty())
                lines_.push_back({pending.number, Trim(pending.text)});
        }
        if (continuing) Fail(number, "the last line ends with a continuation '\\'");
    }

    void ParseInstrument(const Line& l, const std::vector<std::string>& w) {
        if (w.size() < 3) Fail(l.number, "instrument NAME KIND [setting=value ...]");
        InstrumentRecipe recipe;
        recipe.name = w[1];
        recipe.kind = w[2];
        if (instruments_.count(recipe.name))
            Fail(l.number, "instrument '" + recipe.name + "' is defined twice");
        const auto& kinds = InstrumentKinds();
        if (std::find(kinds.begin(), kinds.end(), recipe.kind) == kinds.end())
            Fail(l.number, "unknown instrument kind '" + recipe.kind + "'");
        const auto defaults = DefaultSettings(recipe.kind);
        for (size_t k = 3; k < w.size(); ++k) {
            const size_t eq = w[k].find('=');
            if (eq == std::string::npos) Fail(l.number, "settings are written key=value, not '" + w[k] + "'");
            const std::string key = w[k].substr(0, eq);
            if (!defaults.count(key)) Fail(l.number, "'" + key + "' is not a setting of " + recipe.kind);
            recipe.settings[key] = w[k].substr(eq + 1);
        }
        InstrumentInfo info;
        info.index = static_cast<int>(recipes_.size());
        const std::string note =
            recipe.settings.count("note") ? recipe.settings["note"] : defaults.at("note");
        info.defaultNote = NoteOption(note, l.number);
        info.volume = recipe.settings.count("vol") ? Int(recipe.settings["vol"], l.number) : 64;
        instruments_[recipe.name] = info;
        recipes_.push_back({recipe, l.number});
    }

    void ParsePhrase(const Line& l) {
        const size_t colon = l.text.find(':');
        if (colon == std::string::npos) Fail(l.number, "phrase NAME: tokens");
        const std::vector<std::string> head = Words(l.text.substr(0, colon));
        if (head.size() != 2) Fail(l.number, "phrase NAME: tokens");
        if (phrases_.count(head[1])) Fail(l.number, "phrase '" + head[1] + "' is defined twice");
        phrases_[head[1]] = {Words(l.text.substr(colon + 1)), l.number};
    }

    size_t ParsePattern(size_t first) {
        const Line& head = lines_[first];
        const std::vector<std::string> w = Words(head.text);
        if (w.size() < 2) Fail(head.number, "pattern NAME [rows=N] [like=OTHER]");
        PatternSpec spec;
        spec.name = w[1];
        spec.rows = defaultRows_;
        if (patternIndex_.count(spec.name)) Fail(head.number, "pattern '" + spec.name + "' is defined twice");
        for (size_t k = 2; k < w.size(); ++k) {
            if (w[k].rfind("rows=", 0) == 0) {
                spec.rows = Int(w[k].substr(5), head.number);
            } else if (w[k].rfind("like=", 0) == 0) {
                const std::string base = w[k].substr(5);
                if (!patternIndex_.count(base)) Fail(head.number, "unknown pattern '" + base + "'");
                const PatternSpec& b = patterns_[patternIndex_[base]];
                spec.statements = b.statements;
                for (Statement& s : spec.statements) s.inherited = true;
                bool rowsGiven = false;
                for (const std::string& x : w) rowsGiven |= x.rfind("rows=", 0) == 0;
                if (!rowsGiven) spec.rows = b.rows;
            } else {
                Fail(head.number, "unknown pattern option '" + w[k] + "'");
            }
        }
        if (spec.rows < 1 || spec.rows > kMaxRows) Fail(head.number, "a pattern has 1..256 rows");
        size_t i = first + 1;
        for (; i < lines_.size(); ++i) {
            const Line& l = lines_[i];
            const std::vector<std::string> lw = Words(l.text);
            if (lw[0] == "end") break;
            static const std::set<std::string> kTopLevel = {
                "pattern", "order", "phrase", "instrument", "title", "channels", "rows", "speed", "bpm"};
            if (kTopLevel.count(lw[0])) Fail(head.number, "pattern '" + spec.name + "' has no 'end'");
            if (lw[0] == "mute") {
                if (lw.size() != 2) Fail(l.number, "mute CHANNEL");
                Drop(spec, {Channel(lw[1], l.number)});
                continue;
            }
            Statement s = ParseStatement(l);
            Drop(spec, s.channels);
            spec.statements.push_back(std::move(s));
        }
        if (i == lines_.size()) Fail(head.number, "pattern '" + spec.name + "' has no 'end'");
        patternIndex_[spec.name] = static_cast<int>(patterns_.size());
        patterns_.push_back(std::move(spec));
        return i;
    }

    // A line of a pattern replaces what the pattern inherited on the same channels.
    static void Drop(PatternSpec& spec, const std::vector<int>& channels) {
        std::erase_if(spec.statements, [&](const Statement& s) {
            if (!s.inherited) return false;
            for (int c : s.channels)
                if (std::find(channels.begin(), channels.end(), c) != channels.end()) return true;
            return false;
        });
    }

    int Channel(const std::string& text, int line) const {
        const int c = Int(text, line);
        if (c < 1 || c > module_.channels)
            Fail(line, FormatMessage("channel %d is not 1..%d", c, module_.channels));
        return c - 1;
    }

    Statement ParseStatement(const Line& l) {
        Statement s;
        s.line = l.number;
        const std::vector<std::string> lw = Words(l.text);
        if (lw[0] == "echo") {
            if (lw.size() < 5 || lw.size() > 6) Fail(l.number, "echo TO FROM ROWS PERCENT [pan=N]");
            s.kind = Statement::Kind::Echo;
            s.channels = {Channel(lw[1], l.number)};
            s.source = Channel(lw[2], l.number);
            s.delay = Int(lw[3], l.number);
            s.percent = Int(lw[4], l.number);
            if (lw.size() == 6) {
                if (lw[5].rfind("pan=", 0) != 0) Fail(l.number, "echo takes only pan=N after the percentage");
                s.pan = Int(lw[5].substr(4), l.number);
                if (s.pan < 0 || s.pan > 255) Fail(l.number, "pan is 0..255");
            }
            if (s.delay < 1 || s.percent < 1 || s.percent > 100)
                Fail(l.number, "echo delay >= 1, percent 1..100");
            return s;
        }
        const size_t colon = l.text.find(':');
        if (colon == std::string::npos)
            Fail(l.number, "a pattern line is 'CHANNEL INSTRUMENT [options]: steps'");
        std::vector<std::string> head = Words(l.text.substr(0, colon));
        s.tokens = Words(l.text.substr(colon + 1));
        size_t next = 0;
        if (head[0] == "chords" || head[0] == "arp") {
            s.kind = head[0] == "chords" ? Statement::Kind::Chords : Statement::Kind::Arp;
            if (head.size() < 3) Fail(l.number, head[0] + " CHANNELS INSTRUMENT [options]: chords");
            std::stringstream list(head[1]);
            for (std::string c; std::getline(list, c, ',');) s.channels.push_back(Channel(c, l.number));
            if (s.kind == Statement::Kind::Arp && s.channels.size() != 1)
                Fail(l.number, "arp plays on one channel");
            next = 2;
        } else {
            if (head.size() < 2) Fail(l.number, "a pattern line is 'CHANNEL INSTRUMENT [options]: steps'");
            s.channels = {Channel(head[0], l.number)};
            next = 1;
        }
        s.instrument = head[next];
        if (!instruments_.count(s.instrument)) Fail(l.number, "unknown instrument '" + s.instrument + "'");
        static const std::set<std::string> kNoteOptions = {"vol", "vols"};
        static const std::set<std::string> kChordOptions = {"vol", "low"};
        static const std::set<std::string> kArpOptions = {"vol", "vols", "low", "step", "seq"};
        const auto& allowed = s.kind == Statement::Kind::Notes    ? kNoteOptions
                              : s.kind == Statement::Kind::Chords ? kChordOptions
                                                                  : kArpOptions;
        for (size_t k = next + 1; k < head.size(); ++k) {
            const size_t eq = head[k].find('=');
            const std::string key = head[k].substr(0, eq);
            if (eq == std::string::npos || !allowed.count(key))
                Fail(l.number, "unknown option '" + head[k] + "'");
            s.options[key] = head[k].substr(eq + 1);
        }
        return s;
    }

    // ---- steps ----

    std::vector<std::string> SplitTokens(const std::vector<std::string>& words) const {
        std::vector<std::string> out;
        for (const std::string& w : words) {
            std::string cur;
            for (char c : w) {
                if (c == '[') {
                    if (!cur.empty()) out.push_back(cur);
                    out.push_back("[");
                    cur.clear();
                } else if (c == ']') {
                    if (!cur.empty()) out.push_back(cur);
                    cur.assign(1, ']');  // GCC 12 at -O3 takes cur = "]" for an overlapping copy
                } else {
                    cur += c;
                }
            }
            if (!cur.empty()) out.push_back(cur);
        }
        return out;
    }

    std::vector<Step> Expand(const std::vector<std::string>& words, int transpose, int line,
                             int depth) const {
        if (depth > kMaxPhraseDepth) Fail(line, "phrases refer to each other too deeply");
        const std::vector<std::string> tokens = SplitTokens(words);
        size_t pos = 0;
        std::vector<Step> steps = Sequence(tokens, pos, transpose, line, depth, false);
        return steps;
    }

    std::vector<Step> Sequence(const std::vector<std::string>& tokens, size_t& pos, int transpose, int line,
                               int depth, bool inGroup) const {
        std::vector<Step> steps;
        while (pos < tokens.size()) {
            const std::string& t = tokens[pos++];
            if (t == "|") continue;
            if (t == "[") {
                std::vector<Step> group = Sequence(tokens, pos, transpose, line, depth, true);
                const std::string& close = tokens[pos - 1];
                const int times = close.size() > 1 ? Int(close.substr(1), line) : 1;
                if (times < 1) Fail(line, "a group repeats at least once");
                for (int k = 0; k < times; ++k) steps.insert(steps.end(), group.begin(), group.end());
                continue;
            }
            if (t[0] == ']') {
                if (!inGroup) Fail(line, "']' without '['");
                return steps;
            }
            if (t[0] == '@') {
                size_t sign = t.find_first_of("+-", 1);
                const std::string name =
                    t.substr(1, sign == std::string::npos ? std::string::npos : sign - 1);
                const int shift = sign == std::string::npos ? 0 : Int(t.substr(sign), line);
                const auto it = phrases_.find(name);
                if (it == phrases_.end()) Fail(line, "unknown phrase '" + name + "'");
                std::vector<Step> inner = Expand(it->second.first, transpose + shift, line, depth + 1);
                steps.insert(steps.end(), inner.begin(), inner.end());
                continue;
            }
            int hold = 1;
            steps.push_back(Atom(t, transpose, line, hold));
            steps.insert(steps.end(), hold - 1, Step{});
        }
        if (inGroup) Fail(line, "'[' without ']N'");
        return steps;
    }

    Step Atom(const std::string& t, int transpose, int line, int& hold) const {
        Step s;
        size_t i = 0;
        auto bad = [&] { Fail(line, "cannot read step '" + t + "'"); };
        const char c = t[0];
        if (c == '.' || c == '-') {
            i = 1;
        } else if (c == '^') {
            s.kind = Step::Kind::Off;
            i = 1;
        } else if (c == 'x') {
            s.kind = Step::Kind::DefaultNote;
            i = 1;
        } else if (c >= 'a' && c <= 'g') {
            size_t end = 1;
            if (end < t.size() && (t[end] == '#' || t[end] == 'b') && end + 1 < t.size() &&
                std::isdigit(t[end + 1]))
                ++end;
            if (end >= t.size() || !std::isdigit(static_cast<unsigned char>(t[end]))) bad();
            ++end;
            const int note = ParseNoteName(t.substr(0, end));
            if (!note) bad();
            s.kind = Step::Kind::Note;
            s.note = note + transpose;
            if (s.note < 1 || s.note > 96)
                Fail(line, "note '" + t + "' moved out of range by a transposition");
            i = end;
        } else if (c >= 'A' && c <= 'G') {
            static constexpr int kOffsets[] = {9, 11, 0, 2, 4, 5, 7};
            int root = kOffsets[c - 'A'];
            i = 1;
            if (i < t.size() && (t[i] == '#' || t[i] == 'b')) root += t[i++] == '#' ? 1 : -1;
            const size_t end = t.find_first_of("v/=~", i);
            const std::string quality = t.substr(i, end == std::string::npos ? std::string::npos : end - i);
            const auto it = ChordQualities().find(quality);
            if (it == ChordQualities().end()) Fail(line, "unknown chord '" + t + "'");
            s.kind = Step::Kind::Chord;
            s.chord = {((root + transpose) % 12 + 12) % 12, it->second};
            i = end == std::string::npos ? t.size() : end;
        } else {
            bad();
        }
        while (i < t.size()) {
            const char k = t[i++];
            auto digits = [&] {
                const size_t from = i;
                while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
                if (from == i) bad();
                return std::stoi(t.substr(from, i - from));
            };
            if (k == 'v') {
                s.volume = digits();
                if (s.volume > 64) Fail(line, "volume is 0..64 in '" + t + "'");
            } else if (k == '~') {
                hold = digits();
                if (hold < 1) bad();
            } else if (k == '/') {
                if (i + 3 > t.size()) bad();
                const char e = static_cast<char>(std::toupper(static_cast<unsigned char>(t[i])));
                if (std::isdigit(static_cast<unsigned char>(e)))
                    s.effect = e - '0';
                else if (e >= 'A' && e <= 'Z')
                    s.effect = e - 'A' + 10;
                else
                    bad();
                const std::string hex = t.substr(i + 1, 2);
                if (!std::isxdigit(static_cast<unsigned char>(hex[0])) ||
                    !std::isxdigit(static_cast<unsigned char>(hex[1])))
                    bad();
                s.param = std::stoi(hex, nullptr, 16);
                i += 3;
            } else if (k == '=') {
                const size_t from = i;
                while (i < t.size() && (std::isalnum(static_cast<unsigned char>(t[i])) || t[i] == '_')) ++i;
                s.instrument = t.substr(from, i - from);
                if (!instruments_.count(s.instrument))
                    Fail(line, "unknown instrument '" + s.instrument + "'");
            } else {
                bad();
            }
        }
        return s;
    }

    // Steps of a line, repeated to fill the pattern when they are a whole fraction of it.
    std::vector<Step> LineSteps(const Statement& s, int rows) const {
        std::vector<Step> steps = Expand(s.tokens, 0, s.line, 0);
        if (steps.empty() || rows % static_cast<int>(steps.size()) != 0)
            Fail(s.line,
                 FormatMessage("the line has %zu steps; the pattern has %d rows (a line must fill it, or "
                               "a whole fraction of it)",
                               steps.size(), rows));
        const std::vector<Step> once = steps;
        while (static_cast<int>(steps.size()) < rows) steps.insert(steps.end(), once.begin(), once.end());
        return steps;
    }

    std::vector<int> Volumes(const Statement& s) const {
        std::vector<int> v;
        if (auto it = s.options.find("vols"); it != s.options.end()) {
            std::stringstream list(it->second);
            for (std::string x; std::getline(list, x, ',');) v.push_back(Int(x, s.line));
        } else if (auto single = s.options.find("vol"); single != s.options.end()) {
            v.push_back(Int(single->second, s.line));
        }
        for (int x : v)
            if (x < 0 || x > 64) Fail(s.line, "volumes are 0..64");
        return v;
    }

    void Put(Pattern& p, int row, int channel, const Step& step, int note, const std::string& instrument,
             int lineVolume, int line) const {
        Cell& cell = p.At(row, channel);
        if (note < 1 || note > 96) Fail(line, FormatMessage("note %d is out of range", note));
        cell.note = static_cast<uint8_t>(note);
        cell.instrument = static_cast<uint8_t>(instruments_.at(instrument).index + 1);
        const int volume = step.volume >= 0 ? step.volume : lineVolume;
        if (volume >= 0) cell.volume = static_cast<uint8_t>(0x10 + volume);
        PutEffect(cell, step);
    }

    static void PutEffect(Cell& cell, const Step& step) {
        if (step.effect >= 0) {
            cell.effect = static_cast<uint8_t>(step.effect);
            cell.param = static_cast<uint8_t>(step.param);
        }
    }

    std::vector<int> Voiced(const Chord& chord, int low, size_t voices) const {
        std::vector<int> intervals = chord.intervals;
        if (voices > 0 && intervals.size() > voices) {
            std::stable_sort(intervals.begin(), intervals.end(),
                             [](int a, int b) { return TonePriority(a) < TonePriority(b); });
            intervals.resize(voices);
        }
        std::vector<int> notes;
        for (int iv : intervals) notes.push_back(PlaceAbove(chord.root + iv, low));
        std::sort(notes.begin(), notes.end());
        notes.erase(std::unique(notes.begin(), notes.end()), notes.end());
        const size_t base = notes.size();
        for (size_t k = base; k < voices; ++k)
            notes.push_back(notes[k % base] + 12 * static_cast<int>(k / base));
        return notes;
    }

    int RootTone(const Chord& chord, int low, char which) const {
        const int root = PlaceAbove(chord.root, low);
        auto has = [&](int iv) {
            return std::find(chord.intervals.begin(), chord.intervals.end(), iv) != chord.intervals.end();
        };
        switch (which) {
            case 'r':
                return root;
            case 'o':
                return root + 12;
            case 'f':
                return root + (has(7) ? 7 : has(6) ? 6 : has(8) ? 8 : 7);
            case 't':
                return root + (has(3) ? 3 : has(4) ? 4 : has(5) ? 5 : 2);
            case 's':
                return root + (has(10) ? 10 : has(11) ? 11 : has(9) ? 9 : 12);
            default:
                return root;
        }
    }

    void Render(const Statement& s, Pattern& p) const {
        const std::vector<int> volumes = Volumes(s);
        const std::vector<Step> steps = LineSteps(s, p.rows);
        if (s.kind == Statement::Kind::Notes) {
            for (int r = 0; r < p.rows; ++r) {
                const Step& st = steps[r];
                const int lineVolume = volumes.empty() ? -1 : volumes[r % volumes.size()];
                Cell& cell = p.At(r, s.channels[0]);
                switch (st.kind) {
                    case Step::Kind::Chord:
                        Fail(s.line, "a chord on a note line (use 'chords' or 'arp')");
                    case Step::Kind::Empty:
                        if (st.volume >= 0) cell.volume = static_cast<uint8_t>(0x10 + st.volume);
                        PutEffect(cell, st);
                        break;
                    case Step::Kind::Off:
                        cell.note = kNoteOff;
                        PutEffect(cell, st);
                        break;
                    case Step::Kind::Note:
                    case Step::Kind::DefaultNote: {
                        const std::string& name = st.instrument.empty() ? s.instrument : st.instrument;
                        const int note =
                            st.kind == Step::Kind::Note ? st.note : instruments_.at(name).defaultNote;
                        Put(p, r, s.channels[0], st, note, name, lineVolume, s.line);
                        break;
                    }
                }
            }
            return;
        }
        const int low = s.options.count("low") ? NoteOption(s.options.at("low"), s.line) : 49;
        if (s.kind == Statement::Kind::Chords) {
            for (int r = 0; r < p.rows; ++r) {
                const Step& st = steps[r];
                const int lineVolume = volumes.empty() ? -1 : volumes[0];
                if (st.kind == Step::Kind::Chord) {
                    const std::vector<int> notes = Voiced(st.chord, low, s.channels.size());
                    for (size_t v = 0; v < s.channels.size(); ++v)
                        Put(p, r, s.channels[v], st, notes[v], s.instrument, lineVolume, s.line);
                } else if (st.kind == Step::Kind::Off || st.kind == Step::Kind::Empty) {
                    for (int c : s.channels) {
                        Cell& cell = p.At(r, c);
                        if (st.kind == Step::Kind::Off) cell.note = kNoteOff;
                        if (st.volume >= 0) cell.volume = static_cast<uint8_t>(0x10 + st.volume);
                        PutEffect(cell, st);
                    }
                } else {
                    Fail(s.line, "a chord line holds chords, '.', '^' and '~'");
                }
            }
            return;
        }
        // Arpeggio: a figure over the current chord, one figure character every `step` rows.
        const int stepRows = s.options.count("step") ? Int(s.options.at("step"), s.line) : 1;
        const std::string seq = s.options.count("seq") ? s.options.at("seq") : "0123";
        if (stepRows < 1 || seq.empty()) Fail(s.line, "arp needs step >= 1 and a figure");
        for (char c : seq)
            if (!std::isdigit(static_cast<unsigned char>(c)) && !std::strchr(".^-rtfso", c))
                Fail(s.line, FormatMessage("'%c' is not a figure step (0-9 . ^ r t f s o)", c));
        std::optional<Chord> chord;
        for (int r = 0; r < p.rows; ++r) {
            const Step& st = steps[r];
            if (st.kind == Step::Kind::Chord) chord = st.chord;
            if (st.kind == Step::Kind::Note || st.kind == Step::Kind::DefaultNote)
                Fail(s.line, "an arp line holds chords, '.', '^' and '~'");
            Cell& cell = p.At(r, s.channels[0]);
            if (st.kind == Step::Kind::Off) {
                chord.reset();
                cell.note = kNoteOff;
                continue;
            }
            if (!chord || r % stepRows != 0) continue;
            const int index = r / stepRows;
            const char c = seq[index % seq.size()];
            if (c == '.' || c == '-') continue;
            if (c == '^') {
                cell.note = kNoteOff;
                continue;
            }
            int note;
            if (std::isdigit(static_cast<unsigned char>(c))) {
                const std::vector<int> tones = Voiced(*chord, low, 0);
                const int k = c - '0';
                note = tones[k % tones.size()] + 12 * static_cast<int>(k / tones.size());
            } else {
                note = RootTone(*chord, low, c);
            }
            const int lineVolume = volumes.empty() ? -1 : volumes[index % volumes.size()];
            Put(p, r, s.channels[0], st, note, s.instrument, lineVolume, s.line);
        }
    }

    void RenderEcho(const Statement& s, Pattern& p) const {
        for (int r = 0; r + s.delay < p.rows; ++r) {
            const Cell& from = p.At(r, s.source);
            if (from.note == 0) continue;
            Cell& to = p.At(r + s.delay, s.channels[0]);
            to.note = from.note;
            to.instrument = from.instrument;
            if (from.note != kNoteOff) {
                int volume = from.volume ? from.volume - 0x10 : 64;
                if (!from.volume && from.instrument) volume = recipesVolume_.at(from.instrument - 1);
                to.volume = static_cast<uint8_t>(0x10 + std::lround(volume * s.percent / 100.0));
                if (s.pan >= 0) {
                    to.effect = 0x08;
                    to.param = static_cast<uint8_t>(s.pan);
                }
            }
        }
    }

    Pattern BuildPattern(const PatternSpec& spec) const {
        Pattern p(spec.name, spec.rows, module_.channels);
        std::map<int, int> owner;  // channel -> line
        for (const Statement& s : spec.statements) {
            for (int c : s.channels) {
                if (owner.count(c))
                    Fail(s.line, FormatMessage("channel %d of pattern '%s' is already played by line %d",
                                               c + 1, spec.name.c_str(), owner[c]));
                owner[c] = s.line;
            }
        }
        for (const Statement& s : spec.statements)
            if (s.kind != Statement::Kind::Echo) Render(s, p);
        for (const Statement& s : spec.statements)
            if (s.kind == Statement::Kind::Echo) RenderEcho(s, p);
        return p;
    }

    Module Build() {
        if (orderNames_.empty())
            Fail(lines_.empty() ? 1 : lines_.back().number, "the composition has no order");
        module_.name = title_;
        for (const auto& [recipe, line] : recipes_) {
            recipesVolume_.push_back(instruments_.at(recipe.name).volume);
            try {
                module_.instruments.push_back(Synthesize(recipe, module_.bpm));
            } catch (const GameError& e) {
                Fail(line, e.what());
            }
        }
        // Only the patterns the order plays are written, numbered by first appearance.
        std::map<std::string, int> written;
        for (const auto& [name, line] : orderNames_) {
            if (!written.count(name)) {
                written[name] = static_cast<int>(module_.patterns.size());
                module_.patterns.push_back(BuildPattern(patterns_[patternIndex_.at(name)]));
            }
            module_.orders.push_back(static_cast<uint8_t>(written[name]));
        }
        module_.restart = 0;  // the game relies on the position returning to 0 when the module starts over
        Validate(module_);
        return module_;
    }

    std::string source_;
    std::vector<Line> lines_;
    Module module_;
    std::string title_;
    int defaultRows_ = 64;
    std::map<std::string, InstrumentInfo> instruments_;
    std::vector<std::pair<InstrumentRecipe, int>> recipes_;
    std::vector<int> recipesVolume_;
    std::map<std::string, std::pair<std::vector<std::string>, int>> phrases_;
    std::vector<PatternSpec> patterns_;
    std::map<std::string, int> patternIndex_;
    std::vector<std::pair<std::string, int>> orderNames_;
};

}  // namespace

Module Compose(const std::string& text, const std::string& sourceName) {
    Compiler compiler(sourceName);
    return compiler.Run(text);
}

Module ComposeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw GameError(FormatMessage("Cannot read '%s'", path.c_str()));
    std::ostringstream text;
    text << in.rdbuf();
    const size_t slash = path.find_last_of('/');
    return Compose(text.str(), slash == std::string::npos ? path : path.substr(slash + 1));
}

void WriteModuleFile(const Module& module, const std::string& path) {
    const std::vector<uint8_t> bytes = Write(module);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw GameError(FormatMessage("Cannot write '%s'", path.c_str()));
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw GameError(FormatMessage("Cannot write '%s'", path.c_str()));
}

std::string Describe(const Module& module) {
    const Timing t = ComputeTiming(module);
    std::ostringstream out;
    out << "name " << module.name << "\n"
        << "orders " << module.orders.size() << "\n"
        << "patterns " << module.patterns.size() << "\n"
        << "channels " << module.channels << "\n"
        << "instruments " << module.instruments.size() << "\n"
        << "speed " << module.speed << "\n"
        << "bpm " << module.bpm << "\n"
        << "rows " << t.rows << "\n"
        << "duration_ms " << std::llround(t.seconds * 1000.0) << "\n"
        << "restart " << module.restart << "\n";
    return out.str();
}

}  // namespace xm
