#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "errorlog/log_fixes.h"

namespace quorvex {

struct ErrorRow;
struct RecordRow;

// The findings whose right value the file itself decides, beside the record types: each
// count and money total of an RT or RU record that its block row keeps, and the RF record's
// number of RW records. Nothing else is ever fixed.
struct FixableField {
    std::string reference;  // as the field's findings name it
    FixTarget target;
};
std::span<const FixableField> FixableFields();

// The field of a finding of a record `id` that a fix may change: a fixable field's
// reconciliation finding or its must-be-numeric one (not, say, the Employment Code rule of
// the same field). nullptr for any other finding.
const FixTarget* FixableFinding(std::string_view id, std::string_view reference, std::string_view message);

// The fix of error `e` of record `r`, as every output and the window show it.
std::optional<FieldFix> FixOf(LogFixes& fixes, const ErrorRow& e, const RecordRow& r);

}  // namespace quorvex
