#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "reader/sequence.h"

using quorvex::SequenceViolation;

namespace {

// Runs the order rules over a submission the way the filing step keeps its block flags;
// returns "<record number>: <message>" of the first violation, or "" when there is none.
std::string FirstViolation(const std::string& ids) {
    std::istringstream in(ids);
    std::vector<std::string> seq;
    for (std::string id; in >> id;) seq.push_back(id);
    bool ro = false, rs = false;
    for (std::size_t i = 0; i < seq.size(); ++i) {
        std::string upper = seq[i];
        for (auto& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        if (upper == "RO") ro = true;
        if (upper == "RS") rs = true;
        if (i >= 1) {
            auto m = SequenceViolation(seq[i - 1], seq[i], ro, rs);
            if (!m.empty()) return std::to_string(i + 1) + ": " + std::string(m);
        }
        if (upper == "RE") ro = rs = false;
    }
    return "";
}

}  // namespace

TEST(RecordOrder, Submissions) {
    struct Case {
        const char* ids;
        const char* expected;
    };
    const Case cases[] = {
        {"RA RE RW RT RF", ""},
        {"RA RE RT", "3: RW record must follow RE record."},
        {"RA RE RW RO RS RW RT RU RF", ""},
        {"RA RE RW RO RT RF", "6: RU record must follow RT whenever RO record is generated."},
        {"RA RE RW RS RT RV RF", ""},
        {"RA RE RW RT RV", "5: RE or RF record must follow RT record whenever RO or RS record is not generated."},
        {"RA RE RW RO RT RU RE RW RT RF", ""},
        {"RA RE RW RV", "4: RW or RO or RS or RT record must follow RW record."},
        {"RA RE rw RT RF", ""},
        {"RA RE RW RO RV", "5: RW or RS or RT record must follow RO record."},
        {"RA RE RW RS RO", "5: RW or RS or RT record must follow RS record."},
        {"RA RE RW RS RT RV RW", "7: RE or RF record must follow RV record."},
        {"RA RE RW RO RT RU RW", "7: RE or RF record must follow RT or RU record whenever RS record is not generated."},
        {"RA RE RW RO RS RT RU RV RF", ""},
        {"RA RE RW RO RS RT RV", "7: RU record must follow RT whenever RO record is generated."},
        {"RA RE XX", ""},  // unknown identifiers are the reader's
        {"RA RE RA", "3: RW record must follow RE record."},
    };
    for (const auto& c : cases) EXPECT_EQ(FirstViolation(c.ids), c.expected) << c.ids;
}
