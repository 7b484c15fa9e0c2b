#pragma once

#include <optional>

#include <QString>
#include <QStringList>

namespace quorvex {

// What the program learns of the desktop's web browser on Linux: the desktop's default
// application for HTML pages, as xdg-mime (or else gio) names it, and the command of its
// desktop entry.

// How the lookup went.
enum class BrowserLookup {
    Found,      // `command` holds the browser's command
    None,       // the desktop has no default application for HTML pages
    NoTool,     // neither xdg-mime nor gio is installed: the desktop cannot be asked
};

struct DesktopBrowser {
    BrowserLookup lookup = BrowserLookup::None;
    QStringList command;  // program and fixed arguments; the address is added at the end
};

// The default application for `mimeType` and its command.
DesktopBrowser FindDesktopBrowser(const QString& mimeType = QStringLiteral("text/html"));

// The command of the Exec key of a desktop entry's text ([Desktop Entry] group): quoted
// arguments unquoted, field codes (%u, %U, %f, %F, %i, %c, %k) and the @@ markers of
// sandboxed applications dropped, %% as %. Empty when there is no Exec key.
QStringList DesktopEntryCommand(const QString& entryText);

// A command as one line (arguments with blanks quoted), and back.
QString JoinCommand(const QStringList& command);
QStringList SplitCommand(const QString& line);

}  // namespace quorvex
