#include <gtest/gtest.h>

#include <string>

#include "support/records.h"
#include "validation/check_fixture.h"

namespace quorvex::test {
namespace {

const std::string kMandatory = "This is a mandatory field and must contain only valid numeric data.";
const std::string kCharTail =
    " of this record. This field may only contain letters (A-Z), numbers (0-9), spaces, non-alpha non-numeric "
    "characters (~ ! @ # $ % ^ & * ( ) _ + { } | : \" < > ? ` - = [ ] \\ ; ' , . /).";
const std::string kPostal = "If Preferred Method of Problem Notification Code [Position 499] equals 2, then ";
const std::string kBlank17 = "[                       ]";

std::string Pad(std::string s, std::size_t n) {
    s.resize(n, ' ');
    return "[" + s + "]";
}

const RuleCase kRaCases[] = {
    {"baseline", {}, {}},
    {"ein prefix 00 allowed", {{3, "001234567"}}, {}},
    {"ein prefix 07",
     {{3, "071234567"}},
     {{"Submitter's EIN [Position 3 - 11]", "[071234567]",
       "Must not start with 07, 08, 09, 17, 18, 19, 28, 29, 49, 69, 70, 78, 79 or 89. " + kMandatory, 1}}},
    {"ein blank", {{3, std::string(9, ' ')}}, {{"Submitter's EIN [Position 3 - 11]", Pad("", 9), kMandatory, 1}}},
    {"user id lower case",
     {{12, "ab12cd34"}},
     {{"User ID [Position 12 - 19]", "[ab12cd34]",
       "Must not be blank. Must be alphanumeric. This is a mandatory field.", 2}}},
    {"vendor code",
     {{20, "12A4"}},
     {{"Software Vendor Code [Position 20 - 23]", "[12A4]", "Must be numeric or blank.", 3}}},
    {"blank holding letters", {{24, "XYZ"}}, {}},
    {"blank holding a tab",
     {{26, "\t"}},
     {{"Blank [Position 24 - 28]", "[  \t  ]", "Invalid character found in position(s) 26" + kCharTail, 4}}},
    {"resub 2 without wfid",
     {{29, "2"}},
     {{"Resub Indicator [Position 29]", "[2]", "Enter appropriate code: 1 - File being resubmitted, 0 - Other.", 5}}},
    {"resub 2 with wfid: no wfid case applies",
     {{29, "2"}, {30, "ab 12x"}},
     {{"Resub Indicator [Position 29]", "[2]", "Enter appropriate code: 1 - File being resubmitted, 0 - Other.", 5}}},
    {"resub 0 with wfid",
     {{30, "ABC123"}},
     {{"Resub WFID [Position 30 - 35]", "[ABC123]",
       "If Resub Indicator [Position 29] equals zero, then the Resub WFID field  must be blank. If this is an "
       "original submission, then change the Resub WFID field to blank. If this is a resubmission, then enter 1 "
       "in the Resub Indicator field.",
       6}}},
    {"resub 1 with wfid", {{29, "1"}, {30, "ABC123"}}, {}},
    {"resub 1 without wfid: case b only",
     {{29, "1"}},
     {{"Resub WFID [Position 30 - 35]", "[      ]",
       "If Resub Indicator [Position 29] equals 1, then the Resub WFID field cannot be blank. The 6 digit WFID "
       "is located on the notice sent by Orvanta.",
       6}}},
    {"resub 1 lower-case wfid",
     {{29, "1"}, {30, "abc123"}},
     {{"Resub WFID [Position 30 - 35]", "[abc123]", "May only contain letters (A - Z) and/or numbers (0 - 9).", 6}}},
    {"software code", {{36, "97"}}, {{"Software Code [Position 36 - 37]", "[97]", "Must be either 98 or 99.", 7}}},
    {"company name control character",
     {{40, "\x01"}},
     {{"Company Name [Position 38 - 94]", Pad("AC\x01" "E PAYROLL INC", 57),
       "Invalid character found in position(s) 40" + kCharTail, 8}}},
    {"company state invalid: no cross-check",
     {{161, "ZZ"}, {215, "CA"}},
     {{"State Abbreviation [Position 161 - 162]", "[ZZ]", "The Postal Abbreviation is invalid (see ZRW5).", 12}}},
    {"company zip invalid: no cross-check",
     {{163, "2120A"}, {215, "CA"}},
     {{"Zip Code [Position 163 - 167]", "[2120A]", "Must be numeric or blank.", 13}}},
    {"company extension without zip",
     {{163, "     "}},
     {{"Zip Code Extension [Position 168 - 171]", "[1234]",
       "A value was entered in the ZIP Code Extension field and the ZIP Code field is blank. Either change the "
       "ZIP Code Extension field to blank or enter a valid ZIP Code.",
       14}}},
    {"company extension not numeric: cross-check still made",
     {{168, "12A4"}, {215, "CA"}},
     {{"Zip Code Extension [Position 168 - 171]", "[12A4]", "Must be numeric or blank.", 14},
      {"Country Code [Position 215 - 216]", "[CA]",
       "Must not have both a domestic State Abbreviation and a foreign Country Code.", 18}}},
    {"company foreign country with domestic zip",
     {{161, "  "}, {215, "CA"}},
     {{"Country Code [Position 215 - 216]", "[CA]",
       "Must not have both a foreign Country Code and a domestic ZIP Code.", 18}}},
    {"submitter block never gives the zip message", {{340, "  "}, {394, "CA"}}, {}},
    {"submitter state with foreign country",
     {{394, "CA"}},
     {{"Country Code [Position 394 - 395]", "[CA]",
       "Must not have both a domestic State Abbreviation and a foreign Country Code.", 29}}},
    {"submitter extension without zip",
     {{342, "     "}, {347, "1234"}},
     {{"Zip Code Extension [Position 347 - 350]", "[1234]",
       "A value was entered in the ZIP Code Extension field and the ZIP Code field is blank. Either change the "
       "ZIP Code Extension field to blank or enter a valid ZIP Code.",
       25}}},
    {"postal: empty delivery address and city",
     {{499, "2"}, {296, std::string(22, ' ')}, {318, std::string(22, ' ')}},
     {{"Delivery Address [Position 296 - 317]", Pad("", 22),
       kPostal + "the Delivery Address field cannot be blank.", 21},
      {"City [Position 318 - 339]", Pad("", 22), kPostal + "the City field cannot be blank.", 22}}},
    {"postal: state and foreign province both empty",
     {{499, "2"}, {340, "  "}},
     {{"State Abbreviation [Position 340 - 341]", "[  ]",
       kPostal + "the State Abbreviation field cannot be blank.", 23}}},
    {"postal: state and foreign province both filled",
     {{499, "2"}, {356, "ONTARIO"}},
     {{"State Abbreviation [Position 340 - 341]", "[MD]",
       kPostal + "complete the State Abbreviation or Foreign State/Province [Position 356 - 378] field.", 23}}},
    {"postal: only the foreign province", {{499, "2"}, {340, "  "}, {356, "ONTARIO"}}, {}},
    {"postal: invalid state and foreign province",
     {{499, "2"}, {340, "XX"}, {356, "ONTARIO"}},
     {{"State Abbreviation [Position 340 - 341]", "[XX]", "The Postal Abbreviation is invalid (see ZRW5).", 23},
      {"State Abbreviation [Position 340 - 341]", "[XX]",
       kPostal + "complete the State Abbreviation or Foreign State/Province [Position 356 - 378] field.", 23}}},
    {"postal: zip and foreign postal code both empty",
     {{499, "2"}, {342, "     "}},
     {{"Zip Code [Position 342 - 346]", "[     ]", kPostal + "the Zip Code field cannot be blank.", 24}}},
    {"postal: zip and foreign postal code both filled",
     {{499, "2"}, {379, "K1A 0B1"}},
     {{"Zip Code [Position 342 - 346]", "[21201]",
       kPostal + "complete the Zip Code or Foreign Postal Code [Position 379 - 393] field.", 24}}},
    {"e-mail method: postal rules do not apply", {{340, "  "}, {342, "     "}, {296, std::string(22, ' ')}}, {}},
    {"contact name lower case",
     {{396, "jane doe" + std::string(19, ' ')}},
     {{"Contact Name [Position 396 - 422]", Pad("jane doe", 27),
       "May only contain letters (A - Z), numbers (0 - 9), spaces, hyphens, periods and apostrophes.", 30}}},
    {"contact name blank", {{396, std::string(27, ' ')}}, {}},
    {"phone blank",
     {{423, std::string(15, ' ')}},
     {{"Contact Phone Number [Position 423 - 437]", Pad("", 15),
       "Enter a valid contact phone number. Orvanta needs a valid contact phone number to notify you if there is "
       "a problem with the wage report submission.",
       31}}},
    {"phone and e-mail blank, postal method",
     {{499, "2"}, {423, std::string(15, ' ')}, {446, std::string(40, ' ')}},
     {{"Contact Phone Number [Position 423 - 437]", Pad("", 15),
       "Enter a valid contact phone number. Orvanta needs a valid contact phone number to notify you if there is "
       "a problem with the wage report submission.",
       31},
      {"Contact Phone Number [Position 423 - 437]", Pad("", 15),
       "Enter Contact Phone Number or Contact E-Mail/Internet.", 31}}},
    {"e-mail method without e-mail",
     {{446, std::string(40, ' ')}},
     {{"Contact E-Mail/Internet [Position 446-485]", Pad("", 40),
       "If Preferred Method of Problem Notification Code [Position 499] equals 1, then the Contact "
       "E-Mail/Internet field cannot be blank.",
       34}}},
    {"e-mail characters still tested",
     {{446, "A\tB"}},
     {{"Contact E-Mail/Internet [Position 446 - 485]", Pad("A\tBe@acme.example", 40),
       "Invalid character found in position(s) 447" + kCharTail, 34}}},
    {"preferred method",
     {{499, "3"}},
     {{"Preferred Method of Problem Notification Code [Position 499]", "[3]",
       "Enter appropriate code: 1 - E-Mail/Internet, 2 - U.S. Postal Service.", 37}}},
    {"preparer code",
     {{500, "l"}},
     {{"Preparer Code [Position 500]", "[l]",
       "Enter appropriate code: A - Accounting Firm, L - Self-Prepared, S - Service Bureau, P - Parent Company, O - "
       "Other.",
       38}}},
    {"final blank",
     {{505, "\x1f"}, {512, "\x80"}},
     {{"Blank [Position 501 - 512]", "[    \x1f      \x80]",
       "Invalid character found in position(s) 505 and 512" + kCharTail, 39}}},
};

class RaRules : public ::testing::TestWithParam<RuleCase>, protected CheckFixture {};

TEST_P(RaRules, FindingsInRuleOrder) {
    const RuleCase& c = GetParam();
    EXPECT_EQ(Check("RA", Apply(BaselineRA(), c.edits), CheckCodeRA), Describe(c.expected));
}

INSTANTIATE_TEST_SUITE_P(AllRules, RaRules, ::testing::ValuesIn(kRaCases));

class RaCheck : public ::testing::Test, protected CheckFixture {};

TEST_F(RaCheck, ManyFaultsAreAllReportedInRecordOrder) {
    const std::string rec = Apply(BaselineRA(), {{500, "X"}, {3, "ABCDEFGHI"}, {36, "00"}, {215, "US"}});
    const auto got = Check("RA", rec, CheckCodeRA);
    std::vector<int> indexes;
    for (const auto& f : findings().findings) indexes.push_back(f.fieldIndex);
    EXPECT_EQ(indexes, (std::vector<int>{1, 7, 18, 38}));
}

TEST_F(RaCheck, ValidUserIdIsMaskedAndRemembered) {
    const std::string rec = BaselineRA();
    Check("RA", rec, CheckCodeRA);
    EXPECT_TRUE(log().Read().PinOK());
    const auto stored = Stored(ctx().recNum);
    EXPECT_EQ(stored.recReference, "123456789");
    std::string masked = rec;
    Put(masked, 12, "********");
    EXPECT_EQ(stored.record, masked);
}

TEST_F(RaCheck, InvalidUserIdStaysInTheRecord) {
    const std::string rec = Apply(BaselineRA(), {{12, "AB 2CD34"}});
    Check("RA", rec, CheckCodeRA);
    EXPECT_FALSE(log().Read().PinOK());
    const auto stored = Stored(ctx().recNum);
    EXPECT_EQ(stored.record, rec);
    EXPECT_EQ(stored.recReference, "123456789");
}

TEST_F(RaCheck, ViewerUnmarksTheMaskedUserIdThatPassed) {
    Check("RA", BaselineRA(), CheckCodeRA);
    const std::string stored = Stored(ctx().recNum).record;

    ViewerFindings viewer(log().Read().PinOK());
    CheckContext vctx{viewer, facts(), {}, ctx().recNum};
    CheckCodeRA(stored, vctx);
    EXPECT_TRUE(viewer.Marked().empty());
    // Nothing written: the record and PinOK are unchanged.
    EXPECT_EQ(Stored(ctx().recNum).record, stored);
    EXPECT_TRUE(log().Read().PinOK());
}

TEST_F(RaCheck, ViewerTakesPinOKFromTheFirstFileOfTheSubmission) {
    // The RA record is in the first file; a later file of the submission adds its own
    // Misc row, which must not turn the passed User ID into an error.
    Check("RA", BaselineRA(), CheckCodeRA);
    const std::string stored = Stored(ctx().recNum).record;
    log().AddMisc("w2part2.txt", "01/15/2009");
    EXPECT_TRUE(log().Read().PinOK());
}

TEST_F(RaCheck, ViewerKeepsTheMarkOfAUserIdThatFailed) {
    const std::string rec = Apply(BaselineRA(), {{12, "ab12cd34"}});
    Check("RA", rec, CheckCodeRA);
    ViewerFindings viewer(log().Read().PinOK());
    CheckContext vctx{viewer, facts(), {}, ctx().recNum};
    CheckCodeRA(rec, vctx);
    EXPECT_EQ(viewer.Marked(), std::set<int>{2});
    EXPECT_FALSE(log().Read().PinOK());
}

}  // namespace
}  // namespace quorvex::test
