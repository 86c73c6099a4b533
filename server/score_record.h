#pragma once
// What the game sends: the raw query strings of /cgi/version.pl and the result record of a score
// query. Pure functions, no I/O: the HTTP front and the fuzz target share them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Longest request target (path and query) the server looks at; anything longer is refused.
inline constexpr size_t kMaxTargetBytes = 4096;
// Highest score taken: the game's counters never come near it in a real game.
inline constexpr int64_t kMaxScore = 10'000'000;
// Longest name and country, in bytes. The game types at most 10 letters or digits; a hand-edited
// settings file may hold a little more, and the table page has room for it.
inline constexpr size_t kMaxNameBytes = 32;
inline constexpr size_t kMaxCountryBytes = 32;
// Tokens are 128 random bits in lowercase hex.
inline constexpr size_t kTokenChars = 32;

// One "key" or "key=value" item of a query string, taken as sent: the game never percent-encodes
// (its record uses only the codec's letters and digits), so neither do we decode.
struct QueryItem {
    std::string key;
    std::optional<std::string> value;
    bool operator==(const QueryItem&) const = default;
};

// Splits "a&b=c" into items. Fails (nullopt) on an empty item, an empty key or a key given twice:
// a query the game would never send is refused rather than guessed at.
std::optional<std::vector<QueryItem>> ParseQuery(std::string_view query);

// The item of that key, or nullptr.
const QueryItem* FindItem(const std::vector<QueryItem>& items, std::string_view key);

// Why a score query was refused. Each kind answers with its own HTTP status.
enum class RecordProblem {
    None,
    Malformed,         // not the record the game writes
    BadEncoding,       // symbols outside the codec's alphabet, or a count that cannot be a record
    ControlCharacter,  // a name or country with control characters (or not UTF-8)
    BadScore,          // not a plain decimal, negative, or above kMaxScore
};

struct ScoreRecord {
    std::string name;
    int64_t score = 0;
    std::string key;
    std::string token;
    std::string country;
    bool operator==(const ScoreRecord&) const = default;
};

struct RecordResult {
    std::optional<ScoreRecord> record;
    RecordProblem problem = RecordProblem::None;
    std::string detail;  // one short phrase for the log, never the client's bytes
};

// Decodes the "inf=" value of a score query: the record
// "type=0|name=N|score=S|key=K|p=TOKEN|add=COUNTRY|z=" filled with "0" to a multiple of 5
// characters and written with EncodeText. Every field is checked.
RecordResult DecodeScoreRecord(std::string_view inf);

// The plain record the game builds for these values, before encoding (filled with "0").
std::string FormatScoreRecord(const ScoreRecord& record);

// Whether a name or country may be shown as it is: valid UTF-8 holding no control character
// (Unicode's classes Cc: C0, DEL, C1; Cf: the format characters, among them every bidirectional
// mark, override and isolate that would turn a table row around, and the invisible ones; Zl and
// Zp: the line and paragraph separators).
enum class TextCheck { Ok, NotUtf8, Control };
TextCheck CheckText(std::string_view text);

// True for kTokenChars lowercase hex digits.
bool IsTokenShaped(std::string_view token);

// A client's bytes made safe for one log line: printable ASCII kept, the rest as '?', cut to max.
std::string LogSafe(std::string_view text, size_t max = 160);
