#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "errorlog/error_log.h"
#include "errorlog/findings.h"
#include "errorlog/log_reader.h"

namespace quorvex {

// Findings of a test run: every finding becomes an `Errors` row of the current record,
// amounts go into the current block's totals.
class LogFindings final : public Findings {
public:
    explicit LogFindings(ErrorLog& log) : log_(log) {}

    void FieldError(std::string_view reference, std::string_view userEntry, std::string_view errorText,
                    int /*fieldIndex*/) override {
        log_.LogError(reference, userEntry, errorText);
    }
    void TRTFieldError(std::string_view reference, std::string_view userEntry, std::string_view errorText,
                       int /*fieldIndex*/, int errRef) override {
        log_.SetTRTErrRef(errRef);
        log_.LogError(reference, userEntry, errorText);
    }
    void TRUFieldError(std::string_view reference, std::string_view userEntry, std::string_view errorText,
                       int /*fieldIndex*/, int errRef) override {
        log_.SetTRUErrRef(errRef);
        log_.LogError(reference, userEntry, errorText);
    }
    void AddTRT(int column, bool linkRecord, double amount) override { log_.AddTRT(column, linkRecord, amount); }
    void AddTRU(int column, bool linkRecord, double amount) override { log_.AddTRU(column, linkRecord, amount); }
    void SetCurrentSsn(std::string_view ssn) override { log_.SetCurrentSsn(ssn); }
    void SetRecReference(std::string_view reference) override { log_.SetRecReference(reference); }
    void OpenBlock(std::string_view ein) override {
        const std::int64_t indx = log_.OpenBlock(ein);
        log_.SetRecReference(ein);
        log_.SetReIndx(indx);
    }
    void LinkToLastBlock() override {
        const auto block = log_.LastBlock();
        // Without any block (no RE record before) this is the log's "no current record"
        // failure, which the reader's failure handler reports.
        if (!block) throw LogFailure{3021, "No current record."};
        log_.SetRecReference(block->second);
        log_.SetReIndx(block->first);
    }
    void UserIdChecked(bool passed, std::string_view txtline, int first, int /*fieldIndex*/) override {
        log_.SetPinOK(passed);
        if (!passed) return;
        std::string masked(txtline);
        if (masked.size() >= static_cast<std::size_t>(first - 1))
            masked.replace(static_cast<std::size_t>(first - 1), 8, 8, '*');
        log_.SetRecordText(masked);
    }

private:
    ErrorLog& log_;
};

// What a run's checks read back: the log's own rows, written through first; the RW count
// as kept while records are added.
class LogFacts final : public RunFacts {
public:
    explicit LogFacts(ErrorLog& log) : log_(log) {}
    std::optional<BlockRow> TRTBlock(std::int64_t recNum) const override { return log_.BlockOf(recNum, false); }
    std::optional<BlockRow> TRUBlock(std::int64_t recNum) const override { return log_.BlockOf(recNum, true); }
    std::int64_t CountRW() const override { return log_.CountRW(); }

private:
    ErrorLog& log_;
};

// What the viewer's re-check of a stored record reads back: the log the run left.
class ReaderFacts final : public RunFacts {
public:
    explicit ReaderFacts(const LogReader& log) : log_(log) {}
    std::optional<BlockRow> TRTBlock(std::int64_t recNum) const override { return log_.TRTBlock(recNum); }
    std::optional<BlockRow> TRUBlock(std::int64_t recNum) const override { return log_.TRUBlock(recNum); }
    std::int64_t CountRW() const override { return log_.CountRW(); }

private:
    const LogReader& log_;
};

// Findings of the record viewer: which field boxes are marked, and what their findings
// say (for the box's tooltip). Nothing is written.
class ViewerFindings final : public Findings {
public:
    // `userIdPassed`: the run's verdict on the RA User ID (PinOK of the log).
    explicit ViewerFindings(bool userIdPassed = false) : userIdPassed_(userIdPassed) {}

    void FieldError(std::string_view, std::string_view, std::string_view errorText, int fieldIndex) override {
        Mark(fieldIndex, errorText);
    }
    void TRTFieldError(std::string_view, std::string_view, std::string_view errorText, int fieldIndex,
                       int) override {
        Mark(fieldIndex, errorText);
    }
    void TRUFieldError(std::string_view, std::string_view, std::string_view errorText, int fieldIndex,
                       int) override {
        Mark(fieldIndex, errorText);
    }
    void AddTRT(int, bool, double) override {}
    void AddTRU(int, bool, double) override {}
    void SetCurrentSsn(std::string_view) override {}
    void SetRecReference(std::string_view) override {}
    void OpenBlock(std::string_view) override {}
    void LinkToLastBlock() override {}
    void UserIdChecked(bool, std::string_view, int, int fieldIndex) override {
        if (!userIdPassed_) return;
        marked_.erase(fieldIndex);
        messages_.erase(fieldIndex);
    }

    const std::set<int>& Marked() const { return marked_; }
    // The messages of each marked box, in the order the checks found them.
    const std::map<int, std::vector<std::string>>& Messages() const { return messages_; }

private:
    void Mark(int fieldIndex, std::string_view errorText) {
        marked_.insert(fieldIndex);
        messages_[fieldIndex].emplace_back(errorText);
    }

    bool userIdPassed_;
    std::set<int> marked_;
    std::map<int, std::vector<std::string>> messages_;
};

}  // namespace quorvex
