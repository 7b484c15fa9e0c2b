#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "errorlog/error_log.h"
#include "errorlog/log_findings.h"
#include "support/recording_findings.h"
#include "support/records.h"
#include "support/test_support.h"
#include "validation/record_types.h"

namespace quorvex::test {

using Edits = std::vector<std::pair<int, std::string>>;
inline std::string With(std::string rec, const Edits& edits) {
    for (const auto& [pos, text] : edits) Put(rec, pos, text);
    return rec;
}

inline void CheckRecord(std::string_view line, CheckContext& ctx) {
    const RecordTypeRow* type = FindRecordType(line.substr(0, 2));
    if (type && type->validator) type->validator(line, ctx);
}

// Records fed to their checks in order over a real error log, as a run files them. Each
// finding reads "<box>[T|U<marker column>] <reference> <user entry> <message>|".
class CheckRun {
public:
    CheckRun() : log(ErrorLog::CreateMDB(dir.path())), logFindings(log), facts(log), rec(&logFindings) {
        log.AddMisc((dir / "w2report.txt").string(), "01/15/2009");
    }
    std::vector<std::string> Feed(const std::string& line) {
        rec.findings.clear();
        ctx.recNum = log.AddRecord(line.substr(0, 2), line);
        CheckRecord(line, ctx);
        std::vector<std::string> out;
        for (const auto& f : rec.findings) {
            std::string s = std::to_string(f.fieldIndex);
            if (f.table != ' ') s += f.table + std::to_string(f.errRef);
            out.push_back(s + " " + f.reference + " " + f.userEntry + " " + f.error + "|");
        }
        return out;
    }
    std::vector<std::string> FeedAll(const std::vector<std::string>& lines) {
        std::vector<std::string> last;
        for (const auto& l : lines) last = Feed(l);
        return last;
    }

    TempDir dir;
    ErrorLog log;
    LogFindings logFindings;
    LogFacts facts;
    RecordingFindings rec;
    CheckContext ctx{rec, facts, {}, 0};
};

// An expectation "<box> <part> ... <part>" fits a finding of that box whose text holds the
// parts in order. Fitting findings are shown as their expectation, so a failure shows
// only what differs.
inline std::vector<std::string> Fitted(std::vector<std::string> got, const std::vector<std::string>& want) {
    for (std::size_t i = 0; i < got.size() && i < want.size(); ++i) {
        const std::string& w = want[i];
        const std::size_t sp = w.find(' ');
        if (got[i].compare(0, sp + 1, w, 0, sp + 1) != 0) continue;
        std::size_t at = sp, from = sp + 1;
        bool fits = true;
        while (fits && from <= w.size()) {
            const std::size_t end = std::min(w.find(" ... ", from), w.size());
            at = got[i].find(w.substr(from, end - from), at);
            fits = at != std::string::npos;
            at += end - from;
            from = end + 5;
        }
        if (fits) got[i] = w;
    }
    return got;
}

// One row of a record's rule table: the records before it (its employer, its block) and
// the findings expected on the record itself, in reporting order.
struct Row {
    const char* name;
    std::vector<std::string> before;
    std::string record;
    std::vector<std::string> want;
};

inline void CheckRows(const std::vector<Row>& rows) {
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        CheckRun run;
        run.FeedAll(r.before);
        EXPECT_EQ(Fitted(run.Feed(r.record), r.want), r.want);
    }
}

}  // namespace quorvex::test
