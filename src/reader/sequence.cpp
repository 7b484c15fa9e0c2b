#include "reader/sequence.h"

#include "errorlog/error_log.h"
#include "validation/layouts.h"
#include "validation/record_types.h"

namespace quorvex {

namespace {
bool Holds(BlockHad when, bool roSeen, bool rsSeen) {
    switch (when) {
    case BlockHad::Anything: return true;
    case BlockHad::Ro: return roSeen;
    case BlockHad::NeitherRoNorRs: return !roSeen && !rsSeen;
    case BlockHad::NoRs: return !rsSeen;
    }
    return false;
}
}  // namespace

std::string_view SequenceViolation(std::string_view prev, std::string_view cur, bool roSeen, bool rsSeen) {
    const RecordTypeRow* type = FindRecordType(prev);
    if (!type) return {};
    for (const FollowRule& rule : type->next) {
        if (rule.allowed.empty() || !Holds(rule.when, roSeen, rsSeen)) continue;
        const bool breaks = !ListedIn(cur, rule.allowed) && (rule.anyBreaks || FindRecordType(cur));
        return breaks ? rule.message : std::string_view{};
    }
    return {};
}

bool CheckSequence(std::string_view previousId, std::string_view currentId, bool roSeen, bool rsSeen,
                   ErrorLog& log) {
    std::string_view message = SequenceViolation(previousId, currentId, roSeen, rsSeen);
    if (message.empty()) return false;
    log.LogCritError(kSequenceReference, UserEntry(currentId), message);
    return true;
}

}  // namespace quorvex
