#pragma once

#include <cstdint>
#include <filesystem>

#include <QObject>
#include <QPointer>

#include "common/dialog_services.h"

class QWidget;

namespace quorvex {

class CompareWindow;
class RunHistoryWindow;

// The windows of the run history over the main window: the comparison of two runs and the
// list of runs. They read the history in the program folder (RunHistory.db) and the error
// log, and write nothing; what keeps them from opening is said in a message box.
class HistoryViews : public QObject {
    Q_OBJECT

public:
    HistoryViews(std::filesystem::path programFolder, DialogServices& services, QWidget* owner);

    // View > Compare with Previous Run: the last run against the one before it of the same
    // submission name, else the run just before it.
    void ShowComparePrevious();
    // View > Run History.
    void ShowRunHistory();
    // Run `b` against run `a`; `a` 0 for the run before b.
    void ShowComparison(std::int64_t a, std::int64_t b);
    // A run starts: the windows close, as the log and the history are about to change.
    void CloseWindows();

private:
    void Tell(const std::string& text, const char* title, MsgIcon icon = MsgIcon::Information);
    // Ctrl+C on more rows than a grid copies.
    void RefuseCopy();

    std::filesystem::path folder_;
    DialogServices& services_;
    QWidget* owner_;
    QPointer<CompareWindow> compare_;
    QPointer<RunHistoryWindow> history_;
};

}  // namespace quorvex
