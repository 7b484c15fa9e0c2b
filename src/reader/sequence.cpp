#include "reader/sequence.h"

#include <initializer_list>
#include <string>

#include "errorlog/error_log.h"

namespace quorvex {

namespace {
bool OneOf(std::string_view id, std::initializer_list<std::string_view> ids) {
    for (auto x : ids)
        if (id == x) return true;
    return false;
}
}  // namespace

std::string_view SequenceViolation(std::string_view prev, std::string_view cur, bool roSeen, bool rsSeen) {
    if (prev == "RE") {
        if (OneOf(cur, {"RA", "RE", "RO", "RS", "RT", "RU", "RV", "RF"})) return "RW record must follow RE record.";
        return {};
    }
    if (prev == "RW") {
        if (!OneOf(cur, {"RW", "RO", "RS", "RT"})) return "RW or RO or RS or RT record must follow RW record.";
        return {};
    }
    if (prev == "RO") {
        if (!OneOf(cur, {"RW", "RS", "RT"})) return "RW or RS or RT record must follow RO record.";
        return {};
    }
    if (prev == "RS") {
        if (!OneOf(cur, {"RW", "RS", "RT"})) return "RW or RS or RT record must follow RS record.";
        return {};
    }
    if (prev == "RV") {
        if (!OneOf(cur, {"RE", "RF"})) return "RE or RF record must follow RV record.";
        return {};
    }
    if (prev == "RT" && roSeen) {
        if (cur != "RU") return "RU record must follow RT whenever RO record is generated.";
        return {};
    }
    if (prev == "RT" && !roSeen && !rsSeen) {
        if (!OneOf(cur, {"RE", "RF"}))
            return "RE or RF record must follow RT record whenever RO or RS record is not generated.";
        return {};
    }
    if ((prev == "RT" || prev == "RU") && !rsSeen) {
        if (!OneOf(cur, {"RE", "RF"}))
            return "RE or RF record must follow RT or RU record whenever RS record is not generated.";
        return {};
    }
    return {};
}

bool CheckSequence(std::string_view previousId, std::string_view currentId, bool roSeen, bool rsSeen,
                   ErrorLog& log) {
    std::string_view message = SequenceViolation(previousId, currentId, roSeen, rsSeen);
    if (message.empty()) return false;
    std::string entry = "[" + std::string(currentId) + "]";
    log.LogCritError(kSequenceReference, entry, message);
    return true;
}

}  // namespace quorvex
