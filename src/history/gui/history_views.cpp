#include "history/gui/history_views.h"

#include <algorithm>
#include <optional>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "common/gui/text_codec.h"
#include "common/gui/window_place.h"
#include "common/text_1252.h"
#include "errorlog/run_history.h"
#include "history/compare_runs.h"
#include "history/gui/compare_window.h"
#include "history/gui/run_history_window.h"
#include "results/gui/result_grid.h"

namespace quorvex {

namespace {

constexpr const char* kCompareTitle = "Compare with Previous Run";
constexpr const char* kHistoryTitle = "Run History";
constexpr const char* kNothingToCompare =
    "The run history holds fewer than two runs: there is nothing to compare yet. Every test adds one.";

// Shows `window` over the middle of `owner` the first time, all of it on the screen.
void Raise(QWidget& window, const QWidget* owner) {
    if (!window.isVisible()) PlaceOnScreen(window, owner ? owner->frameGeometry().center() : std::optional<QPoint>());
    window.show();
    window.raise();
    window.activateWindow();
}

}  // namespace

HistoryViews::HistoryViews(std::filesystem::path programFolder, DialogServices& services, QWidget* owner)
    : QObject(owner), folder_(std::move(programFolder)), services_(services), owner_(owner) {}

void HistoryViews::Tell(const std::string& text, const char* title, MsgIcon icon) {
    services_.Message(Utf8ToCp1252(text), title, icon, MsgButtons::Ok);
}

void HistoryViews::RefuseCopy() {
    services_.Message("Select at most " + std::to_string(ResultGrid::kMostRowsCopied) + " rows to copy.", "Quorvex",
                      MsgIcon::Information, MsgButtons::Ok);
}

void HistoryViews::ShowComparePrevious() { ShowComparison(0, 0); }

void HistoryViews::ShowComparison(std::int64_t a, std::int64_t b) {
    const std::filesystem::path file = RunHistory::PathIn(folder_);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return Tell(kNothingToCompare, kCompareTitle);
    try {
        const RunHistory history(file, false);
        const std::vector<HistoryRun> runs = history.Runs();
        if (a == 0) {
            const auto pair = DefaultPair(runs, b ? std::optional(b) : std::nullopt);
            if (!pair) return Tell(b ? "Run " + std::to_string(b) + " is the first run of the history: there is no run "
                                       "before it to compare it with."
                                     : kNothingToCompare,
                                   b ? kHistoryTitle : kCompareTitle);
            a = pair->first;
            b = pair->second;
        }
        const HistoryRun* runA = nullptr;
        const HistoryRun* runB = nullptr;
        for (const HistoryRun& r : runs) {
            if (r.id == a) runA = &r;
            if (r.id == b) runB = &r;
        }
        if (!runA || !runB)
            return Tell("The run history no longer holds run " + std::to_string(runA ? b : a) + ".", kCompareTitle);
        if (!compare_) {
            compare_ = new CompareWindow(folder_, owner_);
            connect(compare_->Grid(), &ResultGrid::copyRefused, this, &HistoryViews::RefuseCopy);
        }
        compare_->Compare(history, *runA, *runB);
        Raise(*compare_, owner_);
        compare_->Grid()->setFocus();
    } catch (const HistoryError& e) {
        Tell(e.what(), kHistoryTitle, MsgIcon::Exclamation);
    }
}

void HistoryViews::ShowRunHistory() {
    const std::filesystem::path file = RunHistory::PathIn(folder_);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return Tell("No run has been kept in the run history yet.", kHistoryTitle);
    try {
        if (!history_) {
            history_ = new RunHistoryWindow(owner_);
            connect(history_, &RunHistoryWindow::compareRuns, this, &HistoryViews::ShowComparison);
            connect(history_->Grid(), &ResultGrid::copyRefused, this, &HistoryViews::RefuseCopy);
            connect(history_, &RunHistoryWindow::historyFailed, this,
                    [this](const QString& what) { Tell(what.toStdString(), kHistoryTitle, MsgIcon::Exclamation); });
        }
        history_->Load(file);
        Raise(*history_, owner_);
        history_->Grid()->setFocus();
    } catch (const HistoryError& e) {
        Tell(e.what(), kHistoryTitle, MsgIcon::Exclamation);
    }
}

void HistoryViews::CloseWindows() {
    if (compare_) compare_->close();
    if (history_) history_->close();
}

}  // namespace quorvex
