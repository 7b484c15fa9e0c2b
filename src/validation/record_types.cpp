#include "validation/record_types.h"

#include "validation/validators.h"

namespace quorvex {

namespace {

// After RE only one of the nine identifiers as read breaks the order: one read in another case
// ("rw") does not.
constexpr RecordTypeRow kTypes[] = {
    {"RA", RecordType::RA, &CheckCodeRA, {}},
    {"RE", RecordType::RE, &CheckCodeRE, {{{BlockHad::Anything, "RW", false, "RW record must follow RE record."}}}},
    {"RW", RecordType::RW, &CheckCodeRW,
     {{{BlockHad::Anything, "RW RO RS RT", true, "RW or RO or RS or RT record must follow RW record."}}}},
    {"RO", RecordType::RO, &CheckCodeRO,
     {{{BlockHad::Anything, "RW RS RT", true, "RW or RS or RT record must follow RO record."}}}},
    {"RS", std::nullopt, nullptr,
     {{{BlockHad::Anything, "RW RS RT", true, "RW or RS or RT record must follow RS record."}}}},
    {"RT", RecordType::RT, &CheckCodeRT,
     {{{BlockHad::Ro, "RU", true, "RU record must follow RT whenever RO record is generated."},
       {BlockHad::NeitherRoNorRs, "RE RF", true,
        "RE or RF record must follow RT record whenever RO or RS record is not generated."}}}},
    {"RU", RecordType::RU, &CheckCodeRU,
     {{{BlockHad::NoRs, "RE RF", true,
        "RE or RF record must follow RT or RU record whenever RS record is not generated."}}}},
    {"RV", std::nullopt, nullptr, {{{BlockHad::Anything, "RE RF", true, "RE or RF record must follow RV record."}}}},
    {"RF", RecordType::RF, &CheckCodeRF, {}},
};

}  // namespace

std::span<const RecordTypeRow> RecordTypes() { return kTypes; }

const RecordTypeRow* FindRecordType(std::string_view id) {
    for (const RecordTypeRow& t : kTypes)
        if (t.id == id) return &t;
    return nullptr;
}

bool ListedIn(std::string_view id, std::string_view list) {
    for (std::size_t at = 0; at < list.size();) {
        std::size_t end = list.find(' ', at);
        if (end == std::string_view::npos) end = list.size();
        if (list.substr(at, end - at) == id) return true;
        at = end + 1;
    }
    return false;
}

}  // namespace quorvex
