#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "errorlog/error_log.h"
#include "errorlog/log_findings.h"
#include "support/test_support.h"
#include "validation/check_context.h"
#include "validation/validators.h"

namespace quorvex::test {

// The records of a test run fed straight to their validators over a real error log,
// without the reader and its record order rules.
class MiniRun {
public:
    struct Error {
        std::int64_t recNum;
        std::string reference, userEntry, error;
    };

    MiniRun() : log(ErrorLog::CreateMDB(dir.path())), findings(log), facts(log), ctx{findings, facts, {}, 0} {}

    // Stores the record and runs its checks; returns its Rec_Num.
    std::int64_t Feed(const std::string& rec) {
        const std::string_view id = std::string_view(rec).substr(0, 2);
        ctx.recNum = log.AddRecord(id, rec);
        if (id == "RE") CheckCodeRE(rec, ctx);
        else if (id == "RW") CheckCodeRW(rec, ctx);
        else if (id == "RO") CheckCodeRO(rec, ctx);
        else if (id == "RT") CheckCodeRT(rec, ctx);
        else if (id == "RU") CheckCodeRU(rec, ctx);
        return ctx.recNum;
    }

    // The error rows in logging order (of one record when recNum > 0).
    std::vector<Error> Errors(std::int64_t recNum = 0) {
        log.Commit();
        std::string sql = "Select Rec_Num, Reference, User_Entry, Error From Errors";
        if (recNum > 0) sql += " Where Rec_Num = " + std::to_string(recNum);
        sql += " Order By Err_Num";
        sql::Database db(log.Path().string(), false, true);
        auto q = db.prepare(sql);
        std::vector<Error> out;
        while (q.step()) out.push_back({q.int64(0), q.text(1), q.text(2), q.text(3)});
        return out;
    }

    // Every row of the tables that a check may change, as text, to compare before and after.
    std::string Snapshot() {
        log.Commit();
        sql::Database db(log.Path().string(), false, true);
        std::string s;
        for (const char* table : {"Records", "Errors", "TRT", "TRU"}) {
            auto q = db.prepare(std::string("Select * From ") + table);
            while (q.step()) {
                for (int c = 0; c < q.columnCount(); ++c) s += (q.isNull(c) ? std::string("<null>") : q.text(c)) + "|";
                s += "\n";
            }
        }
        return s;
    }

    TempDir dir;
    ErrorLog log;
    LogFindings findings;
    LogFacts facts;
    CheckContext ctx;
};

}  // namespace quorvex::test
