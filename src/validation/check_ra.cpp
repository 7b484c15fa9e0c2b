#include <string>

#include "errorlog/findings.h"
#include "validation/check_primitives.h"
#include "validation/field_names.h"
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

const FieldLayout& RA(ra::Index field) { return Field(RecordType::RA, field); }

// The fields of one address block of the RA record.
struct RaAddress {
    ra::Index state, zip, zipExt, blank, foreignState, foreignPostal, country;
};
constexpr RaAddress kCompanyAddress{ra::kCompanyState, ra::kCompanyZip, ra::kCompanyZipExt, ra::kBlank2,
                                    ra::kCompanyForeignState, ra::kCompanyForeignPostal, ra::kCompanyCountry};
constexpr RaAddress kSubmitterAddress{ra::kSubmitterState, ra::kSubmitterZip, ra::kSubmitterZipExt, ra::kBlank3,
                                      ra::kSubmitterForeignState, ra::kSubmitterForeignPostal,
                                      ra::kSubmitterCountry};

// One address block of the RA record: State, Zip Code, Zip Code Extension, Blank,
// Foreign State/Province, Foreign Postal Code and Country Code. Returns whether State,
// Zip Code and Country Code all passed, so that the caller makes the cross-check.
// `postal` adds the rules of the preferred method "2" (the submitter block only).
bool CheckAddressBlock(Findings& out, const RecordText& rec, const RaAddress& block, bool postal) {
    bool flag = true;
    const FieldLayout& stateF = RA(block.state);
    const FieldLayout& zipF = RA(block.zip);
    const FieldLayout& extF = RA(block.zipExt);
    const FieldLayout& foreignStateF = RA(block.foreignState);
    const FieldLayout& foreignPostalF = RA(block.foreignPostal);
    const FieldLayout& countryF = RA(block.country);

    if (!CheckState(out, rec, stateF)) flag = false;
    if (postal) {
        const bool stateBlank = rec.Blank(stateF);
        const bool foreignBlank = rec.Blank(foreignStateF);
        if (stateBlank && foreignBlank) {
            Report(out, rec, stateF, kMsgPostalState);
        } else if (!stateBlank && !foreignBlank) {
            Report(out, rec, stateF, kMsgPostalStateOrForeign);
        }
    }

    if (!CheckNumericOrBlank(out, rec, zipF)) flag = false;
    if (postal) {
        const bool zipBlank = rec.Blank(zipF);
        const bool foreignBlank = rec.Blank(foreignPostalF);
        if (zipBlank && foreignBlank) {
            Report(out, rec, zipF, kMsgPostalZip);
        } else if (!zipBlank && !foreignBlank) {
            Report(out, rec, zipF, kMsgPostalZipOrForeign);
        }
    }

    CheckZipExtension(out, rec, zipF, extF);
    CheckChars(out, rec, RA(block.blank));
    CheckChars(out, rec, foreignStateF);
    CheckChars(out, rec, foreignPostalF);
    if (!CheckCountry(out, rec, countryF)) flag = false;
    return flag;
}

// 30-39: the contact, the preferred method of problem notification and the preparer.
void CheckContact(Findings& out, const RecordText& rec) {
    // 30 Contact Name (may be blank)
    const FieldLayout& nameF = RA(ra::kContactName);
    if (!rec.NameChars(nameF)) Report(out, rec, nameF, kMsgName);

    // 31 Contact Phone Number: only tested for being blank.
    const FieldLayout& phoneF = RA(ra::kContactPhone);
    const FieldLayout& emailF = RA(ra::kContactEmail);
    const bool phoneBlank = rec.Blank(phoneF);
    const bool emailBlank = rec.Blank(emailF);
    if (phoneBlank) Report(out, rec, phoneF, kMsgPhoneBlank);
    if (phoneBlank && emailBlank) Report(out, rec, phoneF, kMsgPhoneOrEmail);

    // 32-33 Contact Phone Extension, Blank
    CheckChars(out, rec, RA(ra::kContactPhoneExt));
    CheckChars(out, rec, RA(ra::kBlank4));

    // 34 Contact E-Mail/Internet (needed when problems are notified by e-mail)
    if (rec.Cut(RA(ra::kPreferredMethod)) == "1" && emailBlank) {
        out.FieldError(kRefEmailTight, UserEntry(rec.Cut(emailF)), kMsgEmailBlank, emailF.index);
    }
    CheckChars(out, rec, emailF);

    // 35-39 Blank, Contact Fax, Preferred Method of Problem Notification Code, Preparer Code, Blank
    CheckChars(out, rec, RA(ra::kBlank5));
    CheckChars(out, rec, RA(ra::kContactFax));
    CheckCode(out, rec, RA(ra::kPreferredMethod), {"1", "2"}, kMsgPreferredMethod);
    CheckCode(out, rec, RA(ra::kPreparerCode), {"A", "L", "S", "P", "O"}, kMsgPreparer);
    CheckChars(out, rec, RA(ra::kBlank6));
}

}  // namespace

