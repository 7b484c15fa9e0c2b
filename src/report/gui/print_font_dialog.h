#pragma once

#include <QDialog>

#include "report/gui/report_dialogs.h"

class QFontComboBox;
class QLabel;
class QSpinBox;

namespace quorvex {

// The font dialog of the printed report: the fixed-pitch fonts of the machine (the report's
// columns line up only in one) and a size within the sizes the report allows. It starts
// from the current print font as it is drawn, so OK without a change keeps it.
class PrintFontDialog : public QDialog {
    Q_OBJECT
public:
    PrintFontDialog(const FontChoice& current, int minSize, int maxSize, QWidget* parent = nullptr);

    // What is chosen: the family name (UTF-8; empty when the machine has no fixed-pitch
    // font) and the size.
    FontChoice Chosen() const;

    // The font the dialog starts from: `current` as it is drawn (a missing name gives the
    // fixed-pitch font that stands in for it), so OK without a change keeps it.
    static QFont StartFont(const FontChoice& current);
    QSpinBox* Size() const { return size_; }

private:
    void ShowSample();

    QFontComboBox* family_;
    QSpinBox* size_;
    QLabel* sample_;
};

}  // namespace quorvex
