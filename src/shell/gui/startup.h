#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include <QString>

class QLockFile;

namespace quorvex {

// Errorlog.mdb of an earlier run in `folder`, whatever the case of its name.
std::optional<std::filesystem::path> FindErrorLog(const std::filesystem::path& folder);

// One running program per program folder (two would write the same error log). The lock
// is a lock file whose owner is checked when it is found: a lock left by a program that
// crashed is taken over, so it never blocks the next start.
class SingleInstance {
public:
    explicit SingleInstance(const std::filesystem::path& programFolder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another running program holds the lock.
    bool Acquire();
    const QString& LockPath() const { return lockPath_; }

private:
    QString lockPath_;
    std::unique_ptr<QLockFile> lock_;
};

// The desktop program: arguments, program folder, single instance, main window.
int RunGuiApplication(int argc, char** argv);

}  // namespace quorvex
