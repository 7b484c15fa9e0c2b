#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/desktop_services.h"
#include "common/dialog_services.h"

namespace quorvex::test {

// Dialog and desktop services driven by a script: file dialogs take queued answers (nullopt
// = cancel), message boxes are recorded and answered from a queue, a hook may run inside
// each yield, and the browser is a name with switches for its print and start actions. A
// dialog or message the script did not queue an answer for fails the test (it is answered
// No, else with the first button, or cancelled) unless `strict` is turned off.
class ScriptedServices : public DialogServices, public DesktopServices {
public:
    struct Shown {
        std::string text, title;
        MsgIcon icon;
        MsgButtons buttons;
    };

    std::optional<std::string> OpenFile(FileAsked which) override {
        const std::string_view title = FileDialogTitle(which);
        fileTitles.emplace_back(title);
        if (files.empty()) return Unexpected("file dialog", title), std::nullopt;
        return Pop(files);
    }
    MsgAnswer Message(std::string_view text, std::string_view title, MsgIcon icon, MsgButtons buttons) override {
        messages.push_back({std::string(text), std::string(title), icon, buttons});
        if (onMessage) onMessage(messages.back().title);
        if (!answers.empty()) return Pop(answers);
        Unexpected("message", std::string(title) + ": " + std::string(text));
        return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
    }
    // Recorded as given: the text stays UTF-8.
    MsgAnswer MessageUtf8(std::string_view text, std::string_view title, MsgIcon icon, MsgButtons buttons) override {
        return Message(text, title, icon, buttons);
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
        if (onProgress) onProgress(recCtr);
    }
    void SetBusy(bool on) override { busy = on; }

    std::optional<std::string> SaveFile(std::string_view title, std::string_view folder,
                                        std::string_view filter) override {
        saveDialogs.push_back({std::string(title), std::string(folder), std::string(filter)});
        if (saveFiles.empty()) return Unexpected("save dialog", title), std::nullopt;
        return Pop(saveFiles);
    }
    std::optional<std::string> AssociatedProgram(std::string_view) override { return browser; }
    bool PrintDocument(std::string_view document) override {
        printed.emplace_back(document);
        return printWorks;
    }
    bool StartProgram(std::string_view program, std::string_view argument) override {
        started.push_back(std::string(program) + " " + std::string(argument));
        return startWorks;
    }

    std::deque<std::optional<std::string>> files;
    std::deque<MsgAnswer> answers;
    std::function<bool(int)> onYield;
    Date today{2010, 1, 15};
    std::deque<std::optional<std::string>> saveFiles;  // answers of the save dialog
    std::optional<std::string> browser;                // the program pages open with
    bool printWorks = true, startWorks = true;
    bool strict = true;
    std::function<void(std::int64_t recCtr)> onProgress;
    std::function<void(const std::string& title)> onMessage;

    std::vector<std::string> fileTitles;
    std::vector<Shown> messages;
    int yields = 0;
    bool busy = false;
    std::vector<std::vector<std::string>> saveDialogs;  // title, folder, filter
    std::vector<std::string> printed, started;          // documents; "program argument"
    std::int64_t lastRecCtr = 0, lastRecordsInFile = 0;
    std::uint64_t lastFileLength = 0;

    // Titles of the messages shown, in order, joined by "|".
    std::string Titles() const {
        std::string out;
        for (const auto& m : messages) out += (out.empty() ? "" : "|") + m.title;
        return out;
    }

private:
    template <typename T>
    static T Pop(std::deque<T>& queue) {
        T front = std::move(queue.front());
        queue.pop_front();
        return front;
    }
    void Unexpected(const char* what, std::string_view detail) const {
        if (strict) ADD_FAILURE() << "unexpected " << what << ": " << detail;
    }
};

}  // namespace quorvex::test
