// Edge behaviour of the character tests, the number reading and the code tables that the
// record tables do not reach.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "validation/check_primitives.h"
#include "validation/money_total.h"

namespace quorvex {
namespace {

TEST(Primitives, CharacterClassesAreExactAndCaseSensitive) {
    struct Case {
        const char* text;
        bool num, name, alnum;
    };
    for (const Case& c : {Case{"", true, true, true}, Case{"0123456789", true, true, true},
                          Case{"12 34", false, true, false}, Case{"O'NEIL-SMITH JR.", false, true, false},
                          Case{"o'neil", false, false, false}, Case{"AB12CD34", false, true, true},
                          Case{"AB,12", false, false, false}, Case{"\xC9T\xC9", false, false, false}}) {
        EXPECT_EQ(NumCheck(c.text), c.num) << c.text;
        EXPECT_EQ(NameCheck(c.text), c.name) << c.text;
        EXPECT_EQ(AlphaNumCheck(c.text), c.alnum) << c.text;
    }
    EXPECT_TRUE(UserIdCheck("AB12CD34"));
    for (const char* bad : {"ab12cd34", "AB12 D34", "AB12CD3", "********"}) EXPECT_FALSE(UserIdCheck(bad)) << bad;
}

// The word-at-a-time tests against every byte at every position of fields up to 40 long.
TEST(Primitives, EveryByteAtEveryPosition) {
    for (std::size_t length = 1; length <= 40; ++length) {
        for (std::size_t at = 0; at < length; ++at) {
            for (int b = 0; b < 256; ++b) {
                const bool digit = b >= '0' && b <= '9';
                const bool name = digit || (b >= 'A' && b <= 'Z') || b == ' ' || b == '.' || b == '-' || b == '\'';
                std::string text(length, b == '~' ? ' ' : '~'), digits(length, '7'), names(length, 'Q');
                text[at] = digits[at] = names[at] = static_cast<char>(b);
                ASSERT_EQ(std::tuple(CharCheck(text), NumCheck(digits), NameCheck(names)),
                          std::tuple(b >= 32 && b <= 126, digit, name)) << length << " " << at << " " << b;
            }
        }
    }
}

TEST(Primitives, DigitsValueOfEveryLength) {
    const std::string digits = "9081726354453627";
    for (std::size_t len = 0; len <= digits.size(); ++len) {
        double expected = 0;
        for (char c : digits.substr(0, len)) expected = expected * 10 + (c - '0');
        EXPECT_EQ(DigitsValue(digits.substr(0, len)), expected) << len;
    }
    EXPECT_EQ(DigitsValue("999999999999999"), 999999999999999.0);
    EXPECT_EQ(AmountText(0), "0");
    EXPECT_EQ(AmountText(12345678901234567.0), "12345678901234568");  // beyond 15 digits: still digits
}

TEST(Primitives, InvalidPositionsAreListedWithCommasAndAnd) {
    std::string field(291, ' ');
    for (int pos : {230, 300, 400, 500}) field[static_cast<std::size_t>(pos - 222)] = pos == 500 ? '\xE9' : '\t';
    const std::string msg = CharCheckMessage(field, 222);
    EXPECT_EQ(msg.substr(0, msg.find(" of this")), "Invalid character found in position(s) 230, 300, 400 and 500");
}

TEST(Primitives, CodeTables) {
    for (const char* ok : {"  ", "MD", "PR", "AP", "WY", "DC"}) EXPECT_TRUE(StateCheck(ok)) << ok;
    for (const char* bad : {"md", "RP", "ZZ", "M,", " M", "M", "MDX"}) EXPECT_FALSE(StateCheck(bad)) << bad;
    for (const char* ok : {"  ", "RP", "CA", "AA", "ZI", "UK"}) EXPECT_TRUE(CountryCheck(ok)) << ok;
    for (const char* bad : {"US", "ca", "C,", "ZZ", "PR", "C"}) EXPECT_FALSE(CountryCheck(bad)) << bad;
    for (const char* bad : {"00", "07", "08", "09", "17", "18", "19", "28", "29", "49", "69", "70", "78", "79", "89"}) {
        EXPECT_TRUE(BadEmployerEinPrefix(std::string(bad) + "1234567")) << bad;
        EXPECT_EQ(BadSubmitterEinPrefix(std::string(bad) + "1234567"), std::string(bad) != "00") << bad;
    }
    for (const char* ok : {"01", "10", "48", "50", "90", "99", "  ", "A7", "0A", "6C", "0"})
        EXPECT_FALSE(BadEmployerEinPrefix(ok)) << ok;
}

TEST(Primitives, LayoutLookups) {
    const std::string shortLine = "RE2008 1234";
    EXPECT_EQ(Cut(shortLine, Field(RecordType::RE, 3)), "1234");
    EXPECT_EQ(Cut(shortLine, Field(RecordType::RE, 22)), "");
    const char* ids[] = {"RA", "RE", "RW", "RO", "RT", "RU", "RF"};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(RecordTypeOf(ids[i]), static_cast<RecordType>(i)) << ids[i];
    EXPECT_FALSE(RecordTypeOf("RS"));
    EXPECT_FALSE(RecordTypeOf("ra"));
    // A rule's reference names its positions in its text.
    const std::tuple<std::string, int, int> references[] = {
        {"Sequence of Records [Position 1 - 2]", 1, 2}, {"Rule [Position 4-9]", 4, 9},
        {"Agent Indicator [Position 7]", 7, 7}, {"Record Length", 0, 0}, {"X [Position 999 - 1000]", 0, 0},
        {Reference(Field(RecordType::RW, 1)), 3, 11}};
    for (const auto& [reference, first, last] : references)
        EXPECT_EQ(ReferencePositions(reference), std::pair(first, last)) << reference;
}

}  // namespace
}  // namespace quorvex
