#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <QPointer>
#include <QString>
#include <QWidget>

#include "common/dialog_services.h"
#include "report/core/browser.h"

namespace quorvex {

// The questions of the desktop program: Qt file dialogs and message boxes owned by
// `parent`. Unattended mode (environment QUORVEX_UNATTENDED=1) shows nothing: each
// message is written to standard error and answered with its first button, and file
// dialogs are cancelled; it lets scripts start the program without a screen.
class QtDialogServices : public DialogServices {
public:
    explicit QtDialogServices(QWidget* parent = nullptr);

    void SetParent(QWidget* parent) { parent_ = parent; }
    QWidget* Parent() const { return parent_; }
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
    Date Today() override;
    void OpenFilingPage() override;

private:
    QPointer<QWidget> parent_;
    QString lastFolder_;
};

}  // namespace quorvex
