#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <QFont>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "common/dialog_services.h"

namespace quorvex {

// The extension of the files a name filter of a save dialog shows ("txt" for "ASCII Text
// Files (*.txt)"), added to a name given without one; empty for "All Files (*.*)".
QString FilterSuffix(const QString& nameFilter);

// The questions of the desktop program: Qt file dialogs and message boxes owned by the
// window in use (DialogOwner). Unattended mode (environment QUORVEX_UNATTENDED=1) shows
// nothing: each message is written to standard error and answered with its first button,
// and file dialogs are cancelled; it lets scripts start the program without a screen.
class QtDialogServices : public DialogServices {
public:
    explicit QtDialogServices(QWidget* parent = nullptr);

    void SetParent(QWidget* parent) { parent_ = parent; }
    QWidget* Parent() const { return parent_; }
    // The window a dialog belongs to: the active window of the program (the report window
    // when its buttons ask), so that it stays in front; the parent when none is active.
    QWidget* DialogOwner() const;
    // The font the font dialog starts from: `current` as it is drawn (a missing name gives
    // the fixed-pitch font that stands in for it), so OK without a change keeps it.
    static QFont FontDialogStart(const FontChoice& current);
    static bool Unattended();

    // The folder the file dialog opens in: the last one a file was chosen from while it
    // still exists, else the user's documents folder (never the program folder with the
    // error log in it).
    QString InitialFolder() const;
    const QString& LastFolder() const { return lastFolder_; }
    void SetLastFolder(const QString& folder) { lastFolder_ = folder; }

    std::optional<std::string> OpenFile(std::string_view title, std::string_view filter) override;
    MsgAnswer Message(std::string_view text, std::string_view title, MsgIcon icon,
                      MsgButtons buttons) override;
    // The text shown as it is.
    MsgAnswer MessageUtf8(std::string_view text, std::string_view title, MsgIcon icon,
                          MsgButtons buttons) override;
    Date Today() override;

    // What the reports ask. Unattended, the dialogs are cancelled and there is no browser.
    std::optional<std::string> SaveFile(std::string_view title, std::string_view folder,
                                        std::string_view filter) override;
    // The fixed-pitch fonts of the machine in sizes `minSize`..`maxSize` (PrintFontDialog).
    // The name is UTF-8.
    std::optional<FontChoice> ChooseFont(std::string_view title, const FontChoice& current, int minSize,
                                         int maxSize) override;
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
    // Starts the command `program` (as AssociatedProgram gives it) with the address.
    bool StartProgram(std::string_view program, std::string_view argument) override;

    static constexpr char kDesktopBrowser[] = "the desktop's default web browser";
    static constexpr qint64 kLargestPrintedPage = 2'000'000;

private:
    MsgAnswer ShowMessage(const QString& text, std::string_view title, MsgIcon icon, MsgButtons buttons);

    QPointer<QWidget> parent_;
    QString lastFolder_;
};

}  // namespace quorvex
