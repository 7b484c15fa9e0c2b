#pragma once

#include <functional>

#include <QDialog>

class QComboBox;
class QLabel;
class QPrintPreviewWidget;
class QPrinter;
class QPushButton;
class QSpinBox;

namespace quorvex {

// The print preview of the report: the pages, and a row of controls that Tab reaches, each
// named for a screen reader and each with its key: Print... (Ctrl+P), Previous Page and Next
// Page (Page Up, Page Down), the page number, Zoom Out and Zoom In (Ctrl+- and Ctrl++), the
// zoom (fit width, fit page, or a percentage), Close (Escape). It opens large, over most of
// the screen its owner is on. Print... emits printAsked.
class PrintPreview : public QDialog {
    Q_OBJECT

public:
    PrintPreview(QPrinter& printer, const std::function<void(QPrinter*)>& paint, QWidget* owner = nullptr);

    QPrintPreviewWidget* Pages() const { return pages_; }
    int CurrentPage() const;
    // The zoom factor of the pages shown (1 for 100 percent).
    double Zoom() const;

signals:
    void printAsked();

private:
    QPushButton* Button(const QString& caption, const QString& name, const QKeySequence& key);
    void AddControls();
    void GoTo(int page);
    void ZoomBy(int steps);
    void ApplyZoom(int item);
    void ShowPageCount();

    QPrintPreviewWidget* pages_ = nullptr;
    QSpinBox* page_ = nullptr;
    QLabel* of_ = nullptr;
    QComboBox* zoom_ = nullptr;
};

}  // namespace quorvex
