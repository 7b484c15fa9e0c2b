#include "report/gui/report_window.h"

#include <algorithm>
#include <utility>

#include <QCoreApplication>
#include <QFile>
#include <QFontMetricsF>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollBar>

#include "report/core/print_dialog.h"
#include "report/core/report_files.h"
#include "report/gui/qt_print_surface.h"
#include "common/gui/text_codec.h"
#include "common/gui/window_place.h"

namespace quorvex {

namespace {

// The window's size as designed, in twips; smaller on a smaller screen.
constexpr int kDesignWidth = 10800;
constexpr int kDesignHeight = 8100;

}  // namespace

frmReport::frmReport(ReportContext context, LogReader log, QWidget* parent)
    : QWidget(parent, Qt::Window), context_(std::move(context)), log_(std::move(log)) {
    setObjectName(QStringLiteral("frmReport"));
    setWindowTitle(tr("Report"));
    setAttribute(Qt::WA_DeleteOnClose);
    InstallWindowAccessibility();

    text1_ = new QPlainTextEdit(this);
    text1_->setObjectName(QStringLiteral("Text1"));
    text1_->setReadOnly(true);
    text1_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text1_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text1_->setAccessibleName(tr("Error Report"));
    text1_->verticalScrollBar()->setAccessibleName(tr("Report lines"));
    text1_->horizontalScrollBar()->setAccessibleName(tr("Report columns"));
    ApplyPreviewFont();

    auto button = [this](const char* name, const QString& caption, void (frmReport::*click)()) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, click);
        buttons_.push_back(b);
        return b;
    };
    // Made left to right, as the keyboard and a reader meet them after the text; laid out
    // from the right.
    button("cmdPdf", tr("Save as P&DF..."), &frmReport::cmdPdf_Click);
    button("cmdPreview", tr("Pre&view..."), &frmReport::cmdPreview_Click);
    QPushButton* print = button("cmdPrint", tr("&Print..."), &frmReport::cmdPrint_Click);
    button("cmdFont", tr("&Font..."), &frmReport::cmdFont_Click);
    save_ = button("cmdSave", tr("&Save As..."), &frmReport::cmdSave_Click);
    button("cmdClose", tr("&Close"), &frmReport::cmdClose_Click);
    // Print... only where it can work; without a printer Save as PDF... is the way to paper.
    if (!context_.dialogs->PrinterInstalled()) {
        print->setEnabled(false);
        print->setToolTip(tr("No printer is installed."));
    }
    QWidget* previous = text1_;
    for (QPushButton* b : buttons_) setTabOrder(std::exchange(previous, b), b);
    std::reverse(buttons_.begin(), buttons_.end());

    // Near the top-left corner of the screen, and no larger than the screen.
    const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect(0, 0, 1280, 1024);
    resize(std::min(Pixels(kDesignWidth), screen.width() - Pixels(100)),
           std::min(Pixels(kDesignHeight), screen.height() - Pixels(150)));
    move(screen.topLeft() + QPoint(Pixels(10), Pixels(10)));
    PlaceOnScreen(*this);
}

int frmReport::Pixels(int twips) const { return qRound(twips * logicalDpiX() / 1440.0); }

void frmReport::ShowPreview(const TextPreview& preview) {
    reportText_ = preview.text;
    text1_->setPlainText(Utf8MessageText(reportText_));
    save_->setEnabled(preview.saveEnabled);
    saveWhole_ = preview.saveWhole;
}

