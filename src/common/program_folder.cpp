#include "common/program_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace quorvex {

namespace fs = std::filesystem;

fs::path ExecutableFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return fs::current_path(ec);
    return exe.parent_path();
}

fs::path UserDataFolder() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return fs::path(xdg) / "quorvex";
    if (const char* home = std::getenv("HOME"); home && *home) return fs::path(home) / ".local/share/quorvex";
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run) return fs::path(run) / "quorvex";
    return {};
}

namespace {
bool Writable(const fs::path& dir) { return ::access(dir.c_str(), W_OK | X_OK) == 0; }

// Makes `dir` and the folders missing above it, each readable by its owner only (0700
// whatever the umask): the program folder holds employees' Social Security numbers.
void MakePrivateFolders(const fs::path& dir, std::error_code& ec) {
    ec.clear();
    if (dir.empty() || fs::exists(dir, ec)) return;
    const fs::path parent = dir.parent_path();
    if (!parent.empty() && parent != dir) {
        MakePrivateFolders(parent, ec);
        if (ec) return;
    }
    if (::mkdir(dir.c_str(), 0700) != 0) {
        if (errno != EEXIST) ec.assign(errno, std::generic_category());
        return;
    }
    ::chmod(dir.c_str(), 0700);
}
}  // namespace

bool InstalledIn(const fs::path& exeFolder) {
    std::error_code ec;
    return fs::is_directory(exeFolder.parent_path() / "share" / "quorvex", ec);
}

fs::path ResolveProgramFolder(const std::optional<std::string>& explicitDir) {
    std::error_code ec;
    fs::path dir;
    if (explicitDir && !explicitDir->empty()) {
        dir = *explicitDir;
    } else {
        dir = ExecutableFolder();
        if (InstalledIn(dir) || !Writable(dir)) {
            fs::path user = UserDataFolder();
            if (user.empty())
                throw std::runtime_error("The program's folder " + dir.string() +
                                         " is read-only or shared and there is no per-user data folder to use instead: "
                                         "HOME is not set, nor XDG_DATA_HOME or XDG_RUNTIME_DIR. Name a folder "
                                         "with --data-dir or QUORVEX_DATA_DIR.");
            dir = user;
            // The per-user folder is the program's own: private, even when an earlier version
            // made it readable by others.
            MakePrivateFolders(dir, ec);
            ::chmod(dir.c_str(), 0700);
        }
    }
    MakePrivateFolders(dir, ec);
    fs::path abs = fs::absolute(dir, ec);
    return ec ? dir : abs.lexically_normal();
}

std::string ProgramFolderProblem(const fs::path& dir) {
    std::error_code ec;
    const fs::file_status status = fs::status(dir, ec);
    if (fs::is_directory(status)) return {};
    if (fs::exists(status)) return "The program folder " + dir.string() + " is not a folder.";
    MakePrivateFolders(dir, ec);
    if (ec) return "The program folder " + dir.string() + " cannot be created: " + ec.message() + ".";
    return {};
}

}  // namespace quorvex
