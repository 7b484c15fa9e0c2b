#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/dialog_services.h"

namespace quorvex::test {

// Dialog services driven by a script: file dialogs take queued answers (nullopt = cancel),
// message boxes are recorded and answered from a queue (default: the first button), and
// a hook may run inside each yield.
class ScriptedServices : public DialogServices {
public:
    struct Shown {
        std::string text, title;
        MsgIcon icon;
        MsgButtons buttons;
    };

    std::optional<std::string> OpenFile(std::string_view title, std::string_view filter) override {
        fileTitles.emplace_back(title);
        filters.emplace_back(filter);
        if (files.empty()) return std::nullopt;
        auto f = files.front();
        files.pop_front();
        return f;
    }
    MsgAnswer Message(std::string_view text, std::string_view title, MsgIcon icon, MsgButtons buttons) override {
        messages.push_back({std::string(text), std::string(title), icon, buttons});
        if (!answers.empty()) {
            auto a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
    }
    bool Yield() override {
        ++yields;
        return onYield ? onYield(yields) : true;
    }
    Date Today() override { return today; }
    void ShowProgress(std::int64_t recCtr, std::int64_t recordsInFile, std::uint64_t fileLength) override {
        lastRecCtr = recCtr;
        lastRecordsInFile = recordsInFile;
        lastFileLength = fileLength;
    }
    void OpenFilingPage() override { ++filingPagesOpened; }

    std::deque<std::optional<std::string>> files;
    std::deque<MsgAnswer> answers;
    std::function<bool(int)> onYield;
    Date today{2010, 1, 15};

    std::vector<std::string> fileTitles, filters;
    std::vector<Shown> messages;
    int yields = 0;
    int filingPagesOpened = 0;
    std::int64_t lastRecCtr = 0, lastRecordsInFile = 0;
    std::uint64_t lastFileLength = 0;
};

}  // namespace quorvex::test
