#pragma once

// The fields of each record type by name, in record order: the value of each name is the
// field's index in Layout(type), which is also its box number in the record viewer.
// layouts.cpp checks every list against its layout at compile time.

namespace quorvex {

namespace ra {
enum Index : int {
    kIdentifier, kSubmitterEin, kUserId, kSoftwareVendorCode, kBlank1, kResubIndicator, kResubWfid,
    kSoftwareCode, kCompanyName, kCompanyLocation, kCompanyDelivery, kCompanyCity, kCompanyState,
    kCompanyZip, kCompanyZipExt, kBlank2, kCompanyForeignState, kCompanyForeignPostal, kCompanyCountry,
    kSubmitterName, kSubmitterLocation, kSubmitterDelivery, kSubmitterCity, kSubmitterState, kSubmitterZip,
    kSubmitterZipExt, kBlank3, kSubmitterForeignState, kSubmitterForeignPostal, kSubmitterCountry,
    kContactName, kContactPhone, kContactPhoneExt, kBlank4, kContactEmail, kBlank5, kContactFax,
    kPreferredMethod, kPreparerCode, kBlank6,
    kCount
};
}  // namespace ra

namespace re {
enum Index : int {
    kIdentifier, kTaxYear, kAgentIndicator, kEin, kAgentForEin, kTerminating, kEstablishment, kOtherEin,
    kEmployerName, kLocation, kDelivery, kCity, kState, kZip, kZipExt, kBlank1, kForeignState,
    kForeignPostal, kCountry, kEmploymentCode, kJurisdiction, kSickPayIndicator, kBlank2,
    kCount
};
}  // namespace re

namespace rw {
enum Index : int {
    kIdentifier, kSsn, kFirstName, kMiddleName, kLastName, kSuffix, kLocation, kDelivery, kCity, kState,
    kZip, kZipExt, kBlank1, kForeignState, kForeignPostal, kCountry,
    kWages, kFedTax, kSsWages, kSsTax, kMedWages, kMedTax, kSsTips,
    kAeic, kDependentCare, kDef401k, kDef403b, kDef408k6, kDef457b, kDef501c, kMilitary, kNq457,
    kHsa, kNqNot457, kCombatPay, kBlank2, kGroupTermLife, kStockOptions, kDef409a, kRoth401k,
    kRoth403b, kBlank3, kStatutoryEmployee, kBlank4, kRetirementPlan, kSickPayIndicator, kBlank5,
    kCount
};
}  // namespace rw

namespace ro {
enum Index : int {
    // The money fields between are checked by their class and column.
    kIdentifier, kBlank1, kBlank2 = 10, kBlank3 = 18, kBlank4 = 21,
    kCount
};
}  // namespace ro

namespace rt {
enum Index : int {
    // The money totals between are checked by their class and column.
    kIdentifier, kRwCount, kBlank1 = 21, kSickPayTax = 23, kBlank2 = 28,
    kCount
};
}  // namespace rt

namespace ru {
enum Index : int {
    kIdentifier, kRoCount, kBlank1 = 10, kBlank2 = 20,
    kCount
};
}  // namespace ru

namespace rf {
enum Index : int { kIdentifier, kBlank1, kRwCount, kBlank2, kCount };
}  // namespace rf

}  // namespace quorvex
