#pragma once

#include <cstdint>

namespace quorvex {

class Findings;
class RunFacts;

// What the RE record leaves for the RW, RO, RT and RU records of its block. Each RE
// record clears the tax year and the accepted jurisdiction first and sets the
// other items as it reaches their fields, valid or not. A code position missing from a
// short record is kept as '\0', which matches no code.
struct EmployerContext {
    bool taxYearNumeric = false;  // RE positions 3-6 are present and all digits
    int taxYear = 0;              // their value when numeric, else 0
    char employmentCode = ' ';    // RE position 219 as entered, even when invalid
    char jurisdiction = ' ';      // RE position 220 as entered
    char acceptedJurisdiction = '\0';  // the accepted code ('V','G','S','N','P',' '), '\0' when invalid
    bool jurisdictionValid = false;
};

// Everything a record's checks may use. The run (or the record viewer) owns it.
struct CheckContext {
    Findings& findings;           // where findings and the run's effects go
    const RunFacts& facts;        // what the checks read back (block rows, RW count)
    EmployerContext employer;     // kept across records of a run
    std::int64_t recNum = 0;      // Rec_Num of the record's own stored row
};

}  // namespace quorvex
