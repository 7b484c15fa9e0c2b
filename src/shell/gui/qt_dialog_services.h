#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

class QTextDocument;

#include "common/desktop_services.h"
#include "common/dialog_services.h"

namespace quorvex {

// The extension of the files a name filter of a save dialog shows ("txt" for "ASCII Text
// Files (*.txt)"), added to a name given without one; empty for "All Files (*.*)".
QString FilterSuffix(const QString& nameFilter);

// The questions of the desktop program: Qt file dialogs and message boxes owned by the
// window in use (DialogOwner), and the desktop's browser and printing. Without anyone at the
// screen UnattendedServices stands in front of them.
class QtDialogServices : public DialogServices, public DesktopServices {
public:
    explicit QtDialogServices(QWidget* parent = nullptr);

    void SetParent(QWidget* parent) { parent_ = parent; }
    QWidget* Parent() const { return parent_; }
    // The window a dialog belongs to: the active window of the program (the report window
    // when its buttons ask), so that it stays in front; the parent when none is active.
    QWidget* DialogOwner() const;

    // The folder the file dialog opens in: the last one a file was chosen from while it
    // still exists, else the user's documents folder (never the program folder with the
    // error log in it).
    QString InitialFolder() const;
    const QString& LastFolder() const { return lastFolder_; }
    void SetLastFolder(const QString& folder) { lastFolder_ = folder; }

    std::optional<std::string> OpenFile(FileAsked which) override;
    MsgAnswer Message(std::string_view text, std::string_view title, MsgIcon icon,
                      MsgButtons buttons) override;
    // The text shown as it is.
    MsgAnswer MessageUtf8(std::string_view text, std::string_view title, MsgIcon icon,
                          MsgButtons buttons) override;
    Date Today() override;

    // What the reports ask.
    std::optional<std::string> SaveFile(std::string_view title, std::string_view folder,
                                        std::string_view filter) override;
    // The command of the desktop's default application for HTML pages (xdg-mime, else
    // gio); kDesktopBrowser when neither tool is installed, so the page goes through the
    // desktop's own opener (QDesktopServices); nullopt when the desktop has none.
    std::optional<std::string> AssociatedProgram(std::string_view document) override;
    // Browsers offer no print action to other programs: the page is printed here as the
    // text report is, through the print dialog with no print-to-file choice (without a
    // printer: the offer to save it as PDF), as Qt lays out HTML. False for a page larger
    // than kLargestPrintedPage (left to the browser) or one that cannot be read. Cancel in
    // the dialog is no failure.
    bool PrintDocument(std::string_view document) override;
    // Starts the command `program` (as AssociatedProgram gives it) with the address, on its
    // own (StartWatched): false also when it ends with an error within kStartWatch (a
    // browser that cannot run here exits at once).
    bool StartProgram(std::string_view program, std::string_view argument) override;
    static constexpr std::chrono::milliseconds kStartWatch{1500};

    static constexpr char kDesktopBrowser[] = "the desktop's default web browser";
    static constexpr qint64 kLargestPrintedPage = 2'000'000;

private:
    MsgAnswer ShowMessage(const QString& text, std::string_view title, MsgIcon icon, MsgButtons buttons);

    QPointer<QWidget> parent_;
    QString lastFolder_;
};

// The report page `html` laid out for printing in `page`, as Qt lays out HTML.
void LoadPrintedPage(QTextDocument& page, const std::string& html);

// Starts `command` (program and arguments) so that it outlives this program, and watches it
// for `watch`: false when it cannot be started or ends with a nonzero status meanwhile,
// true when it ends well or still runs. The window's events are handled while it waits.
bool StartWatched(const QStringList& command, std::chrono::milliseconds watch);

}  // namespace quorvex
