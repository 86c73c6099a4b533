#include "recipe.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

#include "base/errors.h"

namespace sfx {

double Sweep::At(double time) const {
    if (points.empty()) return 0;
    if (time <= points.front().time) return points.front().value;
    for (size_t i = 1; i < points.size(); ++i) {
        const Breakpoint& a = points[i - 1];
        const Breakpoint& b = points[i];
        if (time < b.time) {
            double f = (time - a.time) / (b.time - a.time);
            if (curve == Curve::Exponential && a.value > 0 && b.value > 0) {
                return a.value * std::pow(b.value / a.value, f);
            }
            return a.value + (b.value - a.value) * f;
        }
    }
    return points.back().value;
}

namespace {

// Marks a sweep end written without a time: it becomes the length of the voice (or sound).
constexpr double kToTheEnd = -1;

bool ParseNumber(std::string_view token, double& value) {
    if (!token.empty() && token.front() == '+') token.remove_prefix(1);
    auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    return error == std::errc() && end == token.data() + token.size() && std::isfinite(value);
}

class Parser {
public:
    Parser(std::string_view text, const std::string& name) : text_(text), name_(name) {}

    Recipe Run() {
        recipe_.name = name_;
        std::string_view rest = text_;
        while (!rest.empty()) {
            size_t end = rest.find('\n');
            std::string_view line = rest.substr(0, end);
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
            ++lineNumber_;
            if (size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
            Tokenise(line);
            if (!tokens_.empty()) Command();
        }
        Finish();
        return std::move(recipe_);
    }

private:
    enum class Block { Header, Voice, Master };

    [[noreturn]] void Fail(const std::string& message) const {
        throw GameError(name_ + ":" + std::to_string(lineNumber_) + ": " + message);
    }

    void Tokenise(std::string_view line) {
        tokens_.clear();
        size_t i = 0;
        while (i < line.size()) {
            while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
            size_t start = i;
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
            if (i > start) tokens_.push_back(line.substr(start, i - start));
        }
    }

    void Arguments(size_t least, size_t most) const {
        size_t count = tokens_.size() - 1;
        if (count < least || count > most) {
            Fail("'" + std::string(tokens_[0]) + "' takes " +
                 (least == most ? std::to_string(least)
                                : std::to_string(least) + " to " + std::to_string(most)) +
                 " values, not " + std::to_string(count));
        }
    }

    double Number(size_t index) const { return Number(tokens_[index]); }
    double Number(std::string_view token) const {
        double value = 0;
        if (!ParseNumber(token, value)) Fail("'" + std::string(token) + "' is not a number");
        return value;
    }
    double Positive(size_t index) const {
        double value = Number(index);
        if (value <= 0) Fail("'" + std::string(tokens_[index]) + "' must be above 0");
        return value;
    }
    double NotNegative(size_t index) const {
        double value = Number(index);
        if (value < 0) Fail("'" + std::string(tokens_[index]) + "' must not be negative");
        return value;
    }
    double Pitch(std::string_view token) const {
        try {
            return ParsePitch(token);
        } catch (const GameError& error) {
            Fail(error.what());
        }
    }

    void Command() {
        std::string_view word = tokens_[0];
        if (word == "voice") {
            Arguments(0, 1);
            block_ = Block::Voice;
            recipe_.voices.emplace_back();
            voiceNotes_.emplace_back();
            notesLine_.push_back(0);
            Voice& voice = recipe_.voices.back();
            voice.line = lineNumber_;
            voice.name = tokens_.size() > 1 ? std::string(tokens_[1])
                                            : "voice" + std::to_string(recipe_.voices.size());
            return;
        }
        if (word == "master") {
            Arguments(0, 0);
            block_ = Block::Master;
            return;
        }
        switch (block_) {
            case Block::Header:
                HeaderCommand(word);
                break;
            case Block::Voice:
                if (!VoiceCommand(word)) ProcessorCommand(word, recipe_.voices.back().chain);
                break;
            case Block::Master:
                ProcessorCommand(word, recipe_.master);
                break;
        }
    }

    void HeaderCommand(std::string_view word) {
        if (word == "loop") {
            if (tokens_.size() != 2 && (tokens_.size() != 4 || tokens_[2] != "block")) {
                Fail("expected 'loop SECONDS [block SAMPLES]'");
            }
            recipe_.length = Positive(1);
            recipe_.loop = true;
            if (tokens_.size() == 4) {
                double block = Positive(3);
                if (block != std::floor(block) || block > 65536)
                    Fail("block must be a whole number of samples");
                recipe_.loopBlock = static_cast<int>(block);
            }
            return;
        }
        Arguments(1, 1);
        if (word == "rate") {
            double rate = Number(1);
            if (rate < 8000 || rate > 192000 || rate != std::floor(rate))
                Fail("sample rate must be 8000..192000 Hz");
            recipe_.sampleRate = static_cast<int>(rate);
        } else if (word == "length") {
            recipe_.length = Positive(1);
        } else if (word == "preroll") {
            recipe_.preroll = Positive(1);
        } else if (word == "peak") {
            recipe_.peakDb = Number(1);
            if (recipe_.peakDb > kMaxPeakDb) Fail("peak must be at most -1 dBFS");
        } else if (word == "loudness") {
            recipe_.loudnessDb = Number(1);
            recipe_.byLoudness = true;
            if (recipe_.loudnessDb > kMaxPeakDb) Fail("loudness must be below -1 dBFS");
        } else if (word == "seed") {
            recipe_.seed = static_cast<uint64_t>(NotNegative(1));
        } else {
            Fail("unknown word '" + std::string(word) + "' before the first voice");
        }
    }

    static bool ParseWaveform(std::string_view word, Waveform& waveform) {
        static const std::pair<std::string_view, Waveform> kNames[] = {
            {"sine", Waveform::Sine},
            {"square", Waveform::Square},
            {"saw", Waveform::Saw},
            {"triangle", Waveform::Triangle},
            {"noise", Waveform::Noise},
            {"stepnoise", Waveform::StepNoise},
            {"smoothnoise", Waveform::SmoothNoise}};
        for (const auto& [name, value] : kNames) {
            if (word == name) {
                waveform = value;
                return true;
            }
        }
        return false;
    }

    LfoShape Shape(std::string_view word) const {
        static const std::pair<std::string_view, LfoShape> kNames[] = {
            {"sine", LfoShape::Sine}, {"triangle", LfoShape::Triangle}, {"square", LfoShape::Square},
            {"saw", LfoShape::Saw},   {"bump", LfoShape::Bump},         {"hit", LfoShape::Hit},
            {"flat", LfoShape::Flat}};
        for (const auto& [name, value] : kNames) {
            if (word == name) return value;
        }
        Fail("unknown shape '" + std::string(word) + "'");
    }

    Curve CurveWord(std::string_view word, bool& matched) const {
        matched = word == "lin" || word == "exp";
        return word == "lin" ? Curve::Linear : Curve::Exponential;
    }

    // "T:V" pairs; `pitch` reads V as a pitch.
    std::vector<Breakpoint> Points(size_t from, size_t to, bool pitch) const {
        std::vector<Breakpoint> points;
        for (size_t i = from; i < to; ++i) {
            std::string_view token = tokens_[i];
            size_t colon = token.find(':');
            if (colon == std::string_view::npos) Fail("'" + std::string(token) + "' is not TIME:VALUE");
            Breakpoint point{Number(token.substr(0, colon)), 0};
            std::string_view value = token.substr(colon + 1);
            point.value = pitch ? Pitch(value) : Number(value);
            if (point.time < 0) Fail("breakpoint times must not be negative");
            if (!points.empty() && point.time <= points.back().time) Fail("breakpoint times must increase");
            points.push_back(point);
        }
        if (points.empty()) Fail("'" + std::string(tokens_[0]) + " points' needs at least one TIME:VALUE");
        return points;
    }

    bool VoiceCommand(std::string_view word) {
        Voice& voice = recipe_.voices.back();
        if (word == "start") {
            Arguments(1, 1);
            voice.start = NotNegative(1);
        } else if (word == "length") {
            Arguments(1, 1);
            voice.length = Positive(1);
        } else if (word == "seed") {
            Arguments(1, 1);
            voice.seed = static_cast<uint64_t>(NotNegative(1)) + 1;  // 0 means "derive from the recipe"
        } else if (word == "osc") {
            Arguments(1, 2);
            if (!ParseWaveform(tokens_[1], voice.waveform))
                Fail("unknown waveform '" + std::string(tokens_[1]) + "'");
            if (tokens_.size() > 2) {
                if (voice.waveform != Waveform::Square) Fail("only a square wave takes a duty cycle");
                voice.duty = Number(2);
                if (voice.duty <= 0.01 || voice.duty >= 0.99)
                    Fail("duty cycle must be between 0.01 and 0.99");
            }
        } else if (word == "freq") {
            FrequencyCommand(voice);
        } else if (word == "vibrato") {
            Arguments(2, 3);
            voice.vibrato.rate = Positive(1);
            voice.vibrato.depth = Number(2);
            if (tokens_.size() > 3) voice.vibrato.shape = Shape(tokens_[3]);
        } else if (word == "tremolo") {
            Arguments(2, 5);
            voice.tremolo.rate = Positive(1);
            voice.tremolo.depth = NotNegative(2);
            if (voice.tremolo.depth > 1) Fail("tremolo depth must be 0..1");
            size_t i = 3;
            if (i < tokens_.size() && tokens_[i] != "jitter") voice.tremolo.shape = Shape(tokens_[i++]);
            if (i < tokens_.size()) {
                if (tokens_[i] != "jitter" || i + 2 != tokens_.size())
                    Fail("expected 'jitter AMOUNT' at the end");
                voice.tremolo.jitter = NotNegative(i + 1);
                if (voice.tremolo.jitter > 1) Fail("jitter must be 0..1");
            }
        } else if (word == "env") {
            EnvelopeCommand(voice.envelope);
        } else if (word == "notes") {
            if (tokens_.size() < 2) Fail("'notes' needs at least one note");
            voiceNotes_.back() = {tokens_.begin() + 1, tokens_.end()};
            notesLine_[recipe_.voices.size() - 1] = lineNumber_;
        } else {
            return false;
        }
        return true;
    }

    void FrequencyCommand(Voice& voice) {
        if (tokens_.size() < 2) Fail("'freq' needs a pitch");
        voice.hasFrequency = true;
        voice.frequency = Sweep();
        if (tokens_[1] == "points") {
            size_t end = tokens_.size();
            bool matched = false;
            Curve curve = CurveWord(tokens_.back(), matched);
            if (matched) --end;
            voice.frequency.points = Points(2, end, true);
            voice.frequency.curve = curve;
            return;
        }
        Arguments(1, 4);
        voice.frequency.points.push_back({0, Pitch(tokens_[1])});
        if (tokens_.size() == 2) return;
        Breakpoint end{kToTheEnd, Pitch(tokens_[2])};
        size_t i = 3;
        if (i < tokens_.size()) {
            bool matched = false;
            voice.frequency.curve = CurveWord(tokens_[i], matched);
            if (matched) ++i;
        }
        if (i < tokens_.size()) end.time = Positive(i++);
        if (i != tokens_.size()) Fail("expected 'freq FROM TO [lin|exp] [SECONDS]'");
        voice.frequency.points.push_back(end);
    }

    void EnvelopeCommand(Envelope& envelope) {
        if (tokens_.size() < 2) Fail("'env' needs a kind: gate, adsr, perc or points");
        std::string_view kind = tokens_[1];
        envelope = Envelope();
        if (kind == "gate") {
            Arguments(1, 1);
        } else if (kind == "adsr") {
            Arguments(5, 5);
            envelope.kind = EnvelopeKind::Adsr;
            envelope.attack = NotNegative(2);
            envelope.decay = NotNegative(3);
            envelope.sustain = NotNegative(4);
            envelope.release = NotNegative(5);
            if (envelope.sustain > 1) Fail("sustain level must be 0..1");
        } else if (kind == "perc") {
            Arguments(3, 3);
            envelope.kind = EnvelopeKind::Percussive;
            envelope.attack = NotNegative(2);
            envelope.decay = Positive(3);
        } else if (kind == "points") {
            envelope.kind = EnvelopeKind::Points;
            envelope.points = Points(2, tokens_.size(), false);
        } else {
            Fail("unknown envelope '" + std::string(kind) + "'");
        }
    }

    void ProcessorCommand(std::string_view word, std::vector<Processor>& chain) {
        Processor processor;
        processor.line = lineNumber_;
        if (word == "lowpass" || word == "highpass" || word == "bandpass") {
            processor.kind = word == "lowpass"    ? ProcessorKind::Lowpass
                             : word == "highpass" ? ProcessorKind::Highpass
                                                  : ProcessorKind::Bandpass;
            size_t end = tokens_.size();
            if (end >= 4 && tokens_[end - 2] == "q") {
                processor.q = Positive(end - 1);
                end -= 2;
            }
            if (end < 2 || end > 4) Fail("expected '" + std::string(word) + " HZ [TO_HZ [SECONDS]] [q Q]'");
            processor.cutoff.points.push_back({0, Positive(1)});
            if (end >= 3)
                processor.cutoff.points.push_back({end == 4 ? Positive(3) : kToTheEnd, Positive(2)});
        } else if (word == "lowpass1" || word == "highpass1") {
            Arguments(1, 1);
            processor.kind = word == "lowpass1" ? ProcessorKind::Lowpass1 : ProcessorKind::Highpass1;
            processor.cutoff.points.push_back({0, Positive(1)});
        } else if (word == "drive") {
            Arguments(1, 1);
            processor.kind = ProcessorKind::Drive;
            processor.amount = Positive(1);
        } else if (word == "gain") {
            Arguments(1, 1);
            processor.kind = ProcessorKind::Gain;
            processor.amount = Number(1);
        } else if (word == "delay") {
            Arguments(3, 3);
            processor.kind = ProcessorKind::Delay;
            processor.time = Positive(1);
            processor.feedback = NotNegative(2);
            processor.mix = NotNegative(3);
            if (processor.feedback >= 1) Fail("delay feedback must be below 1");
        } else if (word == "reverb") {
            Arguments(2, 2);
            processor.kind = ProcessorKind::Reverb;
            processor.amount = NotNegative(1);
            processor.mix = NotNegative(2);
            if (processor.amount > 1) Fail("reverb size must be 0..1");
        } else {
            Fail("unknown word '" + std::string(word) + "'");
        }
        chain.push_back(std::move(processor));
    }

    // Each note of a `notes` line becomes a voice of its own with the same sound.
    void ExpandNotes() {
        std::vector<Voice> voices;
        for (size_t v = 0; v < recipe_.voices.size(); ++v) {
            const Voice& voice = recipe_.voices[v];
            if (voiceNotes_[v].empty()) {
                voices.push_back(voice);
                continue;
            }
            lineNumber_ = notesLine_[v];
            double at = voice.start;
            double step = -1;
            for (std::string_view token : voiceNotes_[v]) {
                std::vector<std::string_view> fields;
                size_t from = 0;
                while (true) {
                    size_t colon = token.find(':', from);
                    fields.push_back(token.substr(from, colon - from));
                    if (colon == std::string_view::npos) break;
                    from = colon + 1;
                }
                if (fields.size() > 4) Fail("'" + std::string(token) + "' is not NOTE[:STEP[:LENGTH[:DB]]]");
                if (fields.size() >= 2 && !fields[1].empty()) step = Number(fields[1]);
                if (step < 0) Fail("the first note needs a STEP ('C5:0.1')");
                double length = fields.size() >= 3 && !fields[2].empty() ? Number(fields[2]) : step;
                if (length <= 0) Fail("note length must be above 0");
                // A note's own level goes after the voice's chain, like a touch on the fader.
                std::vector<Processor> chain = voice.chain;
                if (fields.size() == 4) {
                    Processor level;
                    level.kind = ProcessorKind::Gain;
                    level.amount = Number(fields[3]);
                    level.line = lineNumber_;
                    chain.push_back(level);
                }
                if (fields[0] == "x") {
                    // A hit of the voice's own sound (noise, or its own pitch sweep).
                    Voice note = voice;
                    note.start = at;
                    note.length = length;
                    note.chain = chain;
                    voices.push_back(std::move(note));
                } else if (fields[0] != "-") {
                    std::string_view chord = fields[0];
                    size_t pos = 0;
                    while (true) {
                        size_t plus = chord.find('+', pos);
                        Voice note = voice;
                        note.start = at;
                        note.length = length;
                        note.chain = chain;
                        double pitch = Pitch(chord.substr(pos, plus - pos));
                        if (voice.hasFrequency && !voice.frequency.IsConstant()) {
                            // A swept voice keeps its sweep, moved to start at the note.
                            double ratio = pitch / voice.frequency.points.front().value;
                            for (Breakpoint& point : note.frequency.points) point.value *= ratio;
                        } else {
                            note.frequency = Sweep();
                            note.frequency.points.push_back({0, pitch});
                        }
                        note.hasFrequency = true;
                        voices.push_back(std::move(note));
                        if (plus == std::string_view::npos) break;
                        pos = plus + 1;
                    }
                }
                at += step;
            }
        }
        recipe_.voices = std::move(voices);
    }

    static double RenderedLength(const Voice& voice) {
        return voice.length + (voice.envelope.kind == EnvelopeKind::Adsr ? voice.envelope.release : 0);
    }

    void Finish() {
        if (recipe_.voices.empty()) Fail("a recipe needs at least one voice");
        if (recipe_.loop && recipe_.preroll > 0) Fail("a loop has no start to pre-roll");
        ExpandNotes();
        if (recipe_.length < 0) {
            double end = 0;
            for (const Voice& voice : recipe_.voices) {
                if (voice.length < 0) {
                    lineNumber_ = voice.line;
                    Fail("give the sound a 'length' or every voice a 'length'");
                }
                end = std::max(end, voice.start + RenderedLength(voice));
            }
            recipe_.length = end;
        }
        uint64_t index = 0;
        for (Voice& voice : recipe_.voices) {
            lineNumber_ = voice.line;
            if (voice.start >= recipe_.length)
                Fail("voice '" + voice.name + "' starts after the end of the sound");
            if (voice.length < 0) voice.length = recipe_.length - voice.start;
            if (!voice.hasFrequency && voice.waveform != Waveform::Noise) {
                Fail("voice '" + voice.name + "' needs a 'freq'");
            }
            // Sweeps written without a time run over the voice's gate.
            for (Breakpoint& point : voice.frequency.points) {
                if (point.time == kToTheEnd) point.time = voice.length;
            }
            for (Processor& processor : voice.chain) {
                for (Breakpoint& point : processor.cutoff.points) {
                    if (point.time == kToTheEnd) point.time = voice.length;
                }
            }
            ++index;
            voice.seed =
                voice.seed != 0 ? voice.seed * 0x9E3779B97F4A7C15ull : recipe_.seed * 1000003u + index;
        }
        for (Processor& processor : recipe_.master) {
            for (Breakpoint& point : processor.cutoff.points) {
                if (point.time == kToTheEnd) point.time = recipe_.length;
            }
        }
    }

    std::string_view text_;
    std::string name_;
    Recipe recipe_;
    Block block_ = Block::Header;
    int lineNumber_ = 0;
    std::vector<std::string_view> tokens_;
    std::vector<std::vector<std::string_view>> voiceNotes_;
    std::vector<int> notesLine_;  // where each voice's `notes` line is
};

}  // namespace

double ParsePitch(std::string_view token) {
    double hz = 0;
    if (ParseNumber(token, hz)) {
        if (hz <= 0) throw GameError("frequency '" + std::string(token) + "' must be above 0");
        return hz;
    }
    static constexpr int kSemitone[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G from C
    auto bad = [&] {
        return GameError("'" + std::string(token) + "' is neither Hz nor a note like A4 or C#5");
    };
    if (token.size() < 2) throw bad();
    char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(token[0])));
    if (letter < 'A' || letter > 'G') throw bad();
    int semitone = kSemitone[letter - 'A'];
    size_t i = 1;
    if (token[i] == '#') {
        ++semitone;
        ++i;
    } else if (token[i] == 'b') {
        --semitone;
        ++i;
    }
    int octave = 0;
    auto [end, error] = std::from_chars(token.data() + i, token.data() + token.size(), octave);
    if (error != std::errc() || end != token.data() + token.size() || octave < 0 || octave > 9) throw bad();
    int midi = (octave + 1) * 12 + semitone;
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

Recipe ParseRecipe(std::string_view text, const std::string& name) {
    return Parser(text, name).Run();
}

Recipe LoadRecipe(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw GameError("Cannot open recipe '" + path + "'");
    std::ostringstream text;
    text << file.rdbuf();
    std::string name = path.substr(path.find_last_of('/') + 1);
    return ParseRecipe(text.str(), name);
}

}  // namespace sfx
