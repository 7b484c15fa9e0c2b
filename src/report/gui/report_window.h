#pragma once

#include <string>
#include <vector>

#include <QWidget>

#include "errorlog/log_reader.h"
#include "report/core/text_report.h"
#include "report/gui/report_context.h"

class QPlainTextEdit;
class QPushButton;

namespace quorvex {

// frmReport "Report": the text report in a preview box, with printing (and its preview),
// the print font, saving as text or as PDF. Loaded for one report command; Close deletes it.
class frmReport : public QWidget {
    Q_OBJECT

public:
    frmReport(ReportContext context, LogReader log, QWidget* parent = nullptr);

    // The text report: the preview box's text and whether it can be saved.
    void ShowPreview(const TextPreview& preview);

    const FontChoice& PrintFont() const { return printFont_; }

    // PrintReport: counts the pages, asks the print dialog (owned by `owner`) and prints the
    // chosen pages in the print font, each copy a job of its own, with progress and Cancel.
    // Returns the number of jobs done (0 when the dialog or the work was cancelled). Without
    // a printer it says so and offers Save as PDF instead. Throws LogFailure, ReportFileError.
    int PrintReport(QWidget* owner);

    // The buttons. Each shows its failures and never throws.
    void cmdPrint_Click();
    void cmdPreview_Click();
    void cmdFont_Click();
    void cmdSave_Click();
    void cmdPdf_Click();
    void cmdClose_Click();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    template <class Work>
    void Guarded(Work&& work);
    void ApplyPreviewFont();
    void SavePdf();
    void LayoutControls();
    int Pixels(int twips) const;

    ReportContext context_;
    LogReader log_;
    std::string reportText_;  // UTF-8, CR LF
    FontChoice printFont_{"Courier", 10};
    QPlainTextEdit* text1_;
    QPushButton* save_;
    bool saveWhole_ = false;  // Save As... saves the whole report, not the preview's text
    // Right to left, as laid out: Close, Save As, Font, Print, then the two added ones.
    std::vector<QPushButton*> buttons_;
};

}  // namespace quorvex
