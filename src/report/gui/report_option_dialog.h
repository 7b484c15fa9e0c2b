#pragma once

#include <QDialog>

class QRadioButton;

namespace quorvex {

// Report types.
inline constexpr int kTextReport = 1;
inline constexpr int kHtmlReport = 3;

// frmReportOption "Report Option": text or HTML, with the current report type preselected.
class frmReportOption : public QDialog {
    Q_OBJECT

public:
    frmReportOption(int reportType, QWidget* parent = nullptr);

    // 1 (text) or 3 (HTML), as chosen.
    int ReportType() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QRadioButton* text_;
    QRadioButton* html_;
};

}  // namespace quorvex
