#include "score_record.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <charconv>

#include "app/text_codec.h"

std::optional<std::vector<QueryItem>> ParseQuery(std::string_view query) {
    std::vector<QueryItem> items;
    if (query.empty()) return items;
    size_t start = 0;
    while (true) {
        const size_t end = std::min(query.find('&', start), query.size());
        const std::string_view part = query.substr(start, end - start);
        if (part.empty()) return std::nullopt;
        QueryItem item;
        const size_t eq = part.find('=');
        if (eq == std::string_view::npos) {
            item.key = std::string(part);
        } else {
            item.key = std::string(part.substr(0, eq));
            item.value = std::string(part.substr(eq + 1));
        }
        if (item.key.empty() || FindItem(items, item.key) != nullptr) return std::nullopt;
        items.push_back(std::move(item));
        if (end == query.size()) break;
        start = end + 1;
    }
    return items;
}

const QueryItem* FindItem(const std::vector<QueryItem>& items, std::string_view key) {
    for (const auto& item : items)
        if (item.key == key) return &item;
    return nullptr;
}

TextCheck CheckText(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        uint32_t cp = 0;
        size_t length = 0;
        if (lead < 0x80) {
            cp = lead;
            length = 1;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            cp = lead & 0x1Fu;
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            cp = lead & 0x0Fu;
            length = 3;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            cp = lead & 0x07u;
            length = 4;
        } else {
            return TextCheck::NotUtf8;
        }
        if (i + length > text.size()) return TextCheck::NotUtf8;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0u) != 0x80u) return TextCheck::NotUtf8;
            cp = (cp << 6) | (next & 0x3Fu);
        }
        // Overlong forms, surrogates and code points past Unicode's end.
        if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return TextCheck::NotUtf8;
        // Whole Unicode classes, from ICU's tables: controls (Cc), format characters (Cf: every
        // bidirectional mark, embedding, override and isolate, the invisible joiners, word joiners
        // and tags, the byte order mark) and the line and paragraph separators (Zl, Zp).
        switch (u_charType(static_cast<UChar32>(cp))) {
            case U_CONTROL_CHAR:
            case U_FORMAT_CHAR:
            case U_LINE_SEPARATOR:
            case U_PARAGRAPH_SEPARATOR:
                return TextCheck::Control;
            default:
                break;
        }
        i += length;
    }
    return TextCheck::Ok;
}

bool IsTokenShaped(std::string_view token) {
    if (token.size() != kTokenChars) return false;
    for (char c : token)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

std::string LogSafe(std::string_view text, size_t max) {
    std::string out;
    const size_t n = std::min(text.size(), max);
    out.reserve(n + 3);
    for (size_t i = 0; i < n; ++i) {
        const char c = text[i];
        out.push_back(c >= 0x20 && c < 0x7F ? c : '?');
    }
    if (text.size() > max) out += "...";
    return out;
}

namespace {

RecordResult Refuse(RecordProblem problem, std::string detail) {
    RecordResult result;
    result.problem = problem;
    result.detail = std::move(detail);
    return result;
}

// The value after "prefix" when the field starts with it.
std::optional<std::string_view> FieldValue(std::string_view field, std::string_view prefix) {
    if (field.substr(0, prefix.size()) != prefix) return std::nullopt;
    return field.substr(prefix.size());
}

}  // namespace

RecordResult DecodeScoreRecord(std::string_view inf) {
    if (inf.empty()) return Refuse(RecordProblem::Malformed, "empty record");
    for (char c : inf)
        if (kCodecAlphabet.find(c) == std::string_view::npos)
            return Refuse(RecordProblem::BadEncoding, "character outside the codec's alphabet");
    // The game fills its record to a multiple of 5 bytes: 40 bits, 8 symbols each.
    if (inf.size() % 8 != 0) return Refuse(RecordProblem::BadEncoding, "symbol count not a multiple of 8");
    const std::string plain = DecodeText(inf);

    std::vector<std::string_view> fields;
    const std::string_view rest(plain);
    size_t start = 0;
    while (true) {
        const size_t bar = rest.find('|', start);
        if (bar == std::string_view::npos) {
            fields.push_back(rest.substr(start));
            break;
        }
        fields.push_back(rest.substr(start, bar - start));
        start = bar + 1;
    }
    if (fields.size() != 7) return Refuse(RecordProblem::Malformed, "not seven fields");

    static constexpr std::string_view kPrefixes[7] = {"type=", "name=", "score=", "key=", "p=", "add=", "z="};
    std::string_view values[7];
    for (size_t i = 0; i < 7; ++i) {
        const auto value = FieldValue(fields[i], kPrefixes[i]);
        if (!value) return Refuse(RecordProblem::Malformed, "fields out of order");
        values[i] = *value;
    }
    if (values[0] != "0") return Refuse(RecordProblem::Malformed, "type is not 0");
    // "z=" is empty; what follows is the filling, fewer than 5 zeros.
    if (values[6].size() >= 5 || values[6].find_first_not_of('0') != std::string_view::npos)
        return Refuse(RecordProblem::Malformed, "bad filling");

    ScoreRecord record;
    const std::string_view name = values[1];
    if (name.empty()) return Refuse(RecordProblem::Malformed, "empty name");
    if (name.size() > kMaxNameBytes) return Refuse(RecordProblem::Malformed, "name too long");
    switch (CheckText(name)) {
        case TextCheck::Ok:
            break;
        case TextCheck::NotUtf8:
            return Refuse(RecordProblem::BadEncoding, "name is not UTF-8");
        case TextCheck::Control:
            return Refuse(RecordProblem::ControlCharacter, "control character in name");
    }
    record.name = std::string(name);

    const std::string_view score = values[2];
    if (score.empty() || score.size() > 9 ||
        score.find_first_not_of("0123456789") != std::string_view::npos ||
        (score.size() > 1 && score[0] == '0'))
        return Refuse(RecordProblem::BadScore, "score is not a plain decimal");
    std::from_chars(score.data(), score.data() + score.size(), record.score);
    if (record.score > kMaxScore) return Refuse(RecordProblem::BadScore, "score above the limit");

    const std::string_view key = values[3];
    if (key.size() != 1 || key[0] <= 0x20 || key[0] >= 0x7F)
        return Refuse(RecordProblem::Malformed, "key is not one printable character");
    record.key = std::string(key);

    const std::string_view token = values[4];
    if (token.empty()) return Refuse(RecordProblem::Malformed, "no token");
    if (!IsTokenShaped(token)) return Refuse(RecordProblem::Malformed, "token is not one of ours");
    record.token = std::string(token);

    const std::string_view country = values[5];
    if (country.size() > kMaxCountryBytes) return Refuse(RecordProblem::Malformed, "country too long");
    switch (CheckText(country)) {
        case TextCheck::Ok:
            break;
        case TextCheck::NotUtf8:
            return Refuse(RecordProblem::BadEncoding, "country is not UTF-8");
        case TextCheck::Control:
            return Refuse(RecordProblem::ControlCharacter, "control character in country");
    }
    record.country = std::string(country);

    RecordResult result;
    result.record = std::move(record);
    return result;
}

std::string FormatScoreRecord(const ScoreRecord& record) {
    std::string plain = "type=0|name=" + record.name + "|score=" + std::to_string(record.score) +
                        "|key=" + record.key + "|p=" + record.token + "|add=" + record.country + "|z=";
    while (plain.size() % 5 != 0) plain.push_back('0');
    return plain;
}
