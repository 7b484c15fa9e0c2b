#pragma once

#include <array>
#include <optional>
#include <span>
#include <string_view>

#include "validation/check_context.h"
#include "validation/layouts.h"

namespace quorvex {

// The field checks of a record type: `txtline` is the stored (upper-cased) record.
using Validator = void (*)(std::string_view txtline, CheckContext& ctx);

// When a rule of what may follow a record holds, by the RO and RS records the current
// employer block has had so far.
enum class BlockHad { Anything, Ro, NeitherRoNorRs, NoRs };

// What may follow a record: the identifiers allowed next (as read, case kept), and the
// message of the critical error when another one comes.
struct FollowRule {
    BlockHad when = BlockHad::Anything;
    std::string_view allowed;   // identifiers separated by spaces; empty: no rule
    bool anyBreaks = true;      // false: only an identifier of the nine breaks it, not one read otherwise
    std::string_view message;
};

// One record type: its identifier, the layout of its fields (none for RS and RV, which are
// filed by identifier only), its field checks (none for RS and RV), and what may follow it:
// the first rule whose condition the block meets is the one that applies.
struct RecordTypeRow {
    std::string_view id;
    std::optional<RecordType> layout;
    Validator validator = nullptr;
    std::array<FollowRule, 2> next{};
};

// The nine record types, in the order of a submission.
std::span<const RecordTypeRow> RecordTypes();

// The row of identifier `id` (upper case, exactly); nullptr for anything else.
const RecordTypeRow* FindRecordType(std::string_view id);

// Whether `id` is one of the identifiers of `list` (separated by spaces).
bool ListedIn(std::string_view id, std::string_view list);

}  // namespace quorvex
