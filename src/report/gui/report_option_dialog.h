#pragma once

#include <QDialog>

#include "report/core/report_writers.h"
#include "report/gui/report_dialogs.h"

class QCheckBox;
class QRadioButton;

namespace quorvex {

// The report types the dialog offers.
inline constexpr ReportFormat kTextReport = ReportFormat::Text;
inline constexpr ReportFormat kHtmlReport = ReportFormat::Html;

// frmReportOption "Report Option": text or HTML, with the current report type preselected,
// and "Hide SSNs".
class frmReportOption : public QDialog {
    Q_OBJECT

public:
    frmReportOption(ReportChoice current, QWidget* parent = nullptr);

    // Text or HTML, as chosen.
    ReportFormat ReportType() const;
    ReportChoice Choice() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QRadioButton* text_;
    QRadioButton* html_;
    QCheckBox* hideSsns_;
};

}  // namespace quorvex
