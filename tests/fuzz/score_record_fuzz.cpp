// Arbitrary bytes as the score server's input: the query string and the "inf=" record. The first
// byte chooses how the rest is used: as symbols straight from the wire, or as a plain record
// that is encoded first, so the fuzzer also reaches the field checks behind the codec.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "app/text_codec.h"
#include "score_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);

    // A query string parses into distinct, non-empty keys, or not at all.
    if (const auto items = ParseQuery(rest)) {
        std::set<std::string> keys;
        for (const auto& item : *items) {
            if (item.key.empty() || !keys.insert(item.key).second) __builtin_trap();
        }
    }

    const std::string inf = (data[0] & 1) ? EncodeText(rest) : std::string(rest);
    const RecordResult result = DecodeScoreRecord(inf);
    if (!result.record) {
        if (result.problem == RecordProblem::None || result.detail.empty()) __builtin_trap();
        return 0;
    }
    // Whatever is taken keeps every promise the table and the database rely on ...
    const ScoreRecord& record = *result.record;
    if (record.name.empty() || record.name.size() > kMaxNameBytes || record.country.size() > kMaxCountryBytes)
        __builtin_trap();
    if (CheckText(record.name) != TextCheck::Ok || CheckText(record.country) != TextCheck::Ok)
        __builtin_trap();
    if (record.score < 0 || record.score > kMaxScore || !IsTokenShaped(record.token) ||
        record.key.size() != 1)
        __builtin_trap();
    // ... and is exactly what the game would have sent for those values: nothing was guessed.
    if (EncodeText(FormatScoreRecord(record)) != inf) __builtin_trap();
    return 0;
}
