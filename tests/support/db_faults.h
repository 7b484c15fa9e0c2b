#pragma once

// Failures of the environment under the error log, planted by the tests through the
// operation watch of the database layer. Only the tests link this; the programs have none.

#include <chrono>
#include <string>

#include "errorlog/sqlite.h"

namespace quorvex::sql {

// Test seam for failures of the environment: the `n`th database operation from now on
// (opening a connection, executing SQL, or a step of a statement) fails as "disk I/O
// error"; 0 turns it off. Returns what was left of the previous countdown: 0 once the
// planted failure has happened. Lets the tests reach every failure path of the log.
long FailNthOperation(long n);

// Test seam for a slow disk: every database operation from now on first waits `delay`
// (zero turns it off), so that a test can have a writer fall behind its producer.
void DelayEachOperation(std::chrono::microseconds delay);

// Test seam for failures of the disk under the log, at a point a test names: a statement
// that fails before the engine runs it, or a file operation of the engine (opening a file,
// writing, syncing) that fails as a full or failing disk makes it fail, so that the engine
// goes through its own recovery.
enum class FaultAt { Statement, Open, Write, Sync };
struct PlantedFault {
    FaultAt at = FaultAt::Statement;
    // With `during`: the statement (or the first operation made while the statement runs)
    // that is the `nth` whose SQL begins with `during`. Without: the `nth` file operation of
    // the kind from now on.
    std::string during;
    long nth = 0;   // 0: no fault
    int code = 0;   // the engine's result code, e.g. SQLITE_FULL
    bool lasting = false;  // every later one of the kind fails too: a disk that stays full
    bool writableOnly = false;  // Open: only a file opened for writing counts (a disk mounted read-only)
};
// Plants `fault` (a default PlantedFault removes it). Returns whether the previous one struck.
bool PlantFault(PlantedFault fault);

}  // namespace quorvex::sql
