// The game's queries as the server reads them: the query string, the result record, the texts.

#include <gtest/gtest.h>

#include <fstream>

#include "app/text_codec.h"
#include "score_record.h"
#include "server_harness.h"

namespace {

const std::string kToken = "0123456789abcdef0123456789abcdef";

std::string Encoded(std::string plain) {
    while (plain.size() % 5 != 0) plain += "0";
    return EncodeText(plain);
}

}  // namespace

TEST(ScoreRecord, TheGamesRecordComesBackField) {
    const RecordResult result = DecodeScoreRecord(GameRecord("Anna", "123450", kToken, "Latvia"));
    ASSERT_TRUE(result.record) << result.detail;
    EXPECT_EQ(*result.record, (ScoreRecord{"Anna", 123450, "V", kToken, "Latvia"}));
}

// Whatever the filling (0 to 4 zeros), the record reads the same; an empty country is fine.
TEST(ScoreRecord, EveryFillingLengthReads) {
    for (const std::string name : {"A", "An", "Ann", "Anna", "Annab"}) {
        const RecordResult result = DecodeScoreRecord(GameRecord(name, "0", kToken, ""));
        ASSERT_TRUE(result.record) << name << ": " << result.detail;
        EXPECT_EQ(result.record->name, name);
        EXPECT_EQ(result.record->score, 0);
        EXPECT_EQ(result.record->country, "");
    }
}

TEST(ScoreRecord, FormatGivesTheGamesRecord) {
    const ScoreRecord record{"Anna", 77, "V", kToken, "Chile"};
    EXPECT_EQ(FormatScoreRecord(record), "type=0|name=Anna|score=77|key=V|p=" + kToken + "|add=Chile|z=0");
    EXPECT_EQ(EncodeText(FormatScoreRecord(record)), GameRecord("Anna", "77", kToken, "Chile"));
}

TEST(ScoreRecord, RefusesWhatTheGameNeverWrites) {
    struct Case {
        std::string what;
        std::string inf;
        RecordProblem problem;
    };
    const std::vector<Case> cases = {
        {"empty", "", RecordProblem::Malformed},
        {"a small letter", "a" + GameRecord("Anna", "1", kToken, "").substr(1), RecordProblem::BadEncoding},
        {"digit zero", "0" + GameRecord("Anna", "1", kToken, "").substr(1), RecordProblem::BadEncoding},
        {"letter O", "O" + GameRecord("Anna", "1", kToken, "").substr(1), RecordProblem::BadEncoding},
        {"seven symbols", "AAAAAAA", RecordProblem::BadEncoding},
        {"six fields", Encoded("type=0|name=A|score=1|key=V|p=" + kToken + "|add="),
         RecordProblem::Malformed},
        {"eight fields", Encoded("type=0|name=A|score=1|key=V|p=" + kToken + "|add=|z=|x="),
         RecordProblem::Malformed},
        {"type 1", Encoded("type=1|name=A|score=1|key=V|p=" + kToken + "|add=|z="), RecordProblem::Malformed},
        {"five zeros of filling",
         EncodeText("type=0|name=Annabe|score=1|key=V|p=" + kToken + "|add=|z=00000"),
         RecordProblem::Malformed},
        {"something after z=", Encoded("type=0|name=A|score=1|key=V|p=" + kToken + "|add=|z=x"),
         RecordProblem::Malformed},
        {"no key", GameRecord("Anna", "1", kToken, "", ""), RecordProblem::Malformed},
        {"two-letter key", GameRecord("Anna", "1", kToken, "", "VV"), RecordProblem::Malformed},
        {"space as key", GameRecord("Anna", "1", kToken, "", " "), RecordProblem::Malformed},
        {"token in capitals", GameRecord("Anna", "1", "0123456789ABCDEF0123456789ABCDEF", ""),
         RecordProblem::Malformed},
        {"short token", GameRecord("Anna", "1", "0123", ""), RecordProblem::Malformed},
        {"country too long", GameRecord("Anna", "1", kToken, std::string(33, 'x')), RecordProblem::Malformed},
        {"tab in the name", GameRecord("An\tna", "1", kToken, ""), RecordProblem::ControlCharacter},
        {"NUL in the country", GameRecord("Anna", "1", kToken, std::string("La\0tvia", 7)),
         RecordProblem::ControlCharacter},
        {"DEL in the name", GameRecord("Anna\x7F", "1", kToken, ""), RecordProblem::ControlCharacter},
        {"C1 control in the name", GameRecord("Anna\xC2\x85", "1", kToken, ""),
         RecordProblem::ControlCharacter},
        {"Latin-1 byte in the country",
         GameRecord("Anna", "1", kToken,
                    "Espa\xF1"
                    "a"),
         RecordProblem::BadEncoding},
        {"score plus sign", GameRecord("Anna", "+1", kToken, ""), RecordProblem::BadScore},
        {"score empty", GameRecord("Anna", "", kToken, ""), RecordProblem::BadScore},
        {"score with a space", GameRecord("Anna", "1 000", kToken, ""), RecordProblem::BadScore},
        {"score just above the limit", GameRecord("Anna", "10000001", kToken, ""), RecordProblem::BadScore},
    };
    for (const auto& c : cases) {
        const RecordResult result = DecodeScoreRecord(c.inf);
        EXPECT_FALSE(result.record) << c.what;
        EXPECT_EQ(result.problem, c.problem) << c.what << ": " << result.detail;
        EXPECT_FALSE(result.detail.empty()) << c.what;
    }
}

