#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// The one builder of records and submissions, for the tests and the benchmarks. Positions are
// written out here, apart from the program's layout table, so that a wrong layout shows.
namespace quorvex::test {

// A record of exactly 512 characters: `start` padded with blanks (cut at 512).
std::string Record(std::string_view start);
// Puts `text` at 1-based position `pos` of `record` (which must be long enough).
void Put(std::string& record, int pos, std::string_view text);
// `record` with `text` put at `pos`.
std::string With(std::string record, int pos, std::string_view text);
// `records` as a file holds them, each ended by CR LF.
std::string Lines(const std::vector<std::string>& records);

using RwAmounts = std::array<double, 25>;  // RW money columns 1-24 in cents (0 unused)
using RoAmounts = std::array<double, 18>;  // RO money columns 1-17 in cents (0 unused)

// Amounts with the cents given at their columns, zero elsewhere.
template <typename Amounts>
Amounts Cents(std::initializer_list<std::pair<int, double>> columns) {
    Amounts a{};
    for (auto [n, v] : columns) a[static_cast<std::size_t>(n)] = v;
    return a;
}
inline RwAmounts Rw(std::initializer_list<std::pair<int, double>> c) { return Cents<RwAmounts>(c); }
inline RoAmounts Ro(std::initializer_list<std::pair<int, double>> c) { return Cents<RoAmounts>(c); }

std::string Digits(double cents, int width);  // `cents` zero-filled to `width` digits
// First position of the money column n of each record type (RW and RT 1-24, RO and RU 1-17).
int RwPos(int n);
int RtPos(int n);
int RoPos(int n);
int RuPos(int n);

// A valid 2008 RA record: problems notified by e-mail, company in Maryland.
std::string BaselineRA();
// A valid 2008 RE record of a regular employer, not an agent.
std::string MakeRE(char employmentCode = 'R', char jurisdiction = ' ', std::string_view year = "2008",
                   std::string_view ein = "123456789");
// A valid 2008 RW record with the given amounts (all zero by default).
std::string MakeRW(std::string_view ssn = "123456780", const RwAmounts& a = {});
std::string MakeRO(const RoAmounts& a = {});
std::string MakeRT(std::int64_t count, const RwAmounts& sums);
std::string MakeRU(std::int64_t count, const RoAmounts& sums);
// An RF record reporting `count` RW records (nine digits as given, or the number).
std::string MakeRF(const std::string& count);
std::string MakeRF(long long rwCount);

// A record with identifier `id` whose own field checks find nothing: the records above
// with zero amounts, RT and RU reporting `blockCount` records, RF reporting `rwCount`; any
// other identifier followed by blanks.
std::string ValidRecord(std::string_view id, long long rwCount = 0, long long blockCount = 0);

// The records of `ids` made by ValidRecord: RT and RU records report the RW and RO
// records of their block, an RF record the RW records before it plus `priorRW` from
// earlier files of the submission (and `priorBlockRW` RW records of the open block).
std::vector<std::string> ValidRecords(std::initializer_list<const char*> ids, long long priorRW = 0,
                                      long long priorBlockRW = 0);

// RA, RE, `rwCount` copies of `rw`, their RT and (with `withRF`) the RF record, as a file holds
// them: a submission that passes every check when `rw` does.
std::string Submission(int rwCount, bool withRF = true, const std::string& rw = MakeRW());

// What a generated submission looks like. Every record is valid for tax year 2008:
// the file reconciles (RT/RU totals equal the sums of their block, RF counts every RW).
struct SubmissionShape {
    // Number of RW records of each employer block, in file order.
    std::vector<std::int64_t> blockSizes;
    // Blocks whose 0-based index is a multiple of `roEvery` carry one RO record after each
    // RW record and an RU record after their RT; 0 means no RO records at all.
    int roEvery = 0;
    // Fill every money field that the block's tax jurisdiction allows with a non-zero amount
    // (Military Employee B.Q.S.C. Pay stays zero: it must be zero for tax year 2008).
    bool allMoney = false;
    // Give the employer blocks the tax jurisdiction codes blank, P, V, G, S, N in turn
    // instead of blank everywhere, so that the territory amounts of the RO record appear.
    bool territories = false;
    std::uint64_t seed = 2008;
};

// Shape of `employers` blocks holding `employees` RW records each.
SubmissionShape UniformShape(int employers, std::int64_t employees);

struct WriteResult {
    std::int64_t records = 0;
    std::int64_t bytes = 0;
};

// Writes the submission, records separated by CR LF (the last one ends with CR LF too).
// Throws std::runtime_error on an I/O failure and std::invalid_argument for a shape the
// format cannot hold (more than 9,999,999 RW records in a block, no block, empty block).
WriteResult WriteSubmission(const SubmissionShape& shape, std::FILE* out);
WriteResult WriteSubmission(const SubmissionShape& shape, const std::string& path);

}  // namespace quorvex::test
