#include "shell/gui/startup.h"

#include <cstdio>
#include <exception>
#include <system_error>

#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QCryptographicHash>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

#include "errorlog/error_log.h"
#include "shell/gui/main_window.h"
#include "shell/gui/qt_dialog_services.h"
#include "common/program_folder.h"

namespace quorvex {

std::optional<std::filesystem::path> FindErrorLog(const std::filesystem::path& folder) {
    return ErrorLog::Find(folder);
}

SingleInstance::SingleInstance(const std::filesystem::path& programFolder) {
    std::error_code ec;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(programFolder, ec);
    if (ec) canonical = programFolder;
    const QByteArray key =
        QCryptographicHash::hash(QByteArray::fromStdString(canonical.string()), QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    QString folder = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")
                         ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)
                         : QString();
    if (folder.isEmpty()) folder = QDir::tempPath();
    lockPath_ = QDir(folder).filePath(
        QStringLiteral("quorvex-%1-%2.lock").arg(uint(getuid())).arg(QString::fromLatin1(key)));
    lock_ = std::make_unique<QLockFile>(lockPath_);
    // Never stale by age: a program left open for days still holds its lock. A lock whose
    // owner process is gone is stale and taken over.
    lock_->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::Acquire() {
    if (lock_->tryLock(0)) return true;
    if (lock_->error() == QLockFile::LockFailedError) return false;
    // The lock could not be made at all (no writable temporary folder): refusing to start
    // would help no one, so the program runs without the check.
    std::fprintf(stderr, "quorvex: could not create the lock file %s\n", qPrintable(lockPath_));
    return true;
}

int RunGuiApplication(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvex"));
    QApplication::setOrganizationName(QStringLiteral("Quorvex"));
    // The desktop entry quorvex.desktop, whose icon the desktop shows for the window.
    QGuiApplication::setDesktopFileName(QStringLiteral("quorvex"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(QUORVEX_VERSION_MAJOR)
                                            .arg(QUORVEX_VERSION_MINOR)
                                            .arg(QUORVEX_VERSION_PATCH));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tests ZRW5 wage report files."));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption dataDir(QStringLiteral("data-dir"),
                               QStringLiteral("Folder of Errorlog.mdb and ErrSetLog.ini."),
                               QStringLiteral("DIR"));
    parser.addOption(dataDir);
    parser.process(app);

    QtDialogServices services;
    std::filesystem::path folder;
    try {
        std::optional<std::string> explicitDir;
        if (parser.isSet(dataDir)) explicitDir = QFile::encodeName(parser.value(dataDir)).toStdString();
        folder = ResolveProgramFolder(explicitDir);
    } catch (const std::exception& failure) {
        services.Message(std::string("The program folder could not be prepared.\r\n") + failure.what(),
                         "Quorvex 2008", MsgIcon::Critical, MsgButtons::Ok);
        return 1;
    }

    SingleInstance instance(folder);
    if (!instance.Acquire()) {
        services.Message("This program is already running.", "Quorvex 2008", MsgIcon::Critical,
                         MsgButtons::Ok);
        return 0;
    }

    MainWindowOptions options;
    options.programFolder = folder;
    MainWindow window(options);
    window.show();
    if (QtDialogServices::Unattended()) {
        std::fprintf(stderr, "quorvex: ready in %s\n", folder.string().c_str());
        std::fflush(stderr);
    }
    return app.exec();
}

}  // namespace quorvex
