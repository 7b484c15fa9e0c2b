#pragma once

#include <string_view>

namespace quorvex {

struct CheckContext;

// Territory categories of the RW and RO money amounts: which Tax Jurisdiction Codes of the
// employer allow a non-zero amount. Any other value is a code category: the amount is
// allowed only when the employer's accepted code equals it (" " or "P").
inline constexpr std::string_view kTerrIslands = "Islands";
inline constexpr std::string_view kTerrNotP = "Not P";
inline constexpr std::string_view kTerrNotPAndN = "Not P and N";
inline constexpr std::string_view kTerrNotPAndS = "Not P and S";
inline constexpr std::string_view kTerrBlank = " ";
inline constexpr std::string_view kTerrP = "P";

// Applies the Tax Jurisdiction Code rule of category `terr` to a non-zero amount and adds
// it to column `truIndex` of the newest TRT (`id` "RW") or TRU (`id` "RO") row, whether or
// not the rule found fault. A zero amount is neither judged nor added. A code category " "
// whose amount is not allowed is rewritten to "blank" (the caller's variable changes), and
// then reported only when the employer's code was valid.
void TerritoryMoney(std::string_view txtline, std::string_view id, std::string_view fieldName,
                    int fieldBegPos, int fieldEndPos, int fieldLength, int txtArrayNum,
                    double amnt, std::string_view& terr, int truIndex, CheckContext& ctx);

}  // namespace quorvex