void frmReport::ApplyPreviewFont() {
    const QFont font = quorvex::PrintFont(printFont_);
    text1_->setFont(font);
    // The error blocks' values line up in column 25: tab stops every 8 characters.
    text1_->setTabStopDistance(8 * QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')));
}

void frmReport::keyPressEvent(QKeyEvent* event) {
    // Escape closes the window, as it closes every dialog.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmReport::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutControls();
}

void frmReport::LayoutControls() {
    // The text from the top, the buttons under it, margins of 100 to 150 twips all round.
    const int buttonHeight = buttons_.front()->sizeHint().height();
    const int width = this->width() - Pixels(300);
    const int height = this->height() - Pixels(350) - buttonHeight;
    // A window too small for the controls leaves them where they are.
    if (width <= 0 || height <= 0) return;
    text1_->setGeometry(Pixels(150), Pixels(100), width, height);
    const int top = this->height() - Pixels(150) - buttonHeight;
    int right = Pixels(150) + width;
    for (QPushButton* b : buttons_) {
        const int buttonWidth = b->sizeHint().width();
        b->setGeometry(right - buttonWidth, top, buttonWidth, buttonHeight);
        right -= buttonWidth + Pixels(300);
    }
}

template <class Work>
void frmReport::Guarded(Work&& work) {
    try {
        work();
    } catch (const std::exception& failure) {
        ShowReportFailure(*context_.services, failure);
    }
}

int frmReport::PrintReport(QWidget* owner) {
    if (!context_.dialogs->PrinterInstalled()) {
        if (context_.services->Message(kNoPrinterText, kNoPrinterTitle, MsgIcon::Exclamation, MsgButtons::OkCancel) ==
            MsgAnswer::Ok)
            SavePdf();
        return 0;
    }
    QPrinter& printer = *context_.printer;
    int pages = 0;
    {
        BusyPointer busy(*context_.services);
        KeepMargins(printer);
        QtPrintSurface counting(printer, printFont_);
        ReportProgress progress(owner, tr("Counting the pages of the report..."), log_.ErrorCount());
        pages = CountPages(log_, counting, progress.Callback());
        if (pages == 0) return 0;
    }
    clsPrintDialog dialog = PrintDialogFor(pages);
    if (!context_.dialogs->ShowPrinter(owner, dialog, printer)) return 0;
    const PageRange range = PrintRange(dialog, pages);
    BusyPointer busy(*context_.services);
    QCoreApplication::processEvents();
    // Each copy is a print job of its own: the printer is not to repeat them.
    printer.setCopyCount(1);
    int jobs = 0;
    ReportProgress progress(owner, tr("Printing the report..."), log_.ErrorCount() * std::max(dialog.Copies(), 1));
    for (; jobs < std::max(dialog.Copies(), 1); ++jobs) {
        const std::int64_t before = jobs * log_.ErrorCount();
        if (!PrintPages(printer, printFont_, log_, range, [&](std::int64_t done) { return progress(before + done); }))
            break;
    }
    return jobs;
}

void frmReport::cmdPrint_Click() {
    Guarded([this] { PrintReport(this); });
}

void frmReport::cmdPreview_Click() {
    Guarded([this] {
        // The preview's pages (of the range its printer has, if any); its Print... prints as
        // Print... of this window does.
        const auto print = [this](QWidget* owner) { Guarded([&] { PrintReport(owner); }); };
        const auto paint = [this](QPrinter* printer) {
            const PageRange range = printer->printRange() == QPrinter::PageRange
                                        ? PageRange{printer->fromPage(), printer->toPage()}
                                        : kAllPages;
            Guarded([&] {
                ReportProgress progress(this, tr("Laying out the pages of the report..."), log_.ErrorCount());
                PrintPages(*printer, printFont_, log_, range, progress.Callback());
            });
        };
        context_.dialogs->Preview(this, *context_.printer, paint, print);
    });
}

void frmReport::cmdFont_Click() {
    Guarded([this] {
        const std::optional<FontChoice> chosen =
            context_.dialogs->ChooseFont(this, "Select Print Font", printFont_, 8, 20);
        if (!chosen) return;
        if (!chosen->name.empty()) printFont_.name = chosen->name;
        printFont_.size = std::clamp(chosen->size, 8, 20);
        ApplyPreviewFont();
    });
}

void frmReport::cmdSave_Click() {
    Guarded([this] {
        if (saveWhole_) {
            SaveTextReportAs(log_, *context_.desktop, context_.programFolder);
        } else {
            SaveReportAs(*context_.desktop, context_.programFolder, reportText_);
        }
    });
}

void frmReport::cmdPdf_Click() {
    Guarded([this] { SavePdf(); });
}

void frmReport::SavePdf() {
    const std::optional<std::string> file = context_.desktop->SaveFile(
        "Save Report as PDF", context_.programFolder.string(), "PDF Files (*.pdf)|*.pdf|All Files (*.*)|*.*|");
    if (!file || file->empty()) return;
    // The pages of the current printer, in a file.
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setPageLayout(context_.printer->pageLayout());
    pdf.setDocName(QStringLiteral("Quorvex Error Report"));
    pdf.setOutputFileName(QFile::decodeName(QByteArray::fromStdString(*file)));
    BusyPointer busy(*context_.services);
    ReportProgress progress(this, tr("Saving the report as PDF..."), log_.ErrorCount());
    // A cancelled file is half a report: the file as it was stays.
    PrintPages(pdf, printFont_, log_, kAllPages, progress.Callback());
}

void frmReport::cmdClose_Click() { close(); }

}  // namespace quorvex
