#include "reader/fill_fields.h"

#include <array>
#include <string>

#include "errorlog/error_log.h"
#include "common/text_1252.h"
#include "reader/sequence.h"
#include "validation/validators.h"

namespace quorvex {

namespace {

struct TypeEntry {
    std::string_view id;
    Validator validator;
    int boxCount;
};

constexpr std::array<TypeEntry, 9> kTypes = {{
    {"RA", &CheckCodeRA, 40},
    {"RE", &CheckCodeRE, 23},
    {"RW", &CheckCodeRW, 47},
    {"RO", &CheckCodeRO, 22},
    {"RS", nullptr, 1},
    {"RT", &CheckCodeRT, 29},
    {"RU", &CheckCodeRU, 21},
    {"RV", nullptr, 1},
    {"RF", &CheckCodeRF, 4},
}};

const TypeEntry* Find(std::string_view id) {
    for (const auto& t : kTypes)
        if (t.id == id) return &t;
    return nullptr;
}

}  // namespace

Validator ValidatorFor(std::string_view identifier) {
    const TypeEntry* t = Find(identifier);
    return t ? t->validator : nullptr;
}

bool KnownIdentifier(std::string_view identifier) { return Find(identifier) != nullptr; }

void FillFields(std::string_view txtline, std::string_view idAsRead, std::string_view previousId,
                std::int64_t recCtr, FilingState& state, CheckContext& ctx) {
    state.invalidIdentifier = false;
    state.sequenceError = false;
    // During a test run the record has no stored error yet: the single-critical test of the
    // viewer does not apply.
    std::string_view id = txtline.substr(0, std::min<std::size_t>(2, txtline.size()));
    const TypeEntry* type = Find(id);
    if (!type) {
        state.invalidIdentifier = true;
        return;
    }
    if (id == "RO") state.roSeen = true;
    if (id == "RS") state.rsSeen = true;
    if (recCtr >= 2 && CheckSequence(previousId, idAsRead, state.roSeen, state.rsSeen, ctx.log))
        state.sequenceError = true;
    if (id == "RE") {
        state.roSeen = false;
        state.rsSeen = false;
    }
    if (state.sequenceError) return;
    if (type->validator) type->validator(txtline, ctx);
}

ViewerCheck RecheckRecord(std::string_view txtline, CheckContext& ctx) {
    ViewerCheck result;
    // Does the record hold exactly one stored error, and is it critical?
    auto q = ctx.log.db().prepare("Select * From Errors Where Rec_Num = " + std::to_string(ctx.recNum));
    int rows = 0;
    std::string type, reference;
    while (q.step()) {
        if (++rows == 1) {
            type = q.text(1);
            reference = Utf8ToCp1252(q.text(3));
        }
    }
    if (rows == 1 && type == "C") {
        result.singleCritical = true;
        result.sequenceOnly = reference == kSequenceReference;
    }
    std::string_view id = txtline.substr(0, std::min<std::size_t>(2, txtline.size()));
    const TypeEntry* t = Find(id);
    result.knownType = t != nullptr;
    result.boxCount = t ? t->boxCount : 1;
    if (t && t->validator && !result.singleCritical) t->validator(txtline, ctx);
    if (!t) result.marked.insert(0);
    if (result.singleCritical && result.sequenceOnly) result.marked.insert(0);
    return result;
}

}  // namespace quorvex
