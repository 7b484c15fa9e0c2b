#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/desktop_services.h"
#include "common/dialog_services.h"
#include "report/gui/report_dialogs.h"

class QString;

namespace quorvex {

class QtDialogServices;

// Unattended mode (environment QUORVEX_UNATTENDED=1), which lets scripts start the desktop
// program without anyone at the screen: the Qt services with nothing shown. Each message is
// written to standard error and answered with its first button; the file and save dialogs
// are cancelled, saying so on standard error; there is no browser and no page is printed.
// The date, yields, busy pointer and progress are the Qt services' own.
class UnattendedServices final : public DialogServices, public DesktopServices {
public:
    explicit UnattendedServices(QtDialogServices& attended) : attended_(attended) {}

    std::optional<std::string> OpenFile(FileAsked which) override;
    MsgAnswer Message(std::string_view text, std::string_view title, MsgIcon icon, MsgButtons buttons) override;
    MsgAnswer MessageUtf8(std::string_view text, std::string_view title, MsgIcon icon, MsgButtons buttons) override;
    bool Yield() override;
    void SetBusy(bool busy) override;
    Date Today() override;
    void ShowProgress(std::int64_t recCtr, std::int64_t recordsInFile, std::uint64_t fileLength) override;

    std::optional<std::string> SaveFile(std::string_view title, std::string_view folder,
                                        std::string_view filter) override;
    std::optional<std::string> AssociatedProgram(std::string_view) override { return std::nullopt; }
    bool PrintDocument(std::string_view) override { return false; }
    bool StartProgram(std::string_view, std::string_view) override { return false; }

private:
    MsgAnswer Tell(const QString& text, std::string_view title, MsgIcon icon, MsgButtons buttons);

    QtDialogServices& attended_;
};

// The report's Qt dialogs in unattended mode: the print font dialog is cancelled, the others
// are the Qt ones.
class UnattendedReportDialogs final : public ReportDialogs {
public:
    std::optional<ReportChoice> ChooseReportType(QWidget* owner, ReportChoice current) override {
        return attended_.ChooseReportType(owner, current);
    }
    bool ShowPrinter(QWidget* owner, clsPrintDialog& dialog, QPrinter& printer) override {
        return attended_.ShowPrinter(owner, dialog, printer);
    }
    void Preview(QWidget* owner, QPrinter& printer, const std::function<void(QPrinter*)>& paint,
                 const std::function<void(QWidget*)>& print) override {
        attended_.Preview(owner, printer, paint, print);
    }
    bool PrinterInstalled() const override { return attended_.PrinterInstalled(); }
    std::optional<FontChoice> ChooseFont(QWidget*, std::string_view, const FontChoice&, int, int) override {
        return std::nullopt;
    }

private:
    QtReportDialogs attended_;
};

}  // namespace quorvex
