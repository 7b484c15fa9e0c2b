#include "shell/gui/startup.h"

#include <unistd.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QStyle>
#include <QTimer>

#include "common/gui/focus_style.h"
#include "shell/gui/main_window.h"
#include "shell/gui/qt_dialog_services.h"
#include "shell/gui/unattended_services.h"
#include "common/folder_lock.h"
#include "common/program_folder.h"

namespace quorvex {

namespace {

QStringList Arguments(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    return args;
}

// The program folder of the window (`explicitDir`, else the default one); nullopt after telling
// why it cannot be used. A program folder that is no folder, or cannot be made, is refused
// before anything else.
std::optional<std::filesystem::path> PrepareProgramFolder(const std::optional<std::string>& explicitDir,
                                                          DialogServices& services) {
    std::filesystem::path folder;
    try {
        folder = ResolveProgramFolder(explicitDir);
    } catch (const std::exception& failure) {
        services.Message(std::string("The program folder could not be prepared.\r\n") + failure.what(),
                         "Quorvex 2008", MsgIcon::Critical, MsgButtons::Ok);
        return std::nullopt;
    }
    if (const std::string problem = ProgramFolderProblem(folder); !problem.empty()) {
        services.Message("The program folder could not be prepared.\r\n" + problem, "Quorvex 2008",
                         MsgIcon::Critical, MsgButtons::Ok);
        return std::nullopt;
    }
    return folder;
}

// The first of `files`, a relative name taken whole in the folder the program was started in,
// before the window makes the program folder its working folder; nullopt without one.
std::optional<std::string> WholeFileName(const QStringList& files) {
    if (files.isEmpty()) return std::nullopt;
    std::error_code ec;
    const std::filesystem::path given(QFile::encodeName(files.front()).toStdString());
    const std::filesystem::path whole = std::filesystem::absolute(given, ec);
    return (ec ? given : whole).string();
}

// One program per program folder, a test run of quorvex-check included: the lock is held
// while the window is open. A folder the user may read but not write is opened for reading
// (`readOnly` says so), its lock held shared, so that no run replaces what the window shows;
// any other folder whose lock cannot be taken (a file system without locks) is refused. The
// program's exit status after telling why the folder cannot be had; nullopt once it is held.
std::optional<int> LockProgramFolder(const std::filesystem::path& folder, DialogServices& services,
                                     std::optional<FolderLock>& instance, std::string& readOnly) {
    instance.emplace(folder);
    if (instance->GetState() == FolderLock::State::Unavailable && ::access(folder.c_str(), W_OK) != 0) {
        readOnly = "The program folder " + folder.string() +
                   " can be read but not written: its last test results, reports and run history can be viewed, "
                   "but a new test cannot keep its results there.";
        instance.emplace(folder, FolderLock::Kind::FolderShared);
    }
    if (instance->GetState() == FolderLock::State::InUse) {
        services.Message("This program is already running.", "Quorvex 2008", MsgIcon::Critical, MsgButtons::Ok);
        return 0;
    }
    if (instance->GetState() == FolderLock::State::Unavailable) {
        services.Message("The program folder " + folder.string() + " cannot be locked for this program alone (" +
                             instance->Problem() +
                             "). Start the program with a program folder of your own that you may write to.",
                         "Quorvex 2008", MsgIcon::Critical, MsgButtons::Ok);
        return 1;
    }
    return std::nullopt;
}

}  // namespace

int RunGuiApplication(int argc, char** argv, const Environment& env) {
    // Before the window system is reached: the answers to --help and --version need no
    // display, and are given without one.
    QCoreApplication::setApplicationName(QStringLiteral("Quorvex"));
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(QUORVEX_VERSION_MAJOR)
                                                .arg(QUORVEX_VERSION_MINOR)
                                                .arg(QUORVEX_VERSION_PATCH));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tests ZRW5 wage report files."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    QCommandLineOption dataDir(QStringLiteral("data-dir"),
                               QStringLiteral("Folder of Errorlog.mdb and ErrSetLog.ini."),
                               QStringLiteral("DIR"));
    parser.addOption(dataDir);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The submission file to test at once."),
                                 QStringLiteral("[FILE]"));
    const QString helpAll = QStringLiteral("help-all");
    if (parser.parse(Arguments(argc, argv)) && (parser.isSet(help) || parser.isSet(helpAll) || parser.isSet(version))) {
        QCoreApplication console(argc, argv);
        if (parser.isSet(helpAll)) parser.process(console);  // prints the help with the options of Qt, and ends
        const QString text = parser.isSet(help)
                                 ? parser.helpText()
                                 : QStringLiteral("Quorvex %1\n").arg(QCoreApplication::applicationVersion());
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quorvex"));
    // The desktop entry quorvex.desktop, whose icon the desktop shows for the window.
    QGuiApplication::setDesktopFileName(QStringLiteral("quorvex"));

    // The window system's own options (-platform, -style, ...) are gone from the arguments now.
    parser.process(app);
    // The style chosen (by -style or the platform), with the keyboard focus plainly drawn.
    QApplication::setStyle(new FocusFrameStyle(QApplication::style()->name()));

    QtDialogServices attended;
    UnattendedServices unattended(attended);
    DialogServices& services = env.unattended ? static_cast<DialogServices&>(unattended) : attended;
    std::optional<std::string> explicitDir = env.dataDir;
    if (parser.isSet(dataDir)) explicitDir = QFile::encodeName(parser.value(dataDir)).toStdString();
    const std::optional<std::filesystem::path> prepared = PrepareProgramFolder(explicitDir, services);
    if (!prepared) return 1;
    const std::filesystem::path& folder = *prepared;
    std::optional<FolderLock> instance;
    std::string readOnly;
    if (const std::optional<int> refused = LockProgramFolder(folder, services, instance, readOnly)) return *refused;

    // quorvex FILE (a file manager's "Open With"): the file is tested as soon as the window is up.
    const std::optional<std::string> file = WholeFileName(parser.positionalArguments());
    MainWindowOptions options;
    options.programFolder = folder;
    options.readOnly = readOnly;
    options.unattended = env.unattended;
    options.writerThread = env.writerThread;
    if (env.historyRuns) options.historyRuns = *env.historyRuns;
    MainWindow window(options);
    window.show();
    if (file) QTimer::singleShot(0, &window, [&window, file] { window.TestFile(*file); });
    if (env.unattended) {
        std::fprintf(stderr, "quorvex: ready in %s\n", folder.string().c_str());
        std::fflush(stderr);
    }
    return app.exec();
}

}  // namespace quorvex
