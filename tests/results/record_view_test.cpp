// The record viewer re-checks a stored record: it highlights the fields of its findings, or what made it critical.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "reader/run.h"
#include "results/core/record_view.h"
#include "support/scripted_services.h"
#include "support/test_support.h"

namespace quorvex::test {
namespace {

TEST(RecordView, RowsAndMarksOfEachKindOfRecord) {
    const std::string badSsn = ValidRecord("RW").replace(2, 9, "12345678X");
    const std::string ra = ValidRecord("RA"), re = ValidRecord("RE");
    // records, the record shown, its rows, the fields highlighted, the identifier's tooltip
    using Case =
        std::tuple<const char*, std::vector<std::string>, std::int64_t, std::size_t, std::set<int>, const char*>;
    const Case cases[] = {
        {"ordinary error", {ra, re, badSsn}, 3, 47, {1}, ""},
        {"only a critical length error", {ra, re, badSsn.substr(0, 300)}, 3, 47, {}, ""},
        {"only a critical order error", ValidRecords({"RA", "RE", "RT"}), 3, 29, {0},
         "RW record must follow RE record."},
        {"unknown identifier", ValidRecords({"RA", "RE", "XX"}), 3, 1, {0}, "Enter appropriate code"},
        {"RS record", ValidRecords({"RA", "RE", "RW", "RS", "RT", "RF"}), 4, 1, {}, ""},
    };
    for (const auto& [name, records, shown, rows, marks, tip] : cases) {
        SCOPED_TRACE(name);
        TempDir dir;
        WriteFile(dir / "sub.txt", Lines(records));
        ScriptedServices services;
        services.files = {(dir / "sub.txt").string(), std::nullopt};  // "Missing Final Record", then no next file
        services.answers = {MsgAnswer::Ok};
        RunOptions options;
        options.programFolder = dir.path();
        quorvex::Run(services, options).ReadFile();
        const LogReader log = *LogReader::OpenIn(dir.path());
        BlockContexts contexts;
        const RecordView view = *ViewRecord(log, shown, contexts);
        ASSERT_EQ(view.rows.size(), rows);
        std::set<int> marked;
        std::string values;
        for (const ViewerRow& row : view.rows) values += row.value, row.marked && marked.insert(row.index).second;
        EXPECT_EQ(marked, marks);
        // The rows cover the stored record position by position, as far as it goes.
        const std::string stored = log.Record(shown)->record;
        EXPECT_EQ(values, rows > 1 ? stored : stored.substr(0, 2));
        EXPECT_EQ(view.rows[0].messages.empty() ? "" : view.rows[0].messages[0].substr(0, std::strlen(tip)), tip);
    }
}

}  // namespace
}  // namespace quorvex::test
