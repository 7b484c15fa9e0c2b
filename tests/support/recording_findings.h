#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "errorlog/findings.h"

namespace quorvex::test {

// A Findings sink that remembers what the checks reported, in order, and passes every
// call on to `forward` (a run's sink) when there is one.
class RecordingFindings : public Findings {
public:
    struct Finding {
        std::string reference, userEntry, error;
        int fieldIndex = -1;
        int errRef = 0;        // 1-24 for TRTFieldError, 1-17 for TRUFieldError, 0 otherwise
        char table = ' ';      // 'T' TRT, 'U' TRU, ' ' plain FieldError
    };
    struct Addition {
        char table;            // 'T' or 'U'
        int column;
        bool link;
        double amount;
    };

    explicit RecordingFindings(Findings* forward = nullptr) : forward_(forward) {}

    void FieldError(std::string_view r, std::string_view u, std::string_view e, int i) override {
        findings.push_back({std::string(r), std::string(u), std::string(e), i, 0, ' '});
        if (forward_) forward_->FieldError(r, u, e, i);
    }
    void TRTFieldError(std::string_view r, std::string_view u, std::string_view e, int i, int n) override {
        findings.push_back({std::string(r), std::string(u), std::string(e), i, n, 'T'});
        if (forward_) forward_->TRTFieldError(r, u, e, i, n);
    }
    void TRUFieldError(std::string_view r, std::string_view u, std::string_view e, int i, int n) override {
        findings.push_back({std::string(r), std::string(u), std::string(e), i, n, 'U'});
        if (forward_) forward_->TRUFieldError(r, u, e, i, n);
    }
    void AddTRT(int c, bool l, double a) override {
        additions.push_back({'T', c, l, a});
        if (forward_) forward_->AddTRT(c, l, a);
    }
    void AddTRU(int c, bool l, double a) override {
        additions.push_back({'U', c, l, a});
        if (forward_) forward_->AddTRU(c, l, a);
    }
    void SetCurrentSsn(std::string_view ssn) override {
        currentSsn = ssn;
        if (forward_) forward_->SetCurrentSsn(ssn);
    }
    void SetRecReference(std::string_view r) override {
        if (forward_) forward_->SetRecReference(r);
    }
    void OpenBlock(std::string_view ein) override {
        if (forward_) forward_->OpenBlock(ein);
    }
    void LinkToLastBlock() override {
        if (forward_) forward_->LinkToLastBlock();
    }
    void UserIdChecked(bool passed, std::string_view t, int first, int i) override {
        if (forward_) forward_->UserIdChecked(passed, t, first, i);
    }

    std::vector<Finding> findings;
    std::vector<Addition> additions;
    std::string currentSsn;

private:
    Findings* forward_;
};

}  // namespace quorvex::test