TEST(ScoreRecord, LimitsAreInclusive) {
    const RecordResult top =
        DecodeScoreRecord(GameRecord(std::string(32, 'N'), "10000000", kToken, std::string(32, 'C')));
    ASSERT_TRUE(top.record) << top.detail;
    EXPECT_EQ(top.record->score, 10'000'000);
}

TEST(ScoreRecord, TextCheck) {
    struct Case {
        std::string text;
        TextCheck check;
    };
    const std::vector<Case> cases = {
        {"", TextCheck::Ok},
        {"Anna 99 <&>'\"|=", TextCheck::Ok},
        {"Zo\xC3\xAB", TextCheck::Ok},                // ë
        {"\xE6\x97\xA5\xE6\x9C\xAC", TextCheck::Ok},  // 日本
        {"\xF0\x9F\x9A\x97", TextCheck::Ok},          // a car, four bytes
        {"\x1F", TextCheck::Control},
        {"\xC2\x9F", TextCheck::Control},             // C1
        {"\xE2\x80\xA8", TextCheck::Control},         // line separator
        {"\xE2\x81\xA6", TextCheck::Control},         // left-to-right isolate
        {"\xE2\x80\x8F", TextCheck::Control},         // right-to-left mark
        {"\xD8\x9C", TextCheck::Control},             // Arabic letter mark
        {"\xE2\x80\x8B", TextCheck::Control},         // zero width space
        {"\xE2\x80\x8D", TextCheck::Control},         // zero width joiner
        {"\xE2\x80\xAA", TextCheck::Control},         // left-to-right embedding
        {"\xE2\x80\xAE", TextCheck::Control},         // right-to-left override
        {"\xE2\x81\xA0", TextCheck::Control},         // word joiner
        {"\xE2\x81\xA4", TextCheck::Control},         // invisible plus
        {"\xE2\x81\xA9", TextCheck::Control},         // pop directional isolate
        {"\xEF\xBB\xBF", TextCheck::Control},         // byte order mark
        {"\xEF\xBF\xB9", TextCheck::Control},         // interlinear annotation anchor
        {"\xEF\xBF\xBB", TextCheck::Control},         // interlinear annotation terminator
        {"\xF3\xA0\x80\x81", TextCheck::Control},     // language tag
        {"\xF3\xA0\x80\xA0", TextCheck::Control},     // tag space
        {"\xF3\xA0\x81\xBF", TextCheck::Control},     // cancel tag
        {"\xE2\x80\xA9", TextCheck::Control},         // paragraph separator
        {"\xD8\xB9\xD9\x84\xD9\x8A", TextCheck::Ok},  // an Arabic name
        {"\xD7\xA9\xD7\xA8\xD7\x94", TextCheck::Ok},  // a Hebrew name
        {"\xC2\xA0", TextCheck::Ok},                  // a no-break space is a space (Zs)
        {"\xE2\x80\x8C", TextCheck::Control},         // zero width non-joiner
        {"\xC3", TextCheck::NotUtf8},                 // cut short
        {"\xC0\xAF", TextCheck::NotUtf8},             // overlong "/"
        {"\xE0\x80\xAF", TextCheck::NotUtf8},         // overlong, three bytes
        {"\xED\xA0\x80", TextCheck::NotUtf8},         // a surrogate
        {"\xF4\x90\x80\x80", TextCheck::NotUtf8},     // past U+10FFFF
        {"\x80", TextCheck::NotUtf8},                 // a lone continuation byte
        {"\xC3\x28", TextCheck::NotUtf8},             // lead byte without its continuation
    };
    for (const auto& c : cases) EXPECT_EQ(CheckText(c.text), c.check) << testing::PrintToString(c.text);
}

