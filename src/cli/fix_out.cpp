#include "cli/fix_out.h"

#include "common/safe_file.h"
#include "common/terminal_text.h"
#include "reader/fixed_copy.h"
#include "report/core/report_files.h"

namespace quorvex {

int WriteFixedCopies(const LogReader& log, const std::string& target, const std::filesystem::path& programFolder,
                     const std::vector<std::filesystem::path>& inputs) {
    try {
        const std::vector<FixChange> changes = LogChanges(log);
        std::string listing;
        for (const FixChange& c : changes) {
            listing += "Record " + std::to_string(c.recNum) + " (" + c.id + ") " + c.reference + ": ";
            listing += c.fix.text.empty() ? c.fix.description : "[" + c.fix.reported + "] -> " + c.fix.text;
            listing += '\n';
        }
        if (Replacing(changes) == 0) {
            Print(stdout, listing + "Nothing to fix: no corrected copy was written.\n");
            return 0;
        }
        std::error_code ec;
        const bool intoFolder = log.Misc().size() > 1 || std::filesystem::is_directory(target, ec);
        const auto written = WriteFixedCopies(log, changes, [&](const std::filesystem::path& file) {
            const std::filesystem::path copy =
                intoFolder ? std::filesystem::path(target) / file.filename() : std::filesystem::path(target);
            if (const std::string clash = OutputClash(copy, programFolder, inputs); !clash.empty())
                throw FileWriteError("Could not write " + copy.string() + ": " + clash + "; choose another file");
            return copy;
        });
        for (const FixedCopy& w : written) listing += "Corrected copy written: " + TerminalValue(w.copy.string()) + "\n";
        Print(stdout, listing);
        return 0;
    } catch (const std::exception& failure) {
        Print(stderr, "quorvex-check: " + TerminalValue(failure.what()) + "\n");
        return 5;
    }
}

}  // namespace quorvex
