#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>

#include <QWidget>

class QLabel;
class QPushButton;

namespace quorvex {

class ResultGrid;
class RunListModel;

// "Run History": the runs the history keeps, newest first (number, date, outcome, counts,
// files). Compare (or Enter) compares the newest of the selected runs with the oldest of
// them; one run selected is compared with the run before it. Escape and Close close it.
class RunHistoryWindow : public QWidget {
    Q_OBJECT

public:
    explicit RunHistoryWindow(QWidget* owner);

    // Lists the runs of `history`; throws HistoryError.
    void Load(const std::filesystem::path& history);

    ResultGrid* Grid() const { return grid_; }
    RunListModel* Model() const { return model_; }

signals:
    // Compare: run `b` against run `a` (a is 0 for the run before b).
    void compareRuns(std::int64_t a, std::int64_t b);
    void historyFailed(const QString& what);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CompareSelected();
    void UpdateButtons();

    QLabel* hint_ = nullptr;
    ResultGrid* grid_ = nullptr;
    RunListModel* model_ = nullptr;
    QPushButton* compare_ = nullptr;
    QPushButton* close_ = nullptr;
};

}  // namespace quorvex
