#pragma once

#include <set>

#include "errorlog/error_log.h"
#include "errorlog/findings.h"

namespace quorvex {

// Findings of a test run: every finding becomes an `Errors` row of the current record,
// amounts go into the current block's totals.
class LogFindings final : public Findings {
public:
    explicit LogFindings(ErrorLog& log) : log_(log) {}

    bool ViewerMode() const override { return false; }
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

private:
    ErrorLog& log_;
};

// Findings of the record viewer: only which field boxes are marked. Nothing is written.
class ViewerFindings final : public Findings {
public:
    bool ViewerMode() const override { return true; }
    void FieldError(std::string_view, std::string_view, std::string_view, int fieldIndex) override {
        marked_.insert(fieldIndex);
    }
    void TRTFieldError(std::string_view, std::string_view, std::string_view, int fieldIndex, int) override {
        marked_.insert(fieldIndex);
    }
    void TRUFieldError(std::string_view, std::string_view, std::string_view, int fieldIndex, int) override {
        marked_.insert(fieldIndex);
    }
    void AddTRT(int, bool, double) override {}
    void AddTRU(int, bool, double) override {}
    void SetCurrentSsn(std::string_view) override {}
    void Unmark(int fieldIndex) override { marked_.erase(fieldIndex); }

    const std::set<int>& Marked() const { return marked_; }

private:
    std::set<int> marked_;
};

}  // namespace quorvex
