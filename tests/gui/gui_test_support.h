#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>

#include "common/dialog_services.h"
#include "errorlog/sqlite.h"
#include "report/gui/report_dialogs.h"
#include "shell/gui/main_window.h"
#include "support/test_support.h"
#include "support/records.h"

// Readable QString values in the messages of failed expectations.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace quorvex::test {

// One QApplication for the whole test program (offscreen platform, set by CMake).
inline QApplication& App() {
    static int argc = 1;
    static char name[] = "test_gui";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        QCoreApplication::setOrganizationName(QStringLiteral("QuorvexTest"));
        return new QApplication(argc, argv);
    }();
    return *app;
}

// Answers a run's questions from a script; a question the script did not expect fails the test.
class ScriptedServices : public DialogServices {
public:
    struct Shown {
        std::string text;
        std::string title;
        MsgIcon icon;
        MsgButtons buttons;
    };

    std::deque<std::optional<std::string>> files;  // answers of the file dialogs, in order
    std::deque<MsgAnswer> answers;                  // answers of the message boxes, in order
    std::vector<std::string> fileTitles;
    std::vector<Shown> messages;
    Date today{2010, 3, 1};
    int yields = 0;
    std::int64_t lastProgress = 0;
    bool busy = false;
    std::function<bool(int yieldNumber)> onYield;
    std::function<void(std::int64_t recCtr)> onProgress;
    std::function<void(const std::string& title)> onMessage;

    std::optional<std::string> OpenFile(std::string_view title, std::string_view) override {
        fileTitles.emplace_back(title);
        if (files.empty()) {
            ADD_FAILURE() << "unexpected file dialog: " << title;
            return std::nullopt;
        }
        auto answer = files.front();
        files.pop_front();
        return answer;
    }
    MsgAnswer Message(std::string_view text, std::string_view title, MsgIcon icon, MsgButtons buttons) override {
        messages.push_back({std::string(text), std::string(title), icon, buttons});
        if (onMessage) onMessage(std::string(title));
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected message [" << title << "]: " << text;
            return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
        }
        MsgAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    bool Yield() override {
        ++yields;
        return onYield ? onYield(yields) : true;
    }
    void SetBusy(bool b) override { busy = b; }
    Date Today() override { return today; }
    void ShowProgress(std::int64_t recCtr, std::int64_t, std::uint64_t) override {
        lastProgress = recCtr;
        if (onProgress) onProgress(recCtr);
    }

    // The report's questions: save and font dialogs answered from queues (unexpected ones
    // fail), a browser that starts when there is one.
    std::deque<std::optional<std::string>> saveFiles;
    std::vector<std::string> saveTitles;
    std::deque<std::optional<FontChoice>> fonts;
    std::optional<std::string> browser;
    std::vector<std::string> started;  // "program argument"

    std::optional<std::string> SaveFile(std::string_view title, std::string_view, std::string_view) override {
        saveTitles.emplace_back(title);
        if (saveFiles.empty()) {
            ADD_FAILURE() << "unexpected save dialog: " << title;
            return std::nullopt;
        }
        auto answer = saveFiles.front();
        saveFiles.pop_front();
        return answer;
    }
    std::optional<FontChoice> ChooseFont(std::string_view title, const FontChoice&, int, int) override {
        if (fonts.empty()) {
            ADD_FAILURE() << "unexpected font dialog: " << title;
            return std::nullopt;
        }
        auto answer = fonts.front();
        fonts.pop_front();
        return answer;
    }
    std::optional<std::string> AssociatedProgram(std::string_view) override { return browser; }
    bool StartProgram(std::string_view program, std::string_view argument) override {
        started.push_back(std::string(program) + " " + std::string(argument));
        return true;
    }

    // Titles of the messages shown, in order.
    std::vector<std::string> Titles() const {
        std::vector<std::string> out;
        for (const auto& m : messages) out.push_back(m.title);
        return out;
    }
};

// The report's own dialogs in window tests: the report option dialog answers from a queue
// (nullopt is Cancel); any other report dialog, or an option dialog nobody expected, fails.
class ScriptedReportChoices : public ReportDialogs {
public:
    std::deque<std::optional<int>> types;

    std::optional<int> ChooseReportType(QWidget*, int) override {
        if (types.empty()) {
            ADD_FAILURE() << "unexpected report option dialog";
            return std::nullopt;
        }
        auto answer = types.front();
        types.pop_front();
        return answer;
    }
    bool ShowPrinter(QWidget*, clsPrintDialog&, QPrinter&) override {
        ADD_FAILURE() << "unexpected print dialog";
        return false;
    }
    void Preview(QWidget*, QPrinter&, const std::function<void(QPrinter*)>&) override {
        ADD_FAILURE() << "unexpected print preview";
    }
};

// A 512-character record of the given type, blank-padded.
inline std::string Rec(std::string_view id) { return Record(id); }

// RA RE RW×n RT RF that passes every check, CR LF after each record. With `blankWages`
// the RW records are blank and each of them draws a few dozen errors.
inline std::string Submission(int rwCount, bool withRF = true, bool blankWages = false) {
    std::string out;
    auto add = [&](const std::string& record) { out += record + "\r\n"; };
    add(ValidRecord("RA"));
    add(ValidRecord("RE"));
    const std::string rw = blankWages ? Record("RW") : MakeRW();
    for (int i = 0; i < rwCount; ++i) add(rw);
    add(MakeRT(rwCount, {}));
    if (withRF) add(ValidRecord("RF", rwCount));
    return out;
}

inline QPushButton* Button(QWidget& window, const char* name) {
    return window.findChild<QPushButton*>(QString::fromLatin1(name));
}

// Reads one integer (first column of the first row) from the error log in `folder`.
inline std::int64_t QueryInt(const std::filesystem::path& file, const std::string& query) {
    sql::Database db(file.string(), false, true);
    auto st = db.prepare(query);
    return st.step() ? st.int64(0) : -1;
}

// The window with a scripted prompter and its own settings file in `folder`.
inline MainWindowOptions Options(const std::filesystem::path& folder, DialogServices& prompter,
                                 std::chrono::microseconds yieldInterval = std::chrono::milliseconds(8),
                                 ReportDialogs* reportDialogs = nullptr) {
    App();
    static ScriptedReportChoices noReportDialogs;
    MainWindowOptions options;
    options.programFolder = folder;
    options.prompter = &prompter;
    options.reportDialogs = reportDialogs ? reportDialogs : &noReportDialogs;
    options.yieldInterval = yieldInterval;
    options.settingsFile = QString::fromStdString((folder / "window.ini").string());
    return options;
}

}  // namespace quorvex::test
