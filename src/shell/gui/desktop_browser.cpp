#include "shell/gui/desktop_browser.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>

namespace quorvex {

namespace {

// The output of `program arguments`; nullopt when the program is not installed or fails.
std::optional<QString> Output(const QString& program, const QStringList& arguments) {
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) return std::nullopt;
    QProcess process;
    // Untranslated output: gio words its answer in the user's language otherwise.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process.setProcessEnvironment(environment);
    process.start(path, arguments, QIODevice::ReadOnly);
    if (!process.waitForFinished(5000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        return QString();
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// The desktop entry id the desktop opens `mimeType` with: xdg-mime's answer, else gio's;
// empty when neither names one, nullopt when neither is installed.
std::optional<QString> DefaultEntry(const QString& mimeType) {
    std::optional<QString> id;
    if (std::optional<QString> out = Output(QStringLiteral("xdg-mime"), {QStringLiteral("query"),
                                                                        QStringLiteral("default"), mimeType})) {
        id = out->section(QLatin1Char('\n'), 0, 0).trimmed();
        if (!id->isEmpty()) return id;
    }
    // "Default application for 'text/html': firefox.desktop", then the registered ones.
    if (std::optional<QString> out = Output(QStringLiteral("gio"), {QStringLiteral("mime"), mimeType})) {
        const QString first = out->section(QLatin1Char('\n'), 0, 0);
        id = first.startsWith(QLatin1String("Default application")) ? first.section(QLatin1Char(':'), -1).trimmed()
                                                                      : QString();
    }
    return id;
}

// The file of a desktop entry id: applications/<id>, or with the id's dashes as folders
// ("kde4-web.desktop" may be applications/kde4/web.desktop).
QString EntryFile(const QString& id) {
    QString file = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id);
    for (qsizetype dash = id.indexOf(QLatin1Char('-')); file.isEmpty() && dash > 0;
         dash = id.indexOf(QLatin1Char('-'), dash + 1)) {
        QString nested = id;
        nested[dash] = QLatin1Char('/');
        file = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, nested);
    }
    return file;
}

}  // namespace

QStringList DesktopEntryCommand(const QString& entryText) {
    bool inEntry = false;
    QString exec;
    for (const QString& raw : entryText.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
        } else if (inEntry && line.startsWith(QLatin1String("Exec"))) {
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (eq > 0 && line.left(eq).trimmed() == QLatin1String("Exec")) {
                exec = line.mid(eq + 1).trimmed();
                break;
            }
        }
    }
    // The value's own escapes (\s, \\ ...) come before the quoting of the arguments.
    exec.replace(QLatin1String("\\s"), QLatin1String(" "));
    exec.replace(QLatin1String("\\\\"), QLatin1String("\\"));
    static const QRegularExpression fieldCode(QStringLiteral("^%[uUfFick]$"));
    QStringList command;
    for (QString argument : QProcess::splitCommand(exec)) {
        if (fieldCode.match(argument).hasMatch() || argument == QLatin1String("@@u") ||
            argument == QLatin1String("@@"))
            continue;
        argument.replace(QLatin1String("%%"), QLatin1String("%"));
        command << argument;
    }
    return command;
}

DesktopBrowser FindDesktopBrowser(const QString& mimeType) {
    const std::optional<QString> id = DefaultEntry(mimeType);
    if (!id) return {BrowserLookup::NoTool, {}};
    if (id->isEmpty()) return {BrowserLookup::None, {}};
    const QString file = EntryFile(*id);
    QFile entry(file);
    if (file.isEmpty() || !entry.open(QIODevice::ReadOnly)) return {BrowserLookup::None, {}};
    QStringList command = DesktopEntryCommand(QString::fromUtf8(entry.readAll()));
    if (command.isEmpty()) return {BrowserLookup::None, {}};
    // A bare program name is found on the path; one that is not there stays as named, so
    // the failure names it.
    if (!command.front().contains(QLatin1Char('/'))) {
        const QString found = QStandardPaths::findExecutable(command.front());
        if (!found.isEmpty()) command.front() = found;
    }
    return {BrowserLookup::Found, command};
}

QString JoinCommand(const QStringList& command) {
    QStringList quoted;
    for (const QString& argument : command) {
        if (argument.isEmpty() || argument.contains(QLatin1Char(' ')) || argument.contains(QLatin1Char('"'))) {
            QString q = argument;
            q.replace(QLatin1String("\""), QLatin1String("\"\"\""));
            quoted << QLatin1Char('"') + q + QLatin1Char('"');
        } else {
            quoted << argument;
        }
    }
    return quoted.join(QLatin1Char(' '));
}

QStringList SplitCommand(const QString& line) { return QProcess::splitCommand(line); }

}  // namespace quorvex
