#pragma once

#include <cstdint>

class QLabel;
class QProgressBar;
class QVBoxLayout;
class QWidget;

namespace quorvex {

// The progress of a run in the main window: "Processing Record Number: <n>" and the bar of
// the file being read. What the run reports is kept and drawn only when asked (at the
// yields, where Exit is noticed, and before a message), so the number on screen is the
// record the run is at.
class RunProgress {
public:
    // Makes the label and the bar as children of `central` and adds them to `column`.
    RunProgress(QWidget* central, QVBoxLayout* column);
    RunProgress(const RunProgress&) = delete;
    RunProgress& operator=(const RunProgress&) = delete;

    // What the run reports; `fileLength` 0 when it is not known (a pipe).
    void Keep(std::int64_t recCtr, std::int64_t recordsInFile, std::uint64_t fileLength);
    // Shows what was kept since the last time, painted at once. Called at every yield of the
    // run: after kStillDraws of them without a record kept the bar shows that the run is
    // busy but cannot tell how far it is, as it does all along when the file's length is
    // not known.
    void Draw();
    static constexpr int kStillDraws = 50;
    // Whether the bar shows the busy indicator rather than a share of the file.
    // Hides the label and the bar, the bar emptied.
    void Hide();
    // Hides them as they are (before the first run).
    void Conceal();

private:
    void ShowBar();

    QLabel* recCtr_;
    QProgressBar* bar_;
    std::int64_t record_ = 0;
    std::int64_t inFile_ = 0;
    std::uint64_t fileLength_ = 0;
    bool dirty_ = false;
    int stillDraws_ = 0;  // yields since a record was last kept, up to kStillDraws
};

}  // namespace quorvex
