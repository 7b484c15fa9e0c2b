#include "errorlog/run_findings.h"

namespace quorvex {

std::vector<std::string> RunFindings::Files() const {
    if (!log_) return kept_->Files();
    std::vector<std::string> named;
    for (MiscRow& misc : log_->Misc()) named.push_back(std::move(misc.pathUtf8));
    return named;
}

void RunFindings::ForEach(const std::function<bool(ReportRow&, const BlockRecords&)>& visit) {
    if (log_) log_->ForEachKeyedRow(visit, kept_ ? &*kept_ : nullptr);
    else LogReader::ForEachKeptRow(*kept_, visit);
}

}  // namespace quorvex
