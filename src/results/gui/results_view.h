#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>

#include <QWidget>

#include "errorlog/log_reader.h"
#include "results/core/record_view.h"

class QLabel;
class QPlainTextEdit;

namespace quorvex {

class ErrorsTableModel;
class ResultsHost;
class RecordTableModel;
class RecordViewer;
class ResultGrid;

// What the result views did, for the window to set its commands and screens by.
enum class ResultsEvent {
    ErrorsViewAsked,          // the records with errors were asked for: the run is shown
    NothingToShow,            // ... and the log holds no error to show
    ErrorsViewShown,          // ... and they are shown
    ErrorsViewDone,           // the records-with-errors command is over, whatever it found
    TestedViewAsked,          // all tested records were asked for, of a log without errors
    TestedViewAskedWithErrors,  // ... of a log with errors
    TestedViewShown,          // ... and they are shown
    RecordShown,              // a tested record is shown in the field viewer
    LastResultsAsked,         // "View Last Test Results" was chosen
    NoLastResults,            // ... and there is no log
    LastResultsUnreadable,    // ... and its file held no readable record
    LastResultsShown,         // ... and its errors are shown (or could not be read)
    LastResultsClean,         // ... and it holds no error
    Count
};

// The results area of the main window: the records with errors (DBGrid1) with the errors
// of the selected one (DBGrid2), the counts line and the critical-error box; all tested
// records (DBGrid3) with the record field viewer beside them; and the commands that show
// them. Every view reads the log in the program folder afresh and writes nothing.
class ResultsView : public QWidget {
    Q_OBJECT

public:
    explicit ResultsView(ResultsHost& host);
    ~ResultsView() override;

    // Records with errors; also what the end of a run with errors shows.
    void cmdGrid_Click();
    // All tested records; selecting one shows it in the field viewer.
    void cmdView_Click();
    // The results the last run left, after a restart too; usable once per start.
    void cmdLast_Click();
    // The error report's guard: false, after saying "No errors found in the submission!",
    // when the log holds no error.
    bool ErrorsToReport();
    // Whether the log in the program folder holds an error (asks nothing).
    bool LogHasErrors() const;
    // A run starts: the views are put away and their rows dropped.
    void Unload();
    // Shows stored record `recNum` in the field viewer.
    void ViewFile(std::int64_t recNum);

    ResultGrid* DBGrid1() const { return grid1_; }
    ResultGrid* DBGrid2() const { return grid2_; }
    ResultGrid* DBGrid3() const { return grid3_; }
    RecordViewer* Viewer() const { return viewer_; }

signals:
    void happened(quorvex::ResultsEvent event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Build();
    void ShowErrorsView(bool visible);
    void ShowTestedView(bool visible);
    void ShowErrorsOf(int row);
    void SetModel(ResultGrid* grid, RecordTableModel* model);
    std::optional<LogReader> OpenLog() const;
    void ShowFailure(const std::exception& failure);
    // Says that the log's run did not finish when it did not; whether it did not.
    bool TellIfInterrupted(const LogReader& log);

    ResultsHost& host_;
    ResultGrid* grid1_ = nullptr;
    ResultGrid* grid2_ = nullptr;
    ResultGrid* grid3_ = nullptr;
    QLabel* records_ = nullptr;
    QLabel* errors_ = nullptr;
    QLabel* critErrorCaption_ = nullptr;
    QPlainTextEdit* critError_ = nullptr;
    QWidget* testedPanel_ = nullptr;
    RecordViewer* viewer_ = nullptr;
    RecordTableModel* withErrors_ = nullptr;
    ErrorsTableModel* errorsOfRecord_ = nullptr;
    RecordTableModel* tested_ = nullptr;
    BlockContexts contexts_;
    std::int64_t testedCount_ = 0;  // Records rows of the log the tested view shows
    std::string testedPath_;        // Path of its last Misc row, UTF-8
};

}  // namespace quorvex
