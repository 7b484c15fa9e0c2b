#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "errorlog/findings.h"

namespace quorvex::test {

// A Findings sink that only remembers what the checks reported, in order.
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

    explicit RecordingFindings(bool viewer = false) : viewer_(viewer) {}

    bool ViewerMode() const override { return viewer_; }
    void FieldError(std::string_view r, std::string_view u, std::string_view e, int i) override {
        findings.push_back({std::string(r), std::string(u), std::string(e), i, 0, ' '});
    }
    void TRTFieldError(std::string_view r, std::string_view u, std::string_view e, int i, int n) override {
        findings.push_back({std::string(r), std::string(u), std::string(e), i, n, 'T'});
    }
    void TRUFieldError(std::string_view r, std::string_view u, std::string_view e, int i, int n) override {
        findings.push_back({std::string(r), std::string(u), std::string(e), i, n, 'U'});
    }
    void AddTRT(int c, bool l, double a) override { additions.push_back({'T', c, l, a}); }
    void AddTRU(int c, bool l, double a) override { additions.push_back({'U', c, l, a}); }
    void SetCurrentSsn(std::string_view ssn) override { currentSsn = ssn; }
    void Unmark(int i) override { unmarked.push_back(i); }

    std::vector<Finding> findings;
    std::vector<Addition> additions;
    std::vector<int> unmarked;
    std::string currentSsn;

private:
    bool viewer_;
};

}  // namespace quorvex::test
