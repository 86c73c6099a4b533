#include "pack_listing.h"

#include <cstdio>

#include "base/errors.h"
#include "engine/name_hash.h"
#include "engine/pattern_grid.h"

namespace {

// JSON string: control characters and quotes escaped; bytes that are not UTF-8 are taken as Latin-1.
std::string JsonString(std::string_view text) {
    std::string out = "\"";
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        bool valid = length > 0 && i + length <= text.size();
        for (size_t k = 1; valid && k < length; ++k)
            valid = (static_cast<unsigned char>(text[i + k]) >> 6) == 0x2;
        if (!valid) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
            ++i;
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out.append(text.substr(i, length));
        }
        i += length;
    }
    return out + "\"";
}

struct ImageFacts {
    int32_t width = 0;
    int32_t height = 0;
    int32_t patternWidth = 0;
    int32_t patternHeight = 0;
    int64_t patternCount = 0;
};

ImageFacts FactsOf(const ImageItemData& item) {
    ImageFacts facts;
    if (item.picture) {
        facts.width = item.picture->width;
        facts.height = item.picture->height;
        facts.patternCount = MakePatternLayout(facts.width, facts.height, item.patternWidth,
                                               item.patternHeight, item.skipWidth, item.skipHeight)
                                 .Count();
    }
    facts.patternWidth = EffectivePatternSize(item.patternWidth, facts.width);
    facts.patternHeight = EffectivePatternSize(item.patternHeight, facts.height);
    return facts;
}

std::string KeyText(uint32_t bgr) {
    char text[16];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    return text;
}

}  // namespace

std::string ListText(const PackContents& contents) {
    std::string out;
    char line[512];
    if (contents.kind == PackKind::Graphics) {
        for (const ImageItemData& item : contents.images) {
            const ImageFacts facts = FactsOf(item);
            std::snprintf(
                line, sizeof line,
                " %dx%d pattern=%dx%d patterns=%lld skip=%dx%d transparent=%d key=%s system=%d%s%s\n",
                facts.width, facts.height, facts.patternWidth, facts.patternHeight,
                static_cast<long long>(facts.patternCount), item.skipWidth, item.skipHeight,
                item.transparent ? 1 : 0, KeyText(item.transparentColor).c_str(), item.systemMemory ? 1 : 0,
                item.picture && item.picture->hasAlpha ? " alpha" : "", item.picture ? "" : " no-picture");
            out += JsonString(item.name) + line;
        }
    } else {
        for (const SoundItemData& item : contents.sounds) {
            const WaveData wave = item.wave.value_or(WaveData{});
            std::snprintf(line, sizeof line, " looped=%d max=%d channels=%u bits=%u rate=%u bytes=%zu\n",
                          item.looped ? 1 : 0, item.maxPlayingCount, wave.channels, wave.bitsPerSample,
                          wave.sampleRate, wave.samples.size());
            out += JsonString(item.name) + line;
        }
    }
    return out;
}

std::string ListJson(const PackContents& contents) {
    std::string out = "{\"kind\": ";
    out += contents.kind == PackKind::Graphics ? "\"graphics\"" : "\"sound\"";
    out += ", \"items\": [";
    char fields[512];
    bool first = true;
    auto separator = [&] {
        out += first ? "\n  " : ",\n  ";
        first = false;
    };
    if (contents.kind == PackKind::Graphics) {
        for (const ImageItemData& item : contents.images) {
            const ImageFacts facts = FactsOf(item);
            std::snprintf(
                fields, sizeof fields,
                ", \"width\": %d, \"height\": %d, \"patternWidth\": %d, \"patternHeight\": %d, "
                "\"skipWidth\": %d, \"skipHeight\": %d, \"patternCount\": %lld, \"transparent\": %s, "
                "\"transparentColor\": %u, \"systemMemory\": %s}",
                facts.width, facts.height, facts.patternWidth, facts.patternHeight, item.skipWidth,
                item.skipHeight, static_cast<long long>(facts.patternCount),
                item.transparent ? "true" : "false", item.transparentColor,
                item.systemMemory ? "true" : "false");
            separator();
            out += "{\"name\": " + JsonString(item.name) + fields;
        }
    } else {
        for (const SoundItemData& item : contents.sounds) {
            const WaveData wave = item.wave.value_or(WaveData{});
            std::snprintf(
                fields, sizeof fields,
                ", \"looped\": %s, \"maxPlayingCount\": %d, \"channels\": %u, \"bitsPerSample\": %u, "
                "\"sampleRate\": %u, \"dataBytes\": %zu}",
                item.looped ? "true" : "false", item.maxPlayingCount, wave.channels, wave.bitsPerSample,
                wave.sampleRate, wave.samples.size());
            separator();
            out += "{\"name\": " + JsonString(item.name) + fields;
        }
    }
    out += first ? "]}\n" : "\n]}\n";
    return out;
}

int FindItem(const PackContents& contents, std::string_view name) {
    NameHash hash;
    if (contents.kind == PackKind::Graphics) {
        for (size_t i = 0; i < contents.images.size(); ++i)
            hash.Add(contents.images[i].name, static_cast<int>(i));
    } else {
        for (size_t i = 0; i < contents.sounds.size(); ++i)
            hash.Add(contents.sounds[i].name, static_cast<int>(i));
    }
    const int index = hash.Find(name);
    if (index < 0) {
        const std::string text(name);
        throw GameError(FormatMessage(
            contents.kind == PackKind::Graphics ? "Image '%s' not found" : "Wave '%s' not found",
            text.c_str()));
    }
    return index;
}
