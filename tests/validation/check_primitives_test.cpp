#include <gtest/gtest.h>

#include <string>

#include "support/recording_findings.h"
#include "support/test_support.h"
#include "validation/check_primitives.h"

namespace quorvex {
namespace {

const std::string kCharMsgTail =
    " of this record. This field may only contain letters (A-Z), numbers (0-9), spaces, non-alpha non-numeric "
    "characters (~ ! @ # $ % ^ & * ( ) _ + { } | : \" < > ? ` - = [ ] \\ ; ' , . /).";

TEST(CharacterTests, ClassesAreExactAndCaseSensitive) {
    struct Case {
        const char* text;
        bool num, name, alnum;
    };
    const Case cases[] = {
        {"", true, true, true},
        {"0123456789", true, true, true},
        {"12 34", false, true, false},
        {"O'NEIL-SMITH JR.", false, true, false},
        {"o'neil-smith jr.", false, false, false},
        {"AB12CD34", false, true, true},
        {"AB,12", false, false, false},
        {"\xC9T\xC9", false, false, false},  // accented capitals are not letters here
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NumCheck(c.text), c.num) << c.text;
        EXPECT_EQ(NameCheck(c.text), c.name) << c.text;
        EXPECT_EQ(AlphaNumCheck(c.text), c.alnum) << c.text;
    }
    EXPECT_TRUE(UserIdCheck("AB12CD34"));
    EXPECT_FALSE(UserIdCheck("ab12cd34"));
    EXPECT_FALSE(UserIdCheck("AB12 D34"));
    EXPECT_FALSE(UserIdCheck("AB12CD3"));
    EXPECT_FALSE(UserIdCheck("********"));
}

TEST(CharCheck, EveryByteAtEveryPositionOfShortAndLongFields) {
    for (std::size_t length = 1; length <= 40; ++length) {
        for (std::size_t at = 0; at < length; ++at) {
            for (int b = 0; b < 256; ++b) {
                std::string field(length, b == '~' ? ' ' : '~');
                field[at] = static_cast<char>(b);
                ASSERT_EQ(CharCheck(field), b >= 32 && b <= 126) << "length " << length << " at " << at << " byte " << b;
            }
        }
    }
}

TEST(CharCheck, ListsInvalidPositionsWithCommasAndAnd) {
    std::string field(291, ' ');  // positions 222-512
    EXPECT_TRUE(CharCheck(field));
    field[230 - 222] = '\t';
    EXPECT_FALSE(CharCheck(field));
    EXPECT_EQ(CharCheckMessage(field, 222), "Invalid character found in position(s) 230" + kCharMsgTail);
    field[300 - 222] = '\x7f';
    EXPECT_EQ(CharCheckMessage(field, 222), "Invalid character found in position(s) 230 and 300" + kCharMsgTail);
    field[400 - 222] = '\x01';
    EXPECT_EQ(CharCheckMessage(field, 222),
              "Invalid character found in position(s) 230, 300 and 400" + kCharMsgTail);
    field[500 - 222] = '\xE9';  // code page 1252 letter: above 126
    EXPECT_EQ(CharCheckMessage(field, 222),
              "Invalid character found in position(s) 230, 300, 400 and 500" + kCharMsgTail);

    EXPECT_TRUE(CharCheck("LETTERS IN A BLANK FIELD ~!@#$%^&*()_+{}|:\"<>?`-=[]\\;',./"));
    // An invalid character past the first block of 64 is still found.
    std::string longField(200, 'A');
    longField[130] = '\x1f';
    EXPECT_FALSE(CharCheck(longField));
}

TEST(CodeTables, StatesAndCountries) {
    EXPECT_EQ(StateTable().size(), 60u);
    EXPECT_EQ(StateTable().front(), "  ");
    EXPECT_EQ(CountryTable().size(), 261u);
    for (const char* ok : {"  ", "MD", "PR", "AP", "WY", "DC"}) EXPECT_TRUE(StateCheck(ok)) << ok;
    for (const char* bad : {"md", "RP", "ZZ", "M,", " M", "M", "MDX"}) EXPECT_FALSE(StateCheck(bad)) << bad;
    for (const char* ok : {"  ", "RP", "CA", "AA", "ZI", "UK", "BN"}) EXPECT_TRUE(CountryCheck(ok)) << ok;
    for (const char* bad : {"US", "ca", "C,", "ZZ", "PR", "C"}) EXPECT_FALSE(CountryCheck(bad)) << bad;
}

TEST(CodeTables, EinPrefixes) {
    for (const char* bad : {"00", "07", "08", "09", "17", "18", "19", "28", "29", "49", "69", "70", "78", "79",
                            "89"}) {
        EXPECT_TRUE(BadEmployerEinPrefix(std::string(bad) + "1234567")) << bad;
        EXPECT_EQ(BadSubmitterEinPrefix(std::string(bad) + "1234567"), std::string(bad) != "00") << bad;
    }
    for (const char* ok : {"01", "10", "20", "48", "50", "90", "99", "  ", "A7"}) {
        EXPECT_FALSE(BadEmployerEinPrefix(std::string(ok) + "1234567")) << ok;
    }
    EXPECT_TRUE(BadEmployerEinPrefix("07ABCDEFG"));  // prefix test looks at the characters only
    EXPECT_FALSE(BadEmployerEinPrefix("0"));
}

TEST(CodeTables, WageBaseLimits) {
    const auto y2008 = WageBaseLimits(2008);
    ASSERT_TRUE(y2008);
    EXPECT_EQ(y2008->priorYearMax, 97500);
    EXPECT_EQ(y2008->currentYearMax, 102000);
    EXPECT_EQ(y2008->medicareMax, 0);
    EXPECT_EQ(y2008->householdMin, 1600);
    EXPECT_EQ(WageBaseLimits(1978)->currentYearMax, 17700);
    EXPECT_EQ(WageBaseLimits(1992)->medicareMax, 130200);
    EXPECT_EQ(WageBaseLimits(1995)->householdMin, 1000);
    EXPECT_FALSE(WageBaseLimits(1977));
    EXPECT_FALSE(WageBaseLimits(2009));
    EXPECT_FALSE(WageBaseLimits(0));
}

TEST(FieldRules, CrossCheckOfTheRwAndRaSubmitterBlocks) {
    // The RW block reports on its own Country Code; the RA submitter block has no ZIP test.
    std::string rw = test::Record("RW");
    test::Put(rw, 134, "21201");
    test::Put(rw, 186, "CA");
    test::RecordingFindings out;
    CountryZipCheck(out, rw, AddressBlock::RW);
    ASSERT_EQ(out.findings.size(), 1u);
    EXPECT_EQ(out.findings[0].reference, "Country Code [Position 186 - 187]");
    EXPECT_EQ(out.findings[0].fieldIndex, 15);

    std::string ra = test::Record("RA");
    test::Put(ra, 342, "21201");
    test::Put(ra, 394, "CA");
    test::RecordingFindings none;
    CountryZipCheck(none, ra, AddressBlock::RASubmitter);
    EXPECT_TRUE(none.findings.empty());
}

}  // namespace
}  // namespace quorvex

TEST(DigitsValue, EveryLengthUpToFifteenDigits) {
    std::string digits = "908172635445362";
    for (std::size_t len = 0; len <= digits.size(); ++len) {
        std::string s = digits.substr(0, len);
        double expected = 0;
        for (char c : s) expected = expected * 10 + (c - '0');
        EXPECT_EQ(quorvex::DigitsValue(s), expected) << s;
        EXPECT_TRUE(quorvex::NumCheck(s)) << s;
        for (std::size_t k = 0; k < len; ++k) {
            for (char bad : {'/', ':', ' ', 'A', '\xb2', '\0'}) {
                std::string t = s;
                t[k] = bad;
                EXPECT_FALSE(quorvex::NumCheck(t)) << "length " << len << " bad at " << k;
            }
        }
    }
    EXPECT_EQ(quorvex::DigitsValue("999999999999999"), 999999999999999.0);
}
