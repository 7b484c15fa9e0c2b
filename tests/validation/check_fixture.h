#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "errorlog/error_log.h"
#include "errorlog/log_findings.h"
#include "support/recording_findings.h"
#include "support/test_support.h"
#include "validation/check_context.h"
#include "validation/validators.h"

namespace quorvex::test {

// A finding as the tests expect it: reference, user entry, message, field index.
struct Expected {
    std::string reference, userEntry, error;
    int fieldIndex;
};

inline std::string Describe(const std::string& r, const std::string& u, const std::string& e, int i) {
    return r + " | " + u + " | " + e + " | " + std::to_string(i);
}
inline std::vector<std::string> Describe(const std::vector<RecordingFindings::Finding>& fs) {
    std::vector<std::string> out;
    for (const auto& f : fs) out.push_back(Describe(f.reference, f.userEntry, f.error, f.fieldIndex));
    return out;
}
inline std::vector<std::string> Describe(const std::vector<Expected>& es) {
    std::vector<std::string> out;
    for (const auto& e : es) out.push_back(Describe(e.reference, e.userEntry, e.error, e.fieldIndex));
    return out;
}

// Edits of a baseline record: text put at a 1-based position.
using Edits = std::vector<std::pair<int, std::string>>;

inline std::string Apply(std::string rec, const Edits& edits) {
    for (const auto& [pos, text] : edits) Put(rec, pos, text);
    return rec;
}

// One table row of a record's rule tests.
struct RuleCase {
    std::string name;
    Edits edits;
    std::vector<Expected> expected;
};

inline std::ostream& operator<<(std::ostream& os, const RuleCase& c) { return os << c.name; }

// A fresh error log with one Misc row, and a check context over it.
class CheckFixture {
public:
    CheckFixture()
        : log_(ErrorLog::CreateMDB(dir_.path())),
          logFindings_(log_),
          facts_(log_),
          findings_(&logFindings_),
          ctx_{findings_, facts_, {}, 0} {
        log_.AddMisc((dir_ / "w2report.txt").string(), "01/15/2009");
    }

    ErrorLog& log() { return log_; }
    const RunFacts& facts() const { return facts_; }
    CheckContext& ctx() { return ctx_; }
    RecordingFindings& findings() { return findings_; }

    // Files `rec` as the run does, then runs `check` over it.
    template <typename CheckFn>
    std::vector<std::string> Check(std::string_view id, const std::string& rec, CheckFn check) {
        ctx_.recNum = log_.AddRecord(id, rec);
        check(rec, ctx_);
        return Describe(findings_.findings);
    }

    // The stored Records row `recNum`: RecReference, Record, RE_Indx (-1 when empty).
    struct StoredRecord {
        std::string recReference, record;
        std::int64_t reIndx = -1;
        std::int64_t errors = 0;
    };
    StoredRecord Stored(std::int64_t recNum) {
        StoredRecord r;
        if (const auto row = log_.Read().Record(recNum)) {
            r.recReference = row->recReference;
            r.record = row->record;
            r.reIndx = row->reIndx.value_or(-1);
            r.errors = row->errors;
        }
        return r;
    }

private:
    TempDir dir_;
    ErrorLog log_;
    LogFindings logFindings_;
    LogFacts facts_;
    RecordingFindings findings_;
    CheckContext ctx_;
};

}  // namespace quorvex::test
