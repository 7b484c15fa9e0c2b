#pragma once

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include "support/db_faults.h"
#include "report/gui/report_dialogs.h"
#include "report/gui/report_option_dialog.h"
#include "report/gui/report_window.h"
#include "shell/gui/main_window.h"
#include "support/records.h"
#include "support/scripted_services.h"
#include "support/test_support.h"

namespace quorvex::test {

// The child of `parent` named `name`, as a screen reader finds it.
template <class T = QWidget>
T* Child(const QObject* parent, const char* name) { return parent->findChild<T*>(QString::fromLatin1(name)); }

// One QApplication for the whole test program: the offscreen platform with one screen of
// 1024x768, the smallest the windows are laid out for, and frames around the windows.
inline QApplication& App() {
    static std::string platform = "offscreen:configfile=" QUORVEX_SOURCE_DIR "/tests/gui/screen-1024x768.json";
    static int argc = 3;
    static char* argv[] = {const_cast<char*>("test_gui"), const_cast<char*>("-platform"), platform.data(), nullptr};
    static QApplication* app =
        (QCoreApplication::setOrganizationName(QStringLiteral("QuorvexTest")), new QApplication(argc, argv));
    return *app;
}

// The report option and font dialogs answer from queues; the print dialog and preview call
// hooks.
struct ScriptedReportDialogs : ReportDialogs {
    std::deque<std::optional<ReportChoice>> types;
    std::vector<ReportFormat> preselected;
    std::function<bool(clsPrintDialog&, QPrinter&)> print;
    std::function<void(QPrinter&, const std::function<void(QPrinter*)>&, const std::function<void(QWidget*)>&)>
        preview;

    std::optional<ReportChoice> ChooseReportType(QWidget*, ReportChoice current) override {
        preselected.push_back(current.type);
        if (types.empty()) return ADD_FAILURE() << "unexpected report option dialog", std::nullopt;
        auto answer = types.front();
        types.pop_front();
        return answer;
    }
    bool ShowPrinter(QWidget*, clsPrintDialog& d, QPrinter& p) override { return print && print(d, p); }
    void Preview(QWidget*, QPrinter& p, const std::function<void(QPrinter*)>& paint,
                 const std::function<void(QWidget*)>& printIt) override {
        preview(p, paint, printIt);
    }
    bool PrinterInstalled() const override { return printer; }
    std::optional<FontChoice> ChooseFont(QWidget*, std::string_view, const FontChoice&, int, int) override {
        if (fonts.empty()) return ADD_FAILURE() << "unexpected font dialog", std::nullopt;
        auto answer = fonts.front();
        fonts.pop_front();
        return answer;
    }
    bool printer = true;  // a printer is installed
    std::deque<std::optional<FontChoice>> fonts;
};

// A main window on a program folder (its own unless given) with scripted dialogs.
struct Gui {
    explicit Gui(std::chrono::microseconds yield = std::chrono::milliseconds(8), std::filesystem::path folder = {}) {
        App();
        options.programFolder = folder.empty() ? dir.path() : folder;
        options.prompter = &script;
        options.desktop = &script;
        options.reportDialogs = &reports;
        options.yieldInterval = yield;
        options.settingsFile = QString::fromStdString((options.programFolder / "window.ini").string());
        Reopen();
    }
    void Reopen() {  // the program ended and started again
        window.reset();
        window = std::make_unique<MainWindow>(options);
        window->show();
    }
    // Tests `contents` (one file each, a further file dialog cancelled); `answers` answer the messages.
    void Test(const std::vector<std::string>& contents, std::vector<MsgAnswer> answers = {MsgAnswer::Ok}) {
        for (std::size_t i = 0; i < contents.size(); ++i) {
            const auto file = dir / ("sub" + std::to_string(i + 1) + ".txt");
            WriteFile(file, contents[i]);
            script.files.push_back(file.string());
        }
        script.files.push_back(std::nullopt);
        script.answers = {answers.begin(), answers.end()};
        window->StartTesting();
        script.files.clear();
    }
    void Click(const char* command) {
        Child<QAction>(window.get(), command)->trigger();
        QApplication::processEvents();
    }
    // The report of the log in its window, of the type chosen in the option dialog (nullptr: none opened).
    frmReport* OpenReport(ReportChoice choice = kTextReport) {
        reports.types = {choice};
        Click("cmdErrors");
        return window->findChild<frmReport*>();
    }
    // The commands off (a button out of step with its command as "!name"), "/", what is
    // shown with "@" and the focus, "/", the titles of the messages shown.
    std::string State() const {
        QApplication::processEvents();
        std::string out;
        for (std::size_t i = 0; i < kCommandCount; ++i) {
            QAction* a = window->Action(static_cast<Command>(i));
            auto* button = window->findChild<QPushButton*>(a->objectName());
            if (button && button->isEnabled() != a->isEnabled()) out.append(" !").append(a->objectName().toStdString());
            if (!a->isEnabled()) out.append(" ").append(a->objectName().toStdString());
        }
        out = (out.empty() ? out : out.substr(1)) + " / ";
        for (const char* name : {"lblWelcome", "DBGrid1", "DBGrid3", "lblRecCtr"})
            if (window->findChild<QWidget*>(QString::fromLatin1(name))->isVisible()) out += std::string(name) + " ";
        QWidget* focus = window->focusWidget();
        return out + "@" + (focus ? focus->objectName().toStdString() : "") + " / " + script.Titles();
    }

    TempDir dir;
    ScriptedServices script;
    ScriptedReportDialogs reports;
    MainWindowOptions options;
    std::string during;  // what a test saw while something was under way
    std::unique_ptr<MainWindow> window;
};

// A run of one RW record whose SSN fails (record 3).
inline void RunWithAnError(Gui& g) { g.Test({Submission(1, true, With(MakeRW(), 3, "12345678X"))}); }

// What a screen reader is told of `w`.
inline std::string Accessible(QWidget* w, QAccessible::Text text = QAccessible::Name) {
    return w ? QAccessible::queryAccessibleInterface(w)->text(text).toStdString() : "(none)";
}

}  // namespace quorvex::test
