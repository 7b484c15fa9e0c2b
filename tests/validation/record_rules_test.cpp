// The field rules of the RA, RE and RF records, one row per behaviour.
#include "validation/check_run.h"

namespace quorvex::test {
namespace {

std::string Blanks(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

TEST(RecordRules, RA) {
    auto ra = [](const Edits& e) { return With(BaselineRA(), e); };
    CheckRows({
        {"valid", {}, BaselineRA(), {}},
        {"submitter EIN may start with 00", {}, ra({{3, "001234567"}}), {}},
        {"EIN prefix 07", {}, ra({{3, "071234567"}}),
         {"1 Submitter's EIN [Position 3 - 11] [071234567] Must not start with 07"}},
        {"EIN blank", {}, ra({{3, Blanks(9)}}), {"1 ] This is a mandatory"}},
        {"User ID lower case", {}, ra({{12, "ab12cd34"}}), {"2 Must be alphanumeric"}},
        {"vendor code", {}, ra({{20, "12A4"}}), {"3 Must be numeric or blank."}},
        {"blank field: printable passes, a tab does not", {}, ra({{24, "X\tZ"}}),
         {"4 [X\tZ  ] Invalid character found in position(s) 25 of this record."}},
        {"resub 2: the WFID is not judged", {}, ra({{29, "2"}, {30, "ab 12x"}}),
         {"5 Resub Indicator [Position 29] [2] Enter appropriate code: 1 - File"}},
        {"resub 0 with a WFID", {}, ra({{30, "ABC123"}}), {"6 equals zero"}},
        {"resub 1 with a WFID", {}, ra({{29, "1"}, {30, "ABC123"}}), {}},
        {"resub 1 without a WFID", {}, ra({{29, "1"}}), {"6 equals 1, then the Resub WFID field cannot be blank"}},
        {"resub 1, lower-case WFID", {}, ra({{29, "1"}, {30, "abc123"}}), {"6 and/or numbers"}},
        {"software code", {}, ra({{36, "97"}}), {"7 Must be either 98 or 99"}},
        {"company city control character", {}, ra({{150, "\x01"}}), {"11 position(s) 150 of"}},
        {"company state invalid: no cross-check", {}, ra({{161, "ZZ"}, {215, "CA"}}), {"12 Postal Abbreviation"}},
        {"company zip invalid: no cross-check", {}, ra({{163, "2120A"}, {215, "CA"}}),
         {"13 Must be numeric or blank."}},
        {"company extension without zip", {}, ra({{163, Blanks(5)}}), {"14 [1234] A value was entered in the ZIP"}},
        {"extension not numeric: cross-check still made", {}, ra({{168, "12A4"}, {215, "CA"}}),
         {"14 Must be numeric or blank.", "18 domestic State Abbreviation and a foreign"}},
        {"company foreign country with domestic zip", {}, ra({{161, "  "}, {215, "CA"}}),
         {"18 foreign Country Code and a domestic ZIP"}},
        {"submitter block has no zip cross-check", {}, ra({{340, "  "}, {394, "CA"}}), {}},
        {"submitter state with foreign country", {}, ra({{394, "CA"}}),
         {"29 Country Code [Position 394 - 395] [CA] Must not have both a domestic"}},
        {"postal: delivery address and city blank", {}, ra({{499, "2"}, {296, Blanks(22)}, {318, Blanks(22)}}),
         {"21 Delivery Address field cannot be blank", "22 City field cannot be blank"}},
        {"postal: no state, no foreign province", {}, ra({{499, "2"}, {340, "  "}}),
         {"23 State Abbreviation field cannot be blank"}},
        {"postal: state and foreign province", {}, ra({{499, "2"}, {356, "ONTARIO"}}),
         {"23 complete the State Abbreviation or Foreign"}},
        {"postal: foreign province alone", {}, ra({{499, "2"}, {340, "  "}, {356, "ONTARIO"}}), {}},
        {"postal: invalid state and foreign province", {}, ra({{499, "2"}, {340, "XX"}, {356, "ONTARIO"}}),
         {"23 Postal Abbreviation", "23 complete the State"}},
        {"postal: no zip, no foreign postal code", {}, ra({{499, "2"}, {342, Blanks(5)}}),
         {"24 Zip Code field cannot be blank"}},
        {"postal: zip and foreign postal code", {}, ra({{499, "2"}, {379, "K1A 0B1"}}),
         {"24 complete the Zip Code or Foreign"}},
        {"e-mail method: no postal rule", {}, ra({{340, "  "}, {342, Blanks(5)}, {296, Blanks(22)}}), {}},
        {"contact name lower case", {}, ra({{396, "jane doe"}}), {"30 May only contain letters"}},
        {"contact name blank", {}, ra({{396, Blanks(27)}}), {}},
        {"phone blank", {}, ra({{423, Blanks(15)}}), {"31 Enter a valid contact phone number"}},
        {"phone and e-mail blank, postal method", {}, ra({{499, "2"}, {423, Blanks(15)}, {446, Blanks(40)}}),
         {"31 Enter a valid contact phone", "31 Enter Contact Phone Number or Contact E-Mail"}},
        {"e-mail method without e-mail", {}, ra({{446, Blanks(40)}}),
         {"34 [Position 446-485] ... equals 1, then the Contact E-Mail"}},
        {"e-mail characters", {}, ra({{446, "A\tB"}}), {"34 position(s) 447 of"}},
        {"preferred method", {}, ra({{499, "3"}}), {"37 1 - E-Mail/Internet, 2 - U.S. Postal"}},
        {"preparer code", {}, ra({{500, "l"}}), {"38 A - Accounting Firm"}},
        {"final blank", {}, ra({{505, "\x1f"}, {512, "\x80"}}), {"39 position(s) 505 and 512 of"}},
    });
}

TEST(RecordRules, RE) {
    auto re = [](const Edits& e) { return With(MakeRE(), e); };
    CheckRows({
        {"valid", {}, MakeRE(), {}},
        {"previous tax year", {}, re({{3, "2007"}}), {"1 previous tax year"}},
        {"first tax year", {}, re({{3, "1978"}}), {"1 previous tax year"}},
        {"before the first year", {}, re({{3, "1977"}}), {"1 less than 1978"}},
        {"after the last year", {}, re({{3, "2009"}}), {"1 less than 1978"}},
        {"tax year with a letter", {}, re({{3, "20O8"}}), {"1 ] This is a mandatory"}},
        {"agent indicator", {}, re({{7, "4"}}), {"2 1 - 2678 Agent"}},
        {"employer EIN 000000000", {}, re({{8, "000000000"}}), {"3 Must not start with 00 ... This is a mandatory"}},
        {"employer EIN not numeric", {}, re({{8, "12345678 "}}), {"3 ] This is a mandatory"}},
        {"agent 1 without agent for EIN", {}, re({{7, "1"}}), {"4 cannot be blank"}},
        {"agent 2 with agent for EIN", {}, re({{7, "2"}, {17, "234567890"}}), {"4 must be blank unless"}},
        {"not an agent, agent for EIN 0A...", {}, re({{17, "0A3456789"}}),
         {"4 must be blank unless", "4 Must be numeric or blank."}},
        {"agent 1, agent for EIN 07 with a letter", {}, re({{7, "1"}, {17, "07345678X"}}),
         {"4 Must not start with 00 ... or 89.|", "4 Must be numeric or blank."}},
        {"terminating business", {}, re({{26, "2"}}), {"5 Business terminated"}},
        {"other EIN 000000000: the prefix rule alone", {}, re({{31, "000000000"}}), {"7 Must not start ... or 89.|"}},
        {"other EIN not numeric", {}, re({{31, "12-345678"}}), {"7 Must be numeric or blank."}},
        {"employer name blank", {}, re({{40, Blanks(57)}}), {}},
        {"city control character", {}, re({{142, "\x1b"}}), {"11 position(s) 142 of"}},
        {"state invalid: no cross-check", {}, re({{163, "QQ"}, {217, "CA"}}), {"12 Postal Abbreviation"}},
        {"zip invalid: no cross-check", {}, re({{165, "2120 "}, {217, "CA"}}), {"13 Must be numeric or blank."}},
        {"extension without zip", {}, re({{165, Blanks(5)}, {170, "1234"}}), {"14 ZIP Code Extension field and"}},
        {"domestic state and foreign country", {}, re({{217, "CA"}}), {"18 domestic State"}},
        {"foreign country and domestic zip", {}, re({{163, "  "}, {217, "CA"}}),
         {"18 foreign Country Code and a domestic ZIP"}},
        {"foreign address", {}, re({{163, "  "}, {165, Blanks(5)}, {179, "ONTARIO"}, {202, "K1A 0B1"}, {217, "CA"}}),
         {}},
        {"country invalid", {}, re({{217, "XX"}}), {"18 Country Code is invalid"}},
        {"employment code", {}, re({{219, "Z"}}), {"19 A - Agriculture"}},
        {"tax jurisdiction", {}, re({{220, "X"}}), {"20 V - Virgin Islands"}},
        {"third-party sick pay", {}, re({{221, " "}}), {"21 Third-Party Sick Pay, 0"}},
        {"final blank", {}, re({{230, "\t"}, {300, "\x7f"}, {400, "ANY TEXT ~"}}), {"22 position(s) 230 and 300 of"}},
    });
}

TEST(RecordRules, RF) {
    const std::vector<std::string> twoRW = {MakeRE(), MakeRW(), MakeRE(), MakeRW()};
    CheckRows({
        {"count of every block", twoRW, MakeRF(2), {}},
        {"count differs", twoRW, MakeRF(3),
         {"2 Number of RW Records [Position 8 - 16] [000000003] The number of RW records in the submission"}},
        {"no RW record counts 0", {MakeRE()}, MakeRF(0), {}},
        {"no RW record, count 1", {MakeRE()}, MakeRF(1), {"2 does not equal"}},
        {"count not numeric: not compared", twoRW, MakeRF("00000 002"), {"2 Must be numeric. Right justify"}},
        {"blanks", {}, With(MakeRF(0), {{4, "\x01"}, {17, "\x7f"}, {512, "\t"}}),
         {"1 position(s) 4 of", "3 position(s) 17 and 512 of"}},
    });
}

}  // namespace
}  // namespace quorvex::test
