#pragma once

#include <cstdlib>
#include <sstream>

#include <gtest/gtest.h>

#include "errorlog/error_log.h"
#include "report/core/report_writers.h"
#include "support/test_support.h"

namespace quorvex::test {

// One file; the run stopped on a critical error in record 3, an RW record.
inline void CriticalLog(const std::filesystem::path& folder) {
    ErrorLog log = ErrorLog::CreateMDB(folder);
    log.AddMisc("/home/pay/w2 2008.txt", "12/10/2008");
    for (const char* id : {"RA", "RE", "RW"}) log.AddRecord(id, Record(id)), log.SetRecReference("123456789");
    log.LogCritError("Record Identifier [Position 1 - 2], after the employer record", "[RW]",
                     "RW record must follow RE record.");
    log.CloseDatabase();
}

// Two files; errors in an RA, an RE without reference, an RW (user entries holding markup,
// quotes and a non-ASCII letter, and one longer than a 1280-pixel line), and a critical one
// in the RF record.
inline void SeveralLog(const std::filesystem::path& folder) {
    ErrorLog log = ErrorLog::CreateMDB(folder);
    log.AddMisc("/home/pay/part <1> & \"2\".txt", "01/05/2009");
    log.AddMisc("/home/pay/part2.txt", "01/06/2009");
    log.AddRecord("RA", Record("RA")), log.SetRecReference("123456789");
    log.LogError("Submitter's EIN [Position 3 - 11]", "[12345678A]", "Must be numeric.");
    log.AddRecord("RE", Record("RE"));
    log.LogError("Tax Year [Position 3 - 6]", "[2010]", "Must be between 1978 and 2008.");
    log.AddRecord("RW", Record("RW")), log.SetRecReference("987654321");
    log.LogError("Employee Name <First> [Position 42 - 56]", "[<b>&\"Tom's\"</b> \xE9]", "Can't be <blank> & \"x\".");
    log.LogError("Location Address [Position 96 - 117]", "[" + std::string(81, 'x') + "<&yy]", "Invalid character.");
    log.AddRecord("RF", Record("RF"));
    log.LogCritError("Number of RW Records [Position 8 - 16]", "[000000000]", "Must be greater than zero.");
    log.CloseDatabase();
}

// `errors` errors, one per RW record, each with a user entry of `entryLength` characters.
inline void LongLog(const std::filesystem::path& folder, int errors, int entryLength = 400) {
    ErrorLog log = ErrorLog::CreateMDB(folder);
    log.AddMisc("/home/pay/big.txt", "12/10/2008");
    log.AddRecord("RA", Record("RA"));
    for (int i = 0; i < errors; ++i) {
        log.AddRecord("RW", Record("RW")), log.SetRecReference(std::to_string(100000000 + i));
        log.LogError("Employee Name [Position 42 - 56]", std::string(static_cast<std::size_t>(entryLength), 'a'),
                     "Error");
    }
    log.CloseDatabase();
}

// The report or the findings of the log in `folder`, as the command line writes them.
template <class Format>
std::string Written(const std::filesystem::path& folder, Format format) {
    std::ostringstream out;
    if constexpr (std::is_same_v<Format, ReportFormat>) WriteReport(LogReader(LogFile::PathIn(folder)), format, out);
    else WriteFindings(LogReader(LogFile::PathIn(folder)), format, out);
    return out.str();
}

// Compares `actual` with the golden file `name`; QUORVEX_UPDATE_GOLDEN=1 rewrites the file.
inline void ExpectGolden(const std::string& name, const std::string& actual) {
    const std::filesystem::path file = std::filesystem::path(QUORVEX_SOURCE_DIR) / "tests/report/golden" / name;
    if (std::getenv("QUORVEX_UPDATE_GOLDEN")) WriteFile(file, actual);
    EXPECT_EQ(actual, ReadFile(file)) << name;
}

}  // namespace quorvex::test
