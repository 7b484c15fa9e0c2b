#include "validation/layouts.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <unordered_map>

#include "validation/field_names.h"
#include "validation/record_types.h"

namespace quorvex {

namespace {

constexpr auto kCode = FieldClass::Code;
constexpr auto kNum = FieldClass::Numeric;
constexpr auto kNumB = FieldClass::NumericOrBlank;
constexpr auto kMoney = FieldClass::Money;
constexpr auto kName = FieldClass::Name;
constexpr auto kText = FieldClass::Text;
constexpr auto kAlnum = FieldClass::AlphaNumeric;
constexpr auto kAlnumB = FieldClass::AlphaNumericOrBlank;
constexpr auto kState = FieldClass::State;
constexpr auto kCountry = FieldClass::Country;
constexpr auto kBlank = FieldClass::Blank;

constexpr FieldLayout kIdentifier{"Record Identifier", "", 1, 2, kCode, 0, -1};

constexpr std::array kRA{
    kIdentifier,
    FieldLayout{"Submitter's EIN", "", 3, 11, kNum, 1, -1},
    FieldLayout{"User ID", "", 12, 19, kAlnum, 2, -1},
    FieldLayout{"Software Vendor Code", "", 20, 23, kNumB, 3, -1},
    FieldLayout{"Blank", "", 24, 28, kBlank, 4, -1},
    FieldLayout{"Resub Indicator", "", 29, 29, kCode, 5, -1},
    FieldLayout{"Resub WFID", "", 30, 35, kAlnumB, 6, -1},
    FieldLayout{"Software Code", "", 36, 37, kCode, 7, -1},
    FieldLayout{"Company Name", "", 38, 94, kText, 8, -1},
    FieldLayout{"Location Address", "", 95, 116, kText, 9, -1},
    FieldLayout{"Delivery Address", "", 117, 138, kText, 10, -1},
    FieldLayout{"City", "", 139, 160, kText, 11, -1},
    FieldLayout{"State Abbreviation", "", 161, 162, kState, 12, -1},
    FieldLayout{"Zip Code", "", 163, 167, kNumB, 13, -1},
    FieldLayout{"Zip Code Extension", "", 168, 171, kNumB, 14, -1},
    FieldLayout{"Blank", "", 172, 176, kBlank, 15, -1},
    FieldLayout{"Foreign State/Province", "", 177, 199, kText, 16, -1},
    FieldLayout{"Foreign Postal Code", "", 200, 214, kText, 17, -1},
    FieldLayout{"Country Code", "", 215, 216, kCountry, 18, -1},
    FieldLayout{"Submitter Name", "", 217, 273, kText, 19, -1},
    FieldLayout{"Location Address", "", 274, 295, kText, 20, -1},
    FieldLayout{"Delivery Address", "", 296, 317, kText, 21, -1},
    FieldLayout{"City", "", 318, 339, kText, 22, -1},
    FieldLayout{"State Abbreviation", "", 340, 341, kState, 23, -1},
    FieldLayout{"Zip Code", "", 342, 346, kNumB, 24, -1},
    FieldLayout{"Zip Code Extension", "", 347, 350, kNumB, 25, -1},
    FieldLayout{"Blank", "", 351, 355, kBlank, 26, -1},
    FieldLayout{"Foreign State/Province", "", 356, 378, kText, 27, -1},
    FieldLayout{"Foreign Postal Code", "", 379, 393, kText, 28, -1},
    FieldLayout{"Country Code", "", 394, 395, kCountry, 29, -1},
    FieldLayout{"Contact Name", "", 396, 422, kName, 30, -1},
    FieldLayout{"Contact Phone Number", "", 423, 437, kText, 31, -1},
    FieldLayout{"Contact Phone Extension", "", 438, 442, kText, 32, -1},
    FieldLayout{"Blank", "", 443, 445, kBlank, 33, -1},
    FieldLayout{"Contact E-Mail/Internet", "", 446, 485, kText, 34, -1},
    FieldLayout{"Blank", "", 486, 488, kBlank, 35, -1},
    FieldLayout{"Contact Fax", "", 489, 498, kText, 36, -1},
    FieldLayout{"Preferred Method of Problem Notification Code", "", 499, 499, kCode, 37, -1},
    FieldLayout{"Preparer Code", "", 500, 500, kCode, 38, -1},
    FieldLayout{"Blank", "", 501, 512, kBlank, 39, -1},
};

constexpr std::array kRE{
    kIdentifier,
    FieldLayout{"Tax Year", "", 3, 6, kNum, 1, -1},
    FieldLayout{"Agent Indicator Code", "", 7, 7, kCode, 2, -1},
    FieldLayout{"Employer/Agent EIN", "", 8, 16, kNum, 3, -1},
    FieldLayout{"Agent for EIN", "", 17, 25, kNumB, 4, -1},
    FieldLayout{"Terminating Business Indicator", "", 26, 26, kCode, 5, -1},
    FieldLayout{"Establishment Number", "", 27, 30, kText, 6, -1},
    FieldLayout{"Other EIN", "", 31, 39, kNumB, 7, -1},
    FieldLayout{"Employer Name", "", 40, 96, kText, 8, -1},
    FieldLayout{"Location Address", "", 97, 118, kText, 9, -1},
    FieldLayout{"Delivery Address", "", 119, 140, kText, 10, -1},
    FieldLayout{"City", "", 141, 162, kText, 11, -1},
    FieldLayout{"State Abbreviation", "", 163, 164, kState, 12, -1},
    FieldLayout{"Zip Code", "", 165, 169, kNumB, 13, -1},
    FieldLayout{"Zip Code Extension", "", 170, 173, kNumB, 14, -1},
    FieldLayout{"Blank", "", 174, 178, kBlank, 15, -1},
    FieldLayout{"Foreign State/Province", "", 179, 201, kText, 16, -1},
    FieldLayout{"Foreign Postal Code", "", 202, 216, kText, 17, -1},
    FieldLayout{"Country Code", "", 217, 218, kCountry, 18, -1},
    FieldLayout{"Employment Code", "", 219, 219, kCode, 19, -1},
    FieldLayout{"Tax Jurisdiction Code", "", 220, 220, kCode, 20, -1},
    FieldLayout{"Third-Party Sick Pay Indicator", "", 221, 221, kCode, 21, -1},
    FieldLayout{"Blank", "", 222, 512, kBlank, 22, -1},
};

constexpr std::array kRW{
    kIdentifier,
    FieldLayout{"SSN", "", 3, 11, kNum, 1, -1},
    FieldLayout{"Employee First Name", "", 12, 26, kName, 2, -1},
    FieldLayout{"Employee Middle Name or Initial", "", 27, 41, kName, 3, -1},
    FieldLayout{"Employee Last Name", "", 42, 61, kName, 4, -1},
    FieldLayout{"Suffix", "", 62, 65, kText, 5, -1},
    FieldLayout{"Location Address", "", 66, 87, kText, 6, -1},
    FieldLayout{"Delivery Address", "", 88, 109, kText, 7, -1},
    FieldLayout{"City", "", 110, 131, kText, 8, -1},
    FieldLayout{"State Abbreviation", "", 132, 133, kState, 9, -1},
    FieldLayout{"Zip Code", "", 134, 138, kNumB, 10, -1},
    FieldLayout{"Zip Code Extension", "", 139, 142, kNumB, 11, -1},
    FieldLayout{"Blank", "", 143, 147, kBlank, 12, -1},
    FieldLayout{"Foreign State/Province", "", 148, 170, kText, 13, -1},
    FieldLayout{"Foreign Postal Code", "", 171, 185, kText, 14, -1},
    FieldLayout{"Country Code", "", 186, 187, kCountry, 15, -1},
    FieldLayout{"Wages, Tips and Other Compensation", "", 188, 198, kMoney, 16, 1},
    FieldLayout{"Federal Income Tax Withheld", "", 199, 209, kMoney, 17, 2},
    FieldLayout{"Social Security Wages", "", 210, 220, kMoney, 18, 3},
    FieldLayout{"Social Security Tax Withheld", "", 221, 231, kMoney, 19, 4},
    FieldLayout{"Medicare Wages and Tips", "", 232, 242, kMoney, 20, 5},
    FieldLayout{"Medicare Tax Withheld", "", 243, 253, kMoney, 21, 6},
    FieldLayout{"Social Security Tips", "", 254, 264, kMoney, 22, 7},
    FieldLayout{"Advance Earned Income Credit", "", 265, 275, kMoney, 23, 8},
    FieldLayout{"Dependent Care Benefits", "", 276, 286, kMoney, 24, 9},
    FieldLayout{"Deferred Compensation Contributions to Section 401(k)",
                "Def. Comp. Contr. to Sec. 401(k)", 287, 297, kMoney, 25, 10},
    FieldLayout{"Deferred Compensation Contributions to Section 403(b)",
                "Def. Comp. Contr. to Sec. 403(b)", 298, 308, kMoney, 26, 11},
    FieldLayout{"Deferred Compensation Contributions to Section 408(k)(6)",
                "Def. Comp. Contr. to Sec. 408(k)(6)", 309, 319, kMoney, 27, 12},
    FieldLayout{"Deferred Compensation Contributions to Section 457(b)",
                "Def. Comp. Contr. to Sec. 457(b)", 320, 330, kMoney, 28, 13},
    FieldLayout{"Deferred Compensation Contributions to Section 501(c)(18)(D)",
                "Def. Comp. Contr. to Sec. 501(c)(18)(d)", 331, 341, kMoney, 29, 14},
    // The field's own zero-fill rule names it in full: "Military Employee Basic
    // Quarters, Subsistence and Combat Pay".
    FieldLayout{"Military Employee B.Q.S.C. Pay", "", 342, 352, kMoney, 30, 15},
    FieldLayout{"Non-qualified Plan Section 457 Distributions or Contributions",
                "Non-qualified Plan Sec. 457 Distr. or Contr.", 353, 363, kMoney, 31, 16},
    FieldLayout{"Employer Contributions to a Health Savings Account", "", 364, 374, kMoney, 32, 17},
    FieldLayout{"Non-qualified Plan Not Section 457 Distributions or Contributions",
                "Non-qualified Plan Not Sec. 457 Distr. or Contr.", 375, 385, kMoney, 33, 18},
    FieldLayout{"Nontaxable Combat Pay", "", 386, 396, kMoney, 34, 19},
    FieldLayout{"Blank", "", 397, 407, kBlank, 35, -1},
    FieldLayout{"Employer Cost of Premiums for Group Term Life Insurance Over $50,000",
                "Emp. Cost of Prem. for G.T.L.I. Over $50,000", 408, 418, kMoney, 36, 20},
    FieldLayout{"Income from the Exercise of Nonstatutory Stock Options", "", 419, 429, kMoney, 37, 21},
    FieldLayout{"Deferrals Under a Section 409A Non-qualified Deferred Compensation Plan",
                "Def. Under a Sec. 409A Non-qualified Def. Comp. Plan", 430, 440, kMoney, 38, 22},
    FieldLayout{"Designated Roth Contributions to a Section 401(k) Plan",
                "Designated Roth Contr. to a Sec. 401(k) Plan", 441, 451, kMoney, 39, 23},
    FieldLayout{"Designated Roth Contributions Under a Section 403(b) Salary Reduction Agreement",
                "Designated Roth Contr. Under a Sec. 403(b) Salary Reduction Agreement", 452, 462, kMoney, 40,
                24},
    FieldLayout{"Blank", "", 463, 485, kBlank, 41, -1},
    FieldLayout{"Statutory Employee Indicator", "", 486, 486, kCode, 42, -1},
    FieldLayout{"Blank", "", 487, 487, kBlank, 43, -1},
    FieldLayout{"Retirement Plan Indicator", "", 488, 488, kCode, 44, -1},
    FieldLayout{"Third-Party Sick Pay Indicator", "", 489, 489, kCode, 45, -1},
    FieldLayout{"Blank", "", 490, 512, kBlank, 46, -1},
};

constexpr std::array kRO{
    kIdentifier,
    FieldLayout{"Blank", "", 3, 11, kBlank, 1, -1},
    FieldLayout{"Allocated Tips", "", 12, 22, kMoney, 2, 1},
    FieldLayout{"Uncollected Employee Tax on Tips", "", 23, 33, kMoney, 3, 2},
    FieldLayout{"Medical Savings Account", "", 34, 44, kMoney, 4, 3},
    FieldLayout{"Simple Retirement Account", "", 45, 55, kMoney, 5, 4},
    FieldLayout{"Qualified Adoption Expenses", "", 56, 66, kMoney, 6, 5},
    FieldLayout{"Uncollected Social Security or RRTA Tax on Cost of Group Term Life Insurance over $50,000", "", 67,
                77, kMoney, 7, 6},
    FieldLayout{"Uncollected Medicare Tax on Cost of Group Term Life Insurance over $50,000", "", 78, 88, kMoney, 8,
                7},
    FieldLayout{"Income Under Section 409A on a Non-qualified Deferred Compensation Plan", "", 89, 99, kMoney, 9, 8},
    FieldLayout{"Blank", "", 100, 274, kBlank, 10, -1},
    FieldLayout{"Wages Subject to Puerto Rico Tax", "", 275, 285, kMoney, 11, 9},
    FieldLayout{"Commissions Subject to Puerto Rico Tax", "", 286, 296, kMoney, 12, 10},
    FieldLayout{"Allowances Subject to Puerto Rico Tax", "", 297, 307, kMoney, 13, 11},
    FieldLayout{"Tips Subject to Puerto Rico Tax", "", 308, 318, kMoney, 14, 12},
    FieldLayout{"Total Wages, Commissions, Tips and Allowances Subject to Puerto Rico Tax", "", 319, 329, kMoney, 15,
                13},
    FieldLayout{"Puerto Rico Tax Withheld", "", 330, 340, kMoney, 16, 14},
    FieldLayout{"Retirement Fund Annual Contributions", "", 341, 351, kMoney, 17, 15},
    FieldLayout{"Blank", "", 352, 362, kBlank, 18, -1},
    FieldLayout{"Total Wages, Tips and Other Compensation Subject to Virgin Islands, Guam, American Samoa or "
                "Northern Mariana Islands Income Tax",
                "", 363, 373, kMoney, 19, 16},
    FieldLayout{"Virgin Islands, Guam, American Samoa or Northern Mariana Islands Income Tax Withheld",
                "Virgin Islands, Guam, American Samoa or Northern Mariana Islands Income Tax", 374, 384, kMoney, 20,
                17},
    FieldLayout{"Blank", "", 385, 512, kBlank, 21, -1},
};

constexpr std::array kRT{
    kIdentifier,
    FieldLayout{"Number of RW Records", "", 3, 9, kNum, 1, 0},
    FieldLayout{"Wages, Tips and Other Compensation", "", 10, 24, kMoney, 2, 1},
    FieldLayout{"Federal Income Tax Withheld", "", 25, 39, kMoney, 3, 2},
    FieldLayout{"Social Security Wages", "", 40, 54, kMoney, 4, 3},
    FieldLayout{"Social Security Tax Withheld", "", 55, 69, kMoney, 5, 4},
    FieldLayout{"Medicare Wages and Tips", "", 70, 84, kMoney, 6, 5},
    FieldLayout{"Medicare Tax Withheld", "", 85, 99, kMoney, 7, 6},
    FieldLayout{"Social Security Tips", "", 100, 114, kMoney, 8, 7},
    FieldLayout{"Advance Earned Income Credit", "", 115, 129, kMoney, 9, 8},
    FieldLayout{"Dependent Care Benefits", "", 130, 144, kMoney, 10, 9},
    FieldLayout{"Deferred Compensation Contributions to Section 401(k)",
                "Def. Comp. Contr. to Sec. 401(k)", 145, 159, kMoney, 11, 10},
    FieldLayout{"Deferred Compensation Contributions to Section 403(b)",
                "Def. Comp. Contr. to Sec. 403(b)", 160, 174, kMoney, 12, 11},
    FieldLayout{"Deferred Compensation Contributions to Section 408(k)(6)",
                "Def. Comp. Contr. to Sec. 408(k)(6)", 175, 189, kMoney, 13, 12},
    FieldLayout{"Deferred Compensation Contributions to Section 457(b)",
                "Def. Comp. Contr. to Sec. 457(b)", 190, 204, kMoney, 14, 13},
    FieldLayout{"Deferred Compensation Contributions to Section 501(c)(18)(D)",
                "Def. Comp. Contr. to Sec. 501(c)(18)(d)", 205, 219, kMoney, 15, 14},
    FieldLayout{"Military Employee Basic Quarters, Subsistence and Combat Pay", "Military Employee B.Q.S.C. Pay",
                220, 234, kMoney, 16, 15},
    FieldLayout{"Non-qualified Plan Section 457 Distributions or Contributions",
                "Non-qualified Plan Sec. 457 Distr. or Contr.", 235, 249, kMoney, 17, 16},
    FieldLayout{"Employer Contributions to a Health Savings Account", "", 250, 264, kMoney, 18, 17},
    FieldLayout{"Non-qualified Plan Not Section 457 Distributions or Contributions",
                "Non-qualified Plan Not Sec. 457 Distr. or Contr.", 265, 279, kMoney, 19, 18},
    FieldLayout{"Nontaxable Combat Pay", "", 280, 294, kMoney, 20, 19},
    FieldLayout{"Blank", "", 295, 309, kBlank, 21, -1},
    FieldLayout{"Employer Cost of Premiums for Group Term Life Insurance Over $50,000",
                "Emp. Cost of Prem. for G.T.L.I. Over $50,000", 310, 324, kMoney, 22, 20},
    // Reported by the employer only; no RW field adds into it.
    FieldLayout{"Income Tax Withheld by Payer of Third-Party Sick Pay",
                "Inc. Tax Withheld by Payer of Third-Party Sick Pay", 325, 339, kMoney, 23, -1},
    FieldLayout{"Income from the Exercise of Nonstatutory Stock Options", "", 340, 354, kMoney, 24, 21},
    FieldLayout{"Deferrals Under a Section 409A Non-qualified Deferred Compensation Plan",
                "Deferrals Under a Sec. 409A Non-qualified Def. Comp. Plan", 355, 369, kMoney, 25, 22},
    FieldLayout{"Designated Roth Contributions to a Section 401(k) Plan",
                "Designated Roth Contr. to a Sec. 401(k) Plan", 370, 384, kMoney, 26, 23},
    FieldLayout{"Designated Roth Contributions Under a Section 403(b) Salary Reduction Agreement",
                "Designated Roth Contr. Under a Sec. 403(b) Salary Reduction Agreement", 385, 399, kMoney, 27, 24},
    FieldLayout{"Blank", "", 400, 512, kBlank, 28, -1},
};

constexpr std::array kRU{
    kIdentifier,
    FieldLayout{"Number of RO Records", "", 3, 9, kNum, 1, 0},
    FieldLayout{"Allocated Tips", "", 10, 24, kMoney, 2, 1},
    FieldLayout{"Uncollected Employee Tax on Tips", "", 25, 39, kMoney, 3, 2},
    FieldLayout{"Medical Savings Account", "", 40, 54, kMoney, 4, 3},
    FieldLayout{"Simple Retirement Account", "", 55, 69, kMoney, 5, 4},
    FieldLayout{"Qualified Adoption Expenses", "", 70, 84, kMoney, 6, 5},
    FieldLayout{"Uncollected Social Security or RRTA Tax on Cost of Group Term Life Insurance over $50,000", "", 85,
                99, kMoney, 7, 6},
    FieldLayout{"Uncollected Medicare Tax on Cost of Group Term Life Insurance over $50,000", "", 100, 114, kMoney,
                8, 7},
    FieldLayout{"Income Under Section 409A on a Non-qualified Deferred Compensation Plan", "", 115, 129, kMoney, 9,
                8},
    FieldLayout{"Blank", "", 130, 354, kBlank, 10, -1},
    FieldLayout{"Wages Subject to Puerto Rico Tax", "", 355, 369, kMoney, 11, 9},
    FieldLayout{"Commissions Subject to Puerto Rico Tax", "", 370, 384, kMoney, 12, 10},
    FieldLayout{"Allowances Subject to Puerto Rico Tax", "", 385, 399, kMoney, 13, 11},
    FieldLayout{"Tips Subject to Puerto Rico Tax", "", 400, 414, kMoney, 14, 12},
    FieldLayout{"Total Wages, Commissions, Tips and Allowances Subject to Puerto Rico Tax", "", 415, 429, kMoney, 15,
                13},
    FieldLayout{"Puerto Rico Tax Withheld", "", 430, 444, kMoney, 16, 14},
    FieldLayout{"Retirement Fund Annual Contributions", "", 445, 459, kMoney, 17, 15},
    FieldLayout{"Total Wages, Tips and Other Compensation Subject to Virgin Islands, Guam, American Samoa or "
                "Northern Mariana Islands Income Tax",
                "", 460, 474, kMoney, 18, 16},
    FieldLayout{"Virgin Islands, Guam, American Samoa or Northern Mariana Islands Income Tax Withheld",
                "Virgin Islands, Guam, American Samoa or Northern Mariana Islands Income Tax", 475, 489, kMoney, 19,
                17},
    FieldLayout{"Blank", "", 490, 512, kBlank, 20, -1},
};

constexpr std::array kRF{
    kIdentifier,
    FieldLayout{"Blank", "", 3, 7, kBlank, 1, -1},
    FieldLayout{"Number of RW Records", "", 8, 16, kNum, 2, -1},
    FieldLayout{"Blank", "", 17, 512, kBlank, 3, -1},
};

// Every layout covers positions 1-512 without gap or overlap, numbered in order.
template <std::size_t N>
constexpr bool WellFormed(const std::array<FieldLayout, N>& fields) {
    int next = 1;
    for (std::size_t i = 0; i < N; ++i) {
        if (fields[i].index != static_cast<int>(i) || fields[i].first != next || fields[i].last < fields[i].first)
            return false;
        next = fields[i].last + 1;
    }
    return next == 513;
}
static_assert(WellFormed(kRA) && kRA.size() == ra::kCount);
static_assert(WellFormed(kRE) && kRE.size() == re::kCount);
static_assert(WellFormed(kRW) && kRW.size() == rw::kCount);
static_assert(WellFormed(kRO) && kRO.size() == ro::kCount);
static_assert(WellFormed(kRT) && kRT.size() == rt::kCount);
static_assert(WellFormed(kRU) && kRU.size() == ru::kCount);
static_assert(WellFormed(kRF) && kRF.size() == rf::kCount);

// Each name of field_names.h stands where its field begins.
template <std::size_t N>
constexpr bool Named(const std::array<FieldLayout, N>& fields, int index, int first, std::string_view caption) {
    const FieldLayout& f = fields[static_cast<std::size_t>(index)];
    return f.first == first && f.caption == caption;
}
static_assert(Named(kRA, ra::kUserId, 12, "User ID") && Named(kRA, ra::kBlank1, 24, "Blank") &&
              Named(kRA, ra::kResubWfid, 30, "Resub WFID") && Named(kRA, ra::kCompanyName, 38, "Company Name") &&
              Named(kRA, ra::kCompanyState, 161, "State Abbreviation") &&
              Named(kRA, ra::kCompanyCountry, 215, "Country Code") &&
              Named(kRA, ra::kSubmitterName, 217, "Submitter Name") &&
              Named(kRA, ra::kSubmitterState, 340, "State Abbreviation") &&
              Named(kRA, ra::kSubmitterCountry, 394, "Country Code") &&
              Named(kRA, ra::kContactName, 396, "Contact Name") &&
              Named(kRA, ra::kContactEmail, 446, "Contact E-Mail/Internet") &&
              Named(kRA, ra::kPreferredMethod, 499, "Preferred Method of Problem Notification Code") &&
              Named(kRA, ra::kBlank6, 501, "Blank"));
static_assert(Named(kRE, re::kTaxYear, 3, "Tax Year") && Named(kRE, re::kEin, 8, "Employer/Agent EIN") &&
              Named(kRE, re::kOtherEin, 31, "Other EIN") && Named(kRE, re::kEmployerName, 40, "Employer Name") &&
              Named(kRE, re::kState, 163, "State Abbreviation") && Named(kRE, re::kCountry, 217, "Country Code") &&
              Named(kRE, re::kEmploymentCode, 219, "Employment Code") &&
              Named(kRE, re::kJurisdiction, 220, "Tax Jurisdiction Code") && Named(kRE, re::kBlank2, 222, "Blank"));
static_assert(Named(kRW, rw::kSsn, 3, "SSN") && Named(kRW, rw::kMiddleName, 27, "Employee Middle Name or Initial") &&
              Named(kRW, rw::kSuffix, 62, "Suffix") && Named(kRW, rw::kState, 132, "State Abbreviation") &&
              Named(kRW, rw::kBlank1, 143, "Blank") && Named(kRW, rw::kCountry, 186, "Country Code") &&
              Named(kRW, rw::kWages, 188, "Wages, Tips and Other Compensation") &&
              Named(kRW, rw::kSsWages, 210, "Social Security Wages") &&
              Named(kRW, rw::kSsTips, 254, "Social Security Tips") &&
              Named(kRW, rw::kAeic, 265, "Advance Earned Income Credit") &&
              Named(kRW, rw::kMilitary, 342, "Military Employee B.Q.S.C. Pay") &&
              Named(kRW, rw::kBlank2, 397, "Blank") && Named(kRW, rw::kRoth403b, 452, kRW[40].caption) &&
              Named(kRW, rw::kBlank3, 463, "Blank") && Named(kRW, rw::kStatutoryEmployee, 486, kRW[42].caption) &&
              Named(kRW, rw::kSickPayIndicator, 489, "Third-Party Sick Pay Indicator") &&
              Named(kRW, rw::kBlank5, 490, "Blank"));
static_assert(Named(kRO, ro::kBlank2, 100, "Blank") && Named(kRO, ro::kBlank3, 352, "Blank") &&
              Named(kRO, ro::kBlank4, 385, "Blank") && Named(kRT, rt::kRwCount, 3, "Number of RW Records") &&
              Named(kRT, rt::kBlank1, 295, "Blank") && Named(kRT, rt::kSickPayTax, 325, kRT[23].caption) &&
              Named(kRT, rt::kBlank2, 400, "Blank") && Named(kRU, ru::kRoCount, 3, "Number of RO Records") &&
              Named(kRU, ru::kBlank1, 130, "Blank") && Named(kRU, ru::kBlank2, 490, "Blank") &&
              Named(kRF, rf::kRwCount, 8, "Number of RW Records"));

}  // namespace

std::span<const FieldLayout> Layout(RecordType type) {
    switch (type) {
        case RecordType::RA: return kRA;
        case RecordType::RE: return kRE;
        case RecordType::RW: return kRW;
        case RecordType::RO: return kRO;
        case RecordType::RT: return kRT;
        case RecordType::RU: return kRU;
        case RecordType::RF: return kRF;
    }
    return {};
}

const FieldLayout& Field(RecordType type, int index) {
    return Layout(type)[static_cast<std::size_t>(index)];
}

std::optional<RecordType> RecordTypeOf(std::string_view id) {
    const RecordTypeRow* t = FindRecordType(id);
    return t ? t->layout : std::nullopt;
}

std::string Reference(std::string_view caption, int first, int last) {
    // " [Position F]" or " [Position F - L]", written without a format: every error makes one.
    char pos[48] = " [Position ";
    char* end = std::to_chars(pos + 11, pos + 24, first).ptr;
    if (first != last) {
        end = std::copy_n(" - ", 3, end);
        end = std::to_chars(end, end + 12, last).ptr;
    }
    *end++ = ']';
    std::string ref;
    ref.reserve(caption.size() + static_cast<std::size_t>(end - pos));
    ref.append(caption);
    ref.append(pos, end);
    return ref;
}

std::string Reference(const FieldLayout& f) { return Reference(f.caption, f.first, f.last); }

std::pair<int, int> ReferencePositions(std::string_view reference) {
    static const auto* const fields = [] {
        auto* byReference = new std::unordered_map<std::string, const FieldLayout*>;
        for (const RecordTypeRow& type : RecordTypes())
            if (type.layout)
                for (const FieldLayout& f : Layout(*type.layout))
                    if (f.first > 0) byReference->emplace(Reference(f), &f);
        return byReference;
    }();
    if (const auto at = fields->find(std::string(reference)); at != fields->end())
        return {at->second->first, at->second->last};
    constexpr std::string_view kPosition = "[Position ";
    const std::size_t at = reference.find(kPosition);
    if (at == std::string_view::npos) return {0, 0};
    std::size_t i = at + kPosition.size();
    auto number = [&] {
        int n = 0;
        for (; i < reference.size() && reference[i] >= '0' && reference[i] <= '9'; ++i)
            if ((n = n * 10 + (reference[i] - '0')) > 512) return 0;
        return n;
    };
    const int first = number();
    if (first == 0) return {0, 0};
    while (i < reference.size() && (reference[i] == ' ' || reference[i] == '-')) ++i;
    const int last = number();
    return {first, last >= first ? last : first};
}

std::string UserEntry(std::string_view fieldText) {
    std::string entry;
    entry.reserve(fieldText.size() + 2);
    entry.push_back('[');
    entry.append(fieldText);
    entry.push_back(']');
    return entry;
}

}  // namespace quorvex
