#pragma once

#include <vector>

#include <QDialog>
#include <QPointer>

#include "reader/fixed_copy.h"
#include "results/gui/results_view.h"

class QAction;
class QMenu;
class QPushButton;
class QTableWidget;

namespace quorvex {

class DesktopServices;
class MainWindow;

// Fix Totals...: the totals of the run on screen that the file itself decides, in a table of
// changes (record, type, field, reported, new), and a corrected copy of the tested file saved
// through the save dialog, never over that file, then offered for testing at once. The
// command is on while the results on screen have such a fix.
class FixTotals : public QObject {
    Q_OBJECT
public:
    // The command goes into `menu`; its questions go to `window`'s services, the save dialog
    // to `desktop`; a run of the window turns it off, and the copy is tested by the window.
    FixTotals(MainWindow& window, DesktopServices& desktop, QMenu* menu);

    QAction* Action() const { return action_; }
    // The command's button, on and off with it.
    QPushButton* MakeButton(QWidget* parent);
    // The result views told what they did: after they showed a run, the command is on when
    // its log has a fix; off otherwise.
    void Follow(ResultsEvent event);
    // The command: the dialog with the table of changes.
    void Open();
    QDialog* Dialog() const { return dialog_; }
    QTableWidget* Table() const { return table_; }

signals:
    // The user wants the corrected copy `file` tested now.
    void testCopy(const QString& file);

private:
    void Save();

    MainWindow& host_;
    DesktopServices& desktop_;
    QAction* action_ = nullptr;
    std::vector<FixChange> changes_;
    QPointer<QDialog> dialog_;
    QTableWidget* table_ = nullptr;
    QPushButton* save_ = nullptr;
};

}  // namespace quorvex