void CheckCodeRA(std::string_view txtline, CheckContext& ctx) {
    Findings& out = ctx.findings;
    const RecordText rec(txtline);
    const bool byPost = rec.Cut(RA(ra::kPreferredMethod)) == "2";

    // 1 Submitter's EIN: the record's reference in the log.
    const FieldLayout& einF = RA(ra::kSubmitterEin);
    const std::string_view ein = rec.Cut(einF);
    out.SetRecReference(ein);
    if (!rec.Digits(einF)) {
        Report(out, rec, einF, kMsgMandatoryNumeric);
    } else if (BadSubmitterEinPrefix(ein)) {
        Report(out, rec, einF, kMsgSubmitterEinPrefix);
    }

    // 2 User ID. One that passes is not kept in the log: the stored record gets eight
    // asterisks in its place, and the verdict is kept for the viewer's re-check of it.
    const FieldLayout& userIdF = RA(ra::kUserId);
    const bool userIdOK = UserIdCheck(rec.Cut(userIdF));
    if (!userIdOK) Report(out, rec, userIdF, kMsgUserId);
    out.UserIdChecked(userIdOK, txtline, userIdF.first, ra::kUserId);

    // 3-4 Software Vendor Code, Blank
    CheckNumericOrBlank(out, rec, RA(ra::kSoftwareVendorCode));
    CheckChars(out, rec, RA(ra::kBlank1));

    // 5-6 Resub Indicator and WFID: only the first case that applies is reported.
    const std::string_view resub = rec.Cut(RA(ra::kResubIndicator));
    CheckCode(out, rec, RA(ra::kResubIndicator), {"0", "1"}, kMsgResubIndicator);
    const FieldLayout& wfidF = RA(ra::kResubWfid);
    if (resub == "0" && !rec.Blank(wfidF)) {
        Report(out, rec, wfidF, kMsgWfidMustBeBlank);
    } else if (resub == "1" && rec.Blank(wfidF)) {
        Report(out, rec, wfidF, kMsgWfidBlank);
    } else if (resub == "1" && !rec.AlphaNum(wfidF)) {
        Report(out, rec, wfidF, kMsgAlphaNum);
    }

    // 7 Software Code
    CheckCode(out, rec, RA(ra::kSoftwareCode), {"98", "99"}, kMsgSoftwareCode);

    // 8-18 the company: name, address and its cross-check
    for (ra::Index f : {ra::kCompanyName, ra::kCompanyLocation, ra::kCompanyDelivery, ra::kCompanyCity})
        CheckChars(out, rec, RA(f));
    if (CheckAddressBlock(out, rec, kCompanyAddress, false)) CountryZipCheck(out, rec, AddressBlock::RACompany);

    // 19-29 the submitter: name, address (needed when problems are notified by post)
    CheckChars(out, rec, RA(ra::kSubmitterName));
    CheckChars(out, rec, RA(ra::kSubmitterLocation));
    const FieldLayout& deliveryF = RA(ra::kSubmitterDelivery);
    CheckChars(out, rec, deliveryF);
    if (byPost && rec.Blank(deliveryF)) Report(out, rec, deliveryF, kMsgPostalDelivery);
    const FieldLayout& cityF = RA(ra::kSubmitterCity);
    CheckChars(out, rec, cityF);
    if (byPost && rec.Blank(cityF)) Report(out, rec, cityF, kMsgPostalCity);
    if (CheckAddressBlock(out, rec, kSubmitterAddress, byPost)) CountryZipCheck(out, rec, AddressBlock::RASubmitter);

    CheckContact(out, rec);
}

}  // namespace quorvex