TEST(ScoreRecord, QueryStrings) {
    using Items = std::vector<QueryItem>;
    EXPECT_EQ(ParseQuery("version&prg=Vandrax"), (Items{{"version", std::nullopt}, {"prg", "Vandrax"}}));
    EXPECT_EQ(ParseQuery("prg=Vandrax&show&type=0"),
              (Items{{"prg", "Vandrax"}, {"show", std::nullopt}, {"type", "0"}}));
    EXPECT_EQ(ParseQuery("inf="), (Items{{"inf", ""}}));
    EXPECT_EQ(ParseQuery("a=b=c"), (Items{{"a", "b=c"}}));
    EXPECT_EQ(ParseQuery(""), Items{});
    for (const std::string bad : {"&", "a&", "&a", "a&&b", "=x", "a=1&a=2", "hs&hs"})
        EXPECT_FALSE(ParseQuery(bad)) << bad;
}

TEST(ScoreRecord, LogSafeKeepsOnlyPrintableAscii) {
    EXPECT_EQ(LogSafe("ab\ncd\x1b[31m\xC3\xAB"), "ab?cd?[31m??");
    EXPECT_EQ(LogSafe(std::string(10, 'x'), 4), "xxxx...");
}

namespace {

std::string Utf8(uint32_t cp) {
    std::string out;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
    return out;
}

}  // namespace

// Against Unicode's own data file where it is installed (Debian's unicode-data): every control,
// format character and line or paragraph separator it lists is refused, inside a name too.
TEST(ScoreRecord, EveryFormatCharacterOfUnicodeDataIsRefused) {
    std::ifstream data("/usr/share/unicode/UnicodeData.txt");
    if (!data) GTEST_SKIP() << "/usr/share/unicode/UnicodeData.txt is not installed (unicode-data)";
    size_t refused = 0;
    for (std::string line; std::getline(data, line);) {
        const size_t first = line.find(';');
        const size_t second = line.find(';', first + 1);
        const size_t third = line.find(';', second + 1);
        const std::string category = line.substr(second + 1, third - second - 1);
        if (category != "Cc" && category != "Cf" && category != "Zl" && category != "Zp") continue;
        const auto cp = static_cast<uint32_t>(std::stoul(line.substr(0, first), nullptr, 16));
        EXPECT_EQ(CheckText("An" + Utf8(cp) + "na"), TextCheck::Control) << std::hex << cp << " " << category;
        ++refused;
    }
    EXPECT_GT(refused, 100u);
}
