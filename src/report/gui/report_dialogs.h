#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "report/core/report_writers.h"

class QPrintDialog;
class QPrinter;
class QWidget;

namespace quorvex {

class clsPrintDialog;

// A font as the font dialog gives it: name and size in points.
struct FontChoice {
    std::string name;  // UTF-8
    int size = 10;
};

// What the report option dialog chooses: text or HTML, and whether the report shows every
// SSN as its last four digits ("Hide SSNs": the report, its preview, print, PDF and page).
struct ReportChoice {
    ReportFormat type = ReportFormat::Text;
    bool hideSsns = false;
    ReportChoice(ReportFormat t = ReportFormat::Text, bool hide = false) : type(t), hideSsns(hide) {}  // NOLINT
};

// The report's own modal dialogs: the Qt ones in the program, a script in the tests.
class ReportDialogs {
public:
    virtual ~ReportDialogs() = default;

    // frmReportOption opened on `current`: the choice made, nullopt on Cancel.
    virtual std::optional<ReportChoice> ChooseReportType(QWidget* owner, ReportChoice current) = 0;

    // ShowPrinter: the print dialog for `printer`, opened with the pages, range and flags of
    // `dialog`. On OK the printer is the one chosen and `dialog` holds the range, copies and
    // flags given back (Accept); false on Cancel.
    virtual bool ShowPrinter(QWidget* owner, clsPrintDialog& dialog, QPrinter& printer) = 0;

    // The print preview of what `paint` draws on the printer it is given; its Print... calls
    // `print` with the preview as the owner of what it opens.
    virtual void Preview(QWidget* owner, QPrinter& printer, const std::function<void(QPrinter*)>& paint,
                         const std::function<void(QWidget*)>& print) = 0;

    // Whether there is a printer to print on.
    virtual bool PrinterInstalled() const = 0;

    // The print font dialog (title `title`, code page 1252) showing `current`, sizes limited
    // to `minSize`..`maxSize` points. nullopt when the user cancelled.
    virtual std::optional<FontChoice> ChooseFont(QWidget* owner, std::string_view title, const FontChoice& current,
                                                 int minSize, int maxSize) = 0;
};

// The print dialog opened with the pages, range and options of `dialog`.
void SetUpPrintDialog(QPrintDialog& box, const clsPrintDialog& dialog, QPrinter& printer);
// What the print dialog gave back on OK, into `dialog` (Accept).
void TakePrintDialog(clsPrintDialog& dialog, const QPrinter& printer);

// The Qt dialogs: frmReportOption, QPrintDialog, PrintPreview, PrintFontDialog (the
// fixed-pitch fonts of the machine; the name is UTF-8).
class QtReportDialogs final : public ReportDialogs {
public:
    std::optional<ReportChoice> ChooseReportType(QWidget* owner, ReportChoice current) override;
    bool ShowPrinter(QWidget* owner, clsPrintDialog& dialog, QPrinter& printer) override;
    void Preview(QWidget* owner, QPrinter& printer, const std::function<void(QPrinter*)>& paint,
                 const std::function<void(QWidget*)>& print) override;
    bool PrinterInstalled() const override;
    std::optional<FontChoice> ChooseFont(QWidget* owner, std::string_view title, const FontChoice& current,
                                         int minSize, int maxSize) override;
};

}  // namespace quorvex
