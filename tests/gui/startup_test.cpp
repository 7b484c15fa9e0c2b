#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

#include "gui/gui_test_support.h"
#include "shell/gui/startup.h"

namespace quorvex::test {
namespace {

// The desktop program in unattended mode: messages go to standard error, answered with OK.
class Program {
public:
    Program(const QStringList& args, const std::filesystem::path& home,
            const QString& exe = QStringLiteral(QUORVEX_GUI_EXE), bool asNobody = false) {
        // The administrator may write anywhere: a folder is read-only only to another user.
        if (asNobody) {
            process_.setChildProcessModifier([] {
                if (setgid(65534) != 0 || setuid(65534) != 0) _exit(99);
            });
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUORVEX_UNATTENDED"), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString((home / "data").string()));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString((home / "config").string()));
        env.remove(QStringLiteral("QUORVEX_DATA_DIR"));
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start(exe, args);
    }
    ~Program() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    // Waits until standard error holds `text`.
    bool WaitFor(const QString& text, int ms = 15000) {
        QElapsedTimer clock;
        clock.start();
        while (!err_.contains(text)) {
            if (clock.elapsed() > ms) return false;
            if (process_.state() == QProcess::NotRunning) {
                err_ += QString::fromLocal8Bit(process_.readAllStandardError());
                return err_.contains(text);
            }
            process_.waitForReadyRead(100);
            err_ += QString::fromLocal8Bit(process_.readAllStandardError());
        }
        return true;
    }
    bool Running() const { return process_.state() == QProcess::Running; }
    bool Finished(int ms = 15000) { return process_.waitForFinished(ms); }
    int ExitCode() const { return process_.exitCode(); }
    // Ends the program the hard way, as a crash would: the lock file stays behind.
    void Crash() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    const QString& Err() const { return err_; }

private:
    QProcess process_;
    QString err_;
};

QStringList DataDir(const std::filesystem::path& dir) {
    return {QStringLiteral("--data-dir"), QString::fromStdString(dir.string())};
}

const QString kReady = QStringLiteral("quorvex: ready");
const QString kRefused = QStringLiteral("message [Quorvex 2008] (critical): This program is already running.");

TEST(StartupTest, SecondInstanceIsRefusedAndACrashedOneDoesNotBlock) {
    TempDir dir;
    Program first(DataDir(dir / "folder"), dir.path());
    ASSERT_TRUE(first.WaitFor(kReady)) << first.Err().toStdString();

    Program second(DataDir(dir / "folder"), dir.path());
    ASSERT_TRUE(second.Finished());
    ASSERT_TRUE(second.WaitFor(kRefused)) << second.Err().toStdString();
    EXPECT_FALSE(second.Err().contains(kReady));
    EXPECT_EQ(second.ExitCode(), 0);
    EXPECT_TRUE(first.Running());
    // The open window holds its folder against a test run of the command line too.
    QProcess check;
    check.start(QStringLiteral(QUORVEX_CHECK_EXE), DataDir(dir / "folder") << QStringLiteral("-"));
    ASSERT_TRUE(check.waitForFinished(15000));
    EXPECT_EQ(check.exitCode(), 3);
    EXPECT_TRUE(check.readAllStandardError().contains("is in use by another Quorvex program"));

    // A different program folder is a different log: that program may run alongside.
    Program elsewhere(DataDir(dir / "other"), dir.path());
    EXPECT_TRUE(elsewhere.WaitFor(kReady)) << elsewhere.Err().toStdString();

    first.Crash();
    Program third(DataDir(dir / "folder"), dir.path());
    EXPECT_TRUE(third.WaitFor(kReady)) << third.Err().toStdString();
    EXPECT_TRUE(third.Running());
}

TEST(StartupTest, UnusableDataFolderStillStartsWithTheDefaultLimit) {
    TempDir dir;
    WriteFile(dir / "plain-file", "x");
    // A folder below a plain file can never be made, not even by the administrator.
    Program program(DataDir(dir / "plain-file" / "sub"), dir.path());
    EXPECT_TRUE(program.WaitFor(kReady)) << program.Err().toStdString();
    EXPECT_TRUE(program.Running());
}

TEST(StartupTest, ReadOnlyProgramFolderFallsBackToTheUserDataFolder) {
    namespace fs = std::filesystem;
    TempDir dir;
    const bool root = geteuid() == 0;
    const auto bin = dir / "bin";
    fs::create_directory(bin);
    fs::copy_file(QUORVEX_GUI_EXE, bin / "quorvex");
    const auto fallback = dir / "data" / "quorvex";
    fs::create_directories(fallback.parent_path());
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(fallback.parent_path(), fs::perms::all);
    fs::permissions(bin, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                             fs::perms::others_exec);
    Program program({}, dir.path(), QString::fromStdString((bin / "quorvex").string()), root);
    EXPECT_TRUE(program.WaitFor(kReady + QStringLiteral(" in ") + QString::fromStdString(fallback.string())))
        << program.Err().toStdString();
    EXPECT_TRUE(fs::exists(fallback / "ErrSetLog.ini"));
    EXPECT_FALSE(fs::exists(bin / "ErrSetLog.ini"));
}

TEST(StartupTest, FindErrorLogIgnoresCaseAndFolders) {
    TempDir dir;
    EXPECT_FALSE(FindErrorLog(dir.path()).has_value());
    std::filesystem::create_directory(dir / "errorlog.mdb");
    EXPECT_FALSE(FindErrorLog(dir.path()).has_value());
    WriteFile(dir / "ErrorLog.Mdb", "");
    ASSERT_TRUE(FindErrorLog(dir.path()).has_value());
    EXPECT_EQ(FindErrorLog(dir.path())->filename(), "ErrorLog.Mdb");
    EXPECT_FALSE(FindErrorLog(dir / "missing").has_value());
}

}  // namespace
}  // namespace quorvex::test
