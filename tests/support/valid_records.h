#pragma once

#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "support/test_support.h"
#include "support/wage_records.h"

namespace quorvex::test {

// A valid 2008 RA record: problems notified by e-mail, company in Maryland.
inline std::string BaselineRA() {
    std::string r = Record("RA");
    Put(r, 3, "123456789");
    Put(r, 12, "AB12CD34");
    Put(r, 29, "0");
    Put(r, 36, "98");
    Put(r, 38, "ACME PAYROLL INC");
    Put(r, 117, "100 MAIN ST");
    Put(r, 139, "BALTIMORE");
    Put(r, 161, "MD");
    Put(r, 163, "21201");
    Put(r, 168, "1234");
    Put(r, 217, "ACME PAYROLL INC");
    Put(r, 296, "100 MAIN ST");
    Put(r, 318, "BALTIMORE");
    Put(r, 340, "MD");
    Put(r, 342, "21201");
    Put(r, 396, "JANE O'NEIL-SMITH JR.");
    Put(r, 423, "4105551234");
    Put(r, 446, "jane@acme.example");
    Put(r, 499, "1");
    Put(r, 500, "L");
    return r;
}

// A valid 2008 RE record: regular employer in Maryland, not an agent.
inline std::string BaselineRE() {
    std::string r = Record("RE");
    Put(r, 3, "2008");
    Put(r, 8, "123456789");
    Put(r, 26, "0");
    Put(r, 40, "ACME MANUFACTURING CO");
    Put(r, 119, "100 MAIN ST");
    Put(r, 141, "BALTIMORE");
    Put(r, 163, "MD");
    Put(r, 165, "21201");
    Put(r, 219, "R");
    Put(r, 221, "0");
    return r;
}

// An RF record reporting `count` RW records (nine digits).
inline std::string BaselineRF(const std::string& count) {
    std::string r = Record("RF");
    Put(r, 8, count);
    return r;
}
inline std::string BaselineRF(long long rwCount) {
    char count[24];
    std::snprintf(count, sizeof count, "%09lld", rwCount);
    return BaselineRF(std::string(count));
}

// A record with identifier `id` whose own field checks find nothing: the valid RA and
// RE records above, an RF record reporting `rwCount`, RW and RO records with zero
// amounts, RT and RU records reporting `blockCount` records and zero totals, and for any
// other identifier the identifier followed by blanks.
inline std::string ValidRecord(std::string_view id, long long rwCount = 0, long long blockCount = 0) {
    if (id == "RA") return BaselineRA();
    if (id == "RE") return BaselineRE();
    if (id == "RF") return BaselineRF(rwCount);
    if (id == "RW") return MakeRW();
    if (id == "RO") return MakeRO();
    if (id == "RT") return MakeRT(blockCount, RwAmounts{});
    if (id == "RU") return MakeRU(blockCount, RoAmounts{});
    return Record(id);
}

// The records of `ids` made by ValidRecord: RT and RU records report the RW and RO
// records of their block, an RF record the RW records before it plus `priorRW` from
// earlier files of the submission (and `priorBlockRW` RW records of the open block).
inline std::vector<std::string> ValidRecords(std::initializer_list<const char*> ids, long long priorRW = 0,
                                             long long priorBlockRW = 0) {
    std::vector<std::string> out;
    long long rw = priorRW, blockRW = priorBlockRW, blockRO = 0;
    for (std::string_view id : ids) {
        if (id == "RE") blockRW = blockRO = 0;
        out.push_back(ValidRecord(id, rw, id == "RU" ? blockRO : blockRW));
        if (id == "RW") ++rw, ++blockRW;
        if (id == "RO") ++blockRO;
    }
    return out;
}

}  // namespace quorvex::test
