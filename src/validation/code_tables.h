#pragma once

#include <optional>
#include <string_view>

namespace quorvex {

// The tax years the program accepts: it is built for tax year 2008.
inline constexpr int kFirstTaxYear = 1978;
inline constexpr int kLastTaxYear = 2008;

// True when `code` is in the state table (two spaces included). Case-sensitive.
bool StateCheck(std::string_view code);
// True when `code` is a country code or two spaces. Case-sensitive.
bool CountryCheck(std::string_view code);

// True when the first two characters of `ein` are a prefix an employer EIN (employer,
// agent for, other) must not start with: 00, 07, 08, 09, 17, 18, 19, 28, 29, 49, 69,
// 70, 78, 79, 89. Looks at the characters only, numeric or not.
bool BadEmployerEinPrefix(std::string_view ein);
// The same for the submitter's EIN, where 00 is allowed.
bool BadSubmitterEinPrefix(std::string_view ein);

// The wage bases of a tax year, in dollars; a value the year does not have is 0.
struct WageBases {
    double priorYearMax = 0;    // the previous year's Social Security maximum
    double currentYearMax = 0;  // the year's Social Security maximum
    double medicareMax = 0;     // 1983-1993 only
    double householdMin = 0;    // from 1995
};

// The wage bases of `taxYear` (1978-2008); nullopt for any other year.
std::optional<WageBases> WageBaseLimits(int taxYear);

}  // namespace quorvex
