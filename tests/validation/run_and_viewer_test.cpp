// What the checks leave in a run's log (record links, the masked User ID), and the same
// checks in the record viewer: the boxes of the run's findings marked, nothing written.
#include <map>

#include "errorlog/log_failure.h"
#include "errorlog/log_reader.h"
#include "errorlog/sqlite.h"
#include "validation/check_run.h"
#include "validation/validators.h"

namespace quorvex::test {
namespace {

std::string Snapshot(ErrorLog& log) {
    log.Commit();
    return DumpLog(log.Path());
}

TEST(RunAndViewer, LinksRecordsAndTheViewerOnlyMarks) {
    for (const bool userIdOk : {true, false}) {
        SCOPED_TRACE(userIdOk);
        CheckRun run;
        const RwAmounts a = Rw({{1, 10}, {3, 100}, {5, 100}}), t = Rw({{1, 11}});
        const RoAmounts o = Ro({{4, 5}});
        const std::vector<std::string> recs = {
            With(BaselineRA(), {{12, userIdOk ? "AB12CD34" : "ab12cd34"}}), MakeRE('R', 'P', "2008", "ABC 12345"),
            With(MakeRW("222334444", a), {{199, "X"}}), With(MakeRO(o), {{12, "Y"}}), MakeRT(2, t),
            MakeRU(0, {}), MakeRE(), MakeRF(5)};
        std::vector<std::int64_t> nums;
        std::vector<std::map<int, std::vector<std::string>>> found;
        for (const auto& r : recs) {
            if (r[1] == 'T') {  // a record the reader takes back leaves a gap in the numbers
                run.log.AddRecord("RF", Record("RF"));
                run.log.DeleteLastRecord();
            }
            const auto rows = run.Feed(r);
            nums.push_back(run.ctx.recNum);
            found.emplace_back();
            for (const auto& f : run.rec.findings) found.back()[f.fieldIndex].push_back(f.error);
            if (r[1] == 'T') {
                EXPECT_EQ(Fitted({rows.at(0)}, {"1 (1) since"}).front(), "1 (1) since");
            }
        }
        const LogReader& stored = run.log.Read();
        std::vector<std::string> refs;
        std::vector<std::int64_t> blocks;
        for (auto n : nums) {
            refs.push_back(stored.Record(n)->recReference);
            blocks.push_back(stored.Record(n)->reIndx.value_or(-1));
        }
        EXPECT_EQ(refs, (std::vector<std::string>{"123456789", "ABC 12345", "222334444", "222334444", "ABC 12345",
                                                  "ABC 12345", "123456789", ""}));
        const std::int64_t b = blocks[1];
        EXPECT_EQ(blocks, (std::vector<std::int64_t>{-1, b, b, b, b, b, b + 1, -1}));
        EXPECT_EQ(stored.Record(nums[0])->record, userIdOk ? With(recs[0], {{12, "********"}}) : recs[0]);

        // The verdict is kept on the first file's row, whatever later files add.
        run.log.AddMisc("w2part2.txt", "01/15/2009");
        EXPECT_EQ(run.log.Read().PinOK(), userIdOk);
        const std::string before = Snapshot(run.log);
        ReaderFacts facts(run.log.Read());
        EmployerContext employer;
        for (std::size_t i = 0; i < recs.size(); ++i) {
            ViewerFindings viewer(run.log.Read().PinOK());
            CheckContext ctx{viewer, facts, employer, nums[i]};
            CheckRecord(run.log.Read().Record(nums[i])->record, ctx);
            employer = ctx.employer;
            EXPECT_EQ(viewer.Messages(), found[i]) << recs[i].substr(0, 2);
        }
        // A total record that no run linked: only its own format is judged.
        ViewerFindings viewer;
        CheckContext ctx{viewer, facts, {}, nums[0]};
        CheckCodeRT(MakeRT(7, {}), ctx);
        EXPECT_TRUE(viewer.Marked().empty());
        EXPECT_EQ(Snapshot(run.log), before);
    }
    CheckRun early;
    EXPECT_THROW(early.Feed(MakeRT(0, {})), LogFailure);
    EXPECT_THROW(early.Feed(MakeRU(0, {})), LogFailure);
}

}  // namespace
}  // namespace quorvex::test
