#include "engine/pack_manifest.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/errors.h"

namespace {

namespace fs = std::filesystem;

// Includes nest no deeper than this; a cycle is reported before that.
constexpr size_t kMaxIncludeDepth = 32;

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
    throw GameError(where + ": " + what);
}

std::string FolderOf(const std::string& path) {
    fs::path folder = fs::path(path).parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}

bool ParseInt(std::string_view text, int32_t& value) {
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    auto [ptr, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && ptr == end;
}

bool ParseFlag(std::string_view text, bool& value) {
    if (text == "0" || text == "1") {
        value = text == "1";
        return true;
    }
    return false;
}

// "WxH" with two numbers of at least 0.
bool ParseSize(std::string_view text, int32_t& width, int32_t& height) {
    const size_t x = text.find('x');
    if (x == std::string_view::npos) return false;
    return ParseInt(text.substr(0, x), width) && ParseInt(text.substr(x + 1), height) && width >= 0 &&
           height >= 0;
}

// "#RRGGBB" to the stored 0x00BBGGRR.
bool ParseKey(std::string_view text, uint32_t& color) {
    if (text.size() != 7 || text[0] != '#') return false;
    uint32_t rgb = 0;
    for (char c : text.substr(1)) {
        int digit = (c >= '0' && c <= '9')   ? c - '0'
                    : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                    : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                             : -1;
        if (digit < 0) return false;
        rgb = rgb * 16 + static_cast<uint32_t>(digit);
    }
    color = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
    return true;
}

class ManifestParser {
public:
    ManifestParser(Manifest& manifest, const ManifestFileReader& readFile)
        : manifest_(manifest), readFile_(readFile) {}

    void ParseFile(const std::string& path, const std::string& includedFrom) {
        for (const std::string& open : stack_) {
            if (open == path) Fail(includedFrom, "include cycle through " + path);
        }
        if (stack_.size() >= kMaxIncludeDepth) Fail(includedFrom, "includes nest too deep");
        const std::string text = readFile_(path);
        stack_.push_back(path);
        const bool top = stack_.size() == 1;
        const std::string folder = FolderOf(path);
        bool firstLine = true;
        std::istringstream lines(text);
        std::string line;
        for (int number = 1; std::getline(lines, line); ++number) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const std::string where = path + ":" + std::to_string(number);
            std::vector<std::string> words;
            try {
                words = SplitManifestLine(line);
            } catch (const GameError& error) {
                Fail(where, error.what());
            }
            if (words.empty()) continue;
            if (words[0] == "image" || words[0] == "wave") {
                if (words.size() >= 2 && words[1].empty()) Fail(where, "an item needs a name");
            }
            const std::string& keyword = words[0];
            if (keyword == "pack") {
                if (!firstLine) Fail(where, "'pack' must be the first line");
                ParsePack(words, where, top);
            } else if (top && firstLine) {
                Fail(where, "the first line must be 'pack graphics' or 'pack sound'");
            } else if (keyword == "include") {
                if (words.size() != 2) Fail(where, "expected: include FILE");
                fs::path target(words[1]);
                ParseFile(target.is_absolute() ? target.string()
                                               : (fs::path(folder) / target).lexically_normal().string(),
                          where);
            } else if (keyword == "image") {
                ParseImage(words, where, folder);
            } else if (keyword == "wave") {
                ParseWave(words, where, folder);
            } else {
                Fail(where, "unknown line '" + keyword + "' (expected pack, include, image or wave)");
            }
            firstLine = false;
        }
        stack_.pop_back();
        if (top && firstLine) Fail(path, "no 'pack graphics' or 'pack sound' line");
    }

private:
    void ParsePack(const std::vector<std::string>& words, const std::string& where, bool top) {
        if (words.size() != 2 || (words[1] != "graphics" && words[1] != "sound")) {
            Fail(where, "expected: pack graphics | pack sound");
        }
        const PackKind kind = words[1] == "graphics" ? PackKind::Graphics : PackKind::Sound;
        if (top) {
            manifest_.kind = kind;
        } else if (kind != manifest_.kind) {
            Fail(where, "included manifest is a " + words[1] + " pack, the including one is not");
        }
    }

    void ParseImage(const std::vector<std::string>& words, const std::string& where,
                    const std::string& folder) {
        if (manifest_.kind != PackKind::Graphics) Fail(where, "'image' lines belong in a graphics pack");
        if (words.size() < 3) Fail(where, "expected: image NAME SOURCE [options]");
        ManifestImage image;
        image.name = words[1];
        image.source = words[2];
        image.baseDir = folder;
        image.where = where;
        for (size_t i = 3; i < words.size(); ++i) {
            const std::string& option = words[i];
            const size_t equals = option.find('=');
            const std::string key = option.substr(0, equals);
            const std::string_view value = equals == std::string::npos
                                               ? std::string_view()
                                               : std::string_view(option).substr(equals + 1);
            bool ok = equals != std::string::npos;
            if (!ok) {
            } else if (key == "pattern") {
                ok = ParseSize(value, image.patternWidth, image.patternHeight);
            } else if (key == "skip") {
                ok = ParseSize(value, image.skipWidth, image.skipHeight);
            } else if (key == "transparent") {
                ok = ParseFlag(value, image.transparent);
                image.transparentGiven = true;
            } else if (key == "key") {
                ok = ParseKey(value, image.transparentColor);
                image.transparentGiven = true;
            } else if (key == "system") {
                ok = ParseFlag(value, image.systemMemory);
            } else {
                Fail(where,
                     "unknown image option '" + option +
                         "' (expected pattern=WxH, skip=WxH, transparent=0|1, key=#RRGGBB, system=0|1)");
            }
            if (!ok) Fail(where, "bad image option '" + option + "'");
        }
        manifest_.images.push_back(std::move(image));
    }

    void ParseWave(const std::vector<std::string>& words, const std::string& where,
                   const std::string& folder) {
        if (manifest_.kind != PackKind::Sound) Fail(where, "'wave' lines belong in a sound pack");
        if (words.size() < 3) Fail(where, "expected: wave NAME SOURCE [looped] [max=N]");
        ManifestWave wave;
        wave.name = words[1];
        wave.source = words[2];
        wave.baseDir = folder;
        wave.where = where;
        for (size_t i = 3; i < words.size(); ++i) {
            const std::string& option = words[i];
            if (option == "looped") {
                wave.looped = true;
            } else if (option.rfind("looped=", 0) == 0) {
                if (!ParseFlag(std::string_view(option).substr(7), wave.looped)) {
                    Fail(where, "bad wave option '" + option + "'");
                }
            } else if (option.rfind("max=", 0) == 0) {
                if (!ParseInt(std::string_view(option).substr(4), wave.maxPlayingCount) ||
                    wave.maxPlayingCount < 0) {
                    Fail(where, "bad wave option '" + option + "'");
                }
            } else {
                Fail(where, "unknown wave option '" + option + "' (expected looped, max=N)");
            }
        }
        manifest_.waves.push_back(std::move(wave));
    }

    Manifest& manifest_;
    const ManifestFileReader& readFile_;
    std::vector<std::string> stack_;
};

std::string ReadTextFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        const int error = errno;
        throw GameError(FormatMessage("Cannot open file \"%s\". %s", path.c_str(), std::strerror(error)));
    }
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

std::vector<std::string> SplitManifestLine(std::string_view line) {
    std::vector<std::string> words;
    size_t i = 0;
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (i < line.size()) {
        while (i < line.size() && blank(line[i])) ++i;
        if (i >= line.size() || line[i] == '#') break;
        std::string word;
        // A word may mix quoted and plain parts; quotes only group, they are not kept.
        while (i < line.size() && !blank(line[i])) {
            if (line[i] == '"') {
                const size_t close = line.find('"', i + 1);
                if (close == std::string_view::npos) throw GameError("unterminated quote");
                word.append(line.substr(i + 1, close - i - 1));
                i = close + 1;
            } else {
                word += line[i++];
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

Manifest LoadManifest(const std::string& path, const ManifestFileReader& readFile) {
    Manifest manifest;
    manifest.path = path;
    ManifestParser parser(manifest, readFile);
    parser.ParseFile(path, path);
    return manifest;
}

Manifest LoadManifest(const std::string& path) {
    return LoadManifest(path, ReadTextFile);
}
