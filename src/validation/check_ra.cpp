#include <string>

#include "errorlog/findings.h"
#include "validation/check_primitives.h"
#include "validation/validators.h"

namespace quorvex {

namespace {

constexpr std::string_view kMsgSubmitterEinPrefix =
    "Must not start with 07, 08, 09, 17, 18, 19, 28, 29, 49, 69, 70, 78, 79 or 89. "
    "This is a mandatory field and must contain only valid numeric data.";
constexpr std::string_view kMsgResubIndicator = "Enter appropriate code: 1 - File being resubmitted, 0 - Other.";
constexpr std::string_view kMsgWfidMustBeBlank =
    "If Resub Indicator [Position 29] equals zero, then the Resub WFID field  must be blank. If this is an "
    "original submission, then change the Resub WFID field to blank. If this is a resubmission, then enter 1 "
    "in the Resub Indicator field.";
constexpr std::string_view kMsgWfidBlank =
    "If Resub Indicator [Position 29] equals 1, then the Resub WFID field cannot be blank. The 6 digit WFID is "
    "located on the notice sent by Orvanta.";
constexpr std::string_view kMsgSoftwareCode = "Must be either 98 or 99.";
constexpr std::string_view kMsgPostalDelivery =
    "If Preferred Method of Problem Notification Code [Position 499] equals 2, then the Delivery Address field "
    "cannot be blank.";
constexpr std::string_view kMsgPostalCity =
    "If Preferred Method of Problem Notification Code [Position 499] equals 2, then the City field cannot be "
    "blank.";
constexpr std::string_view kMsgPostalState =
    "If Preferred Method of Problem Notification Code [Position 499] equals 2, then the State Abbreviation "
    "field cannot be blank.";
constexpr std::string_view kMsgPostalStateOrForeign =
    "If Preferred Method of Problem Notification Code [Position 499] equals 2, then complete the State "
    "Abbreviation or Foreign State/Province [Position 356 - 378] field.";
constexpr std::string_view kMsgPostalZip =
    "If Preferred Method of Problem Notification Code [Position 499] equals 2, then the Zip Code field cannot "
    "be blank.";
constexpr std::string_view kMsgPostalZipOrForeign =
    "If Preferred Method of Problem Notification Code [Position 499] equals 2, then complete the Zip Code or "
    "Foreign Postal Code [Position 379 - 393] field.";
constexpr std::string_view kMsgPhoneBlank =
    "Enter a valid contact phone number. Orvanta needs a valid contact phone number to notify "
    "you if there is a problem with the wage report submission.";
constexpr std::string_view kMsgPhoneOrEmail = "Enter Contact Phone Number or Contact E-Mail/Internet.";
constexpr std::string_view kMsgEmailBlank =
    "If Preferred Method of Problem Notification Code [Position 499] equals 1, then the Contact E-Mail/Internet "
    "field cannot be blank.";
// The one reference written without blanks around the hyphen.
constexpr std::string_view kRefEmailTight = "Contact E-Mail/Internet [Position 446-485]";
constexpr std::string_view kMsgPreferredMethod =
    "Enter appropriate code: 1 - E-Mail/Internet, 2 - U.S. Postal Service.";
constexpr std::string_view kMsgPreparer =
    "Enter appropriate code: A - Accounting Firm, L - Self-Prepared, S - Service Bureau, P - Parent Company, "
    "O - Other.";

constexpr int kUserIdIndex = 2;

const FieldLayout& RA(int index) { return Field(RecordType::RA, index); }

// One address block of the RA record: State, Zip Code, Zip Code Extension, Blank,
// Foreign State/Province, Foreign Postal Code and Country Code, starting at field
// `state`. Returns whether State, Zip Code and Country Code all passed, so that the
// caller makes the cross-check. `postal` adds the rules of the preferred method "2"
// (the submitter block only).
bool CheckAddressBlock(Findings& out, std::string_view rec, int state, bool postal) {
    bool flag = true;
    const FieldLayout& stateF = RA(state);
    const FieldLayout& zipF = RA(state + 1);
    const FieldLayout& extF = RA(state + 2);
    const FieldLayout& foreignStateF = RA(state + 4);
    const FieldLayout& foreignPostalF = RA(state + 5);
    const FieldLayout& countryF = RA(state + 6);

    if (!CheckState(out, rec, stateF)) flag = false;
    if (postal) {
        const bool stateBlank = IsBlank(Cut(rec, stateF));
        const bool foreignBlank = IsBlank(Cut(rec, foreignStateF));
        if (stateBlank && foreignBlank) {
            Report(out, rec, stateF, kMsgPostalState);
        } else if (!stateBlank && !foreignBlank) {
            Report(out, rec, stateF, kMsgPostalStateOrForeign);
        }
    }

    if (!CheckNumericOrBlank(out, rec, zipF)) flag = false;
    if (postal) {
        const bool zipBlank = IsBlank(Cut(rec, zipF));
        const bool foreignBlank = IsBlank(Cut(rec, foreignPostalF));
        if (zipBlank && foreignBlank) {
            Report(out, rec, zipF, kMsgPostalZip);
        } else if (!zipBlank && !foreignBlank) {
            Report(out, rec, zipF, kMsgPostalZipOrForeign);
        }
    }

    CheckZipExtension(out, rec, zipF, extF);
    CheckChars(out, rec, RA(state + 3));  // Blank
    CheckChars(out, rec, foreignStateF);
    CheckChars(out, rec, foreignPostalF);
    if (!CheckCountry(out, rec, countryF)) flag = false;
    return flag;
}

}  // namespace

void CheckCodeRA(std::string_view txtline, CheckContext& ctx) {
    Findings& out = ctx.findings;
    const std::string_view method = Cut(txtline, RA(37));
    const bool byMail = method == "1";
    const bool byPost = method == "2";

    // 1 Submitter's EIN: the record's reference in the log.
    const FieldLayout& einF = RA(1);
    const std::string_view ein = Cut(txtline, einF);
    out.SetRecReference(ein);
    if (!NumCheck(ein)) {
        Report(out, txtline, einF, kMsgMandatoryNumeric);
    } else if (BadSubmitterEinPrefix(ein)) {
        Report(out, txtline, einF, kMsgSubmitterEinPrefix);
    }

    // 2 User ID. One that passes is not kept in the log: the stored record gets eight
    // asterisks in its place, and the verdict is kept for the viewer's re-check of it.
    const FieldLayout& userIdF = RA(kUserIdIndex);
    const bool userIdOK = UserIdCheck(Cut(txtline, userIdF));
    if (!userIdOK) Report(out, txtline, userIdF, kMsgUserId);
    out.UserIdChecked(userIdOK, txtline, userIdF.first, kUserIdIndex);

    // 3-4 Software Vendor Code, Blank
    CheckNumericOrBlank(out, txtline, RA(3));
    CheckChars(out, txtline, RA(4));

    // 5-6 Resub Indicator and WFID: only the first case that applies is reported.
    const std::string_view resub = Cut(txtline, RA(5));
    CheckCode(out, txtline, RA(5), {"0", "1"}, kMsgResubIndicator);
    const FieldLayout& wfidF = RA(6);
    const std::string_view wfid = Cut(txtline, wfidF);
    if (resub == "0" && !IsBlank(wfid)) {
        Report(out, txtline, wfidF, kMsgWfidMustBeBlank);
    } else if (resub == "1" && IsBlank(wfid)) {
        Report(out, txtline, wfidF, kMsgWfidBlank);
    } else if (resub == "1" && !AlphaNumCheck(wfid)) {
        Report(out, txtline, wfidF, kMsgAlphaNum);
    }

    // 7 Software Code
    CheckCode(out, txtline, RA(7), {"98", "99"}, kMsgSoftwareCode);

    // 8-18 the company: name, address and its cross-check
    for (int i = 8; i <= 11; ++i) CheckChars(out, txtline, RA(i));
    if (CheckAddressBlock(out, txtline, 12, false)) CountryZipCheck(out, txtline, AddressBlock::RACompany);

    // 19-29 the submitter: name, address (needed when problems are notified by post)
    CheckChars(out, txtline, RA(19));
    CheckChars(out, txtline, RA(20));
    CheckChars(out, txtline, RA(21));
    if (byPost && IsBlank(Cut(txtline, RA(21)))) Report(out, txtline, RA(21), kMsgPostalDelivery);
    CheckChars(out, txtline, RA(22));
    if (byPost && IsBlank(Cut(txtline, RA(22)))) Report(out, txtline, RA(22), kMsgPostalCity);
    if (CheckAddressBlock(out, txtline, 23, byPost)) CountryZipCheck(out, txtline, AddressBlock::RASubmitter);

    // 30 Contact Name (may be blank)
    const FieldLayout& nameF = RA(30);
    if (!NameCheck(Cut(txtline, nameF))) Report(out, txtline, nameF, kMsgName);

    // 31 Contact Phone Number: only tested for being blank.
    const FieldLayout& phoneF = RA(31);
    const FieldLayout& emailF = RA(34);
    const bool phoneBlank = IsBlank(Cut(txtline, phoneF));
    const bool emailBlank = IsBlank(Cut(txtline, emailF));
    if (phoneBlank) Report(out, txtline, phoneF, kMsgPhoneBlank);
    if (phoneBlank && emailBlank) Report(out, txtline, phoneF, kMsgPhoneOrEmail);

    // 32-33 Contact Phone Extension, Blank
    CheckChars(out, txtline, RA(32));
    CheckChars(out, txtline, RA(33));

    // 34 Contact E-Mail/Internet (needed when problems are notified by e-mail)
    if (byMail && emailBlank) {
        out.FieldError(kRefEmailTight, UserEntry(Cut(txtline, emailF)), kMsgEmailBlank, emailF.index);
    }
    CheckChars(out, txtline, emailF);

    // 35-39 Blank, Contact Fax, Preferred Method of Problem Notification Code, Preparer Code, Blank
    CheckChars(out, txtline, RA(35));
    CheckChars(out, txtline, RA(36));
    CheckCode(out, txtline, RA(37), {"1", "2"}, kMsgPreferredMethod);
    CheckCode(out, txtline, RA(38), {"A", "L", "S", "P", "O"}, kMsgPreparer);
    CheckChars(out, txtline, RA(39));
}

}  // namespace quorvex
