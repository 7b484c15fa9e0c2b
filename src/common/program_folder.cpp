#include "common/program_folder.h"

#include <unistd.h>

#include <cstdlib>
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
    return fs::temp_directory_path() / "quorvex";
}

namespace {
bool Writable(const fs::path& dir) { return ::access(dir.c_str(), W_OK | X_OK) == 0; }
}  // namespace

fs::path ResolveProgramFolder(const std::optional<std::string>& explicitDir) {
    std::error_code ec;
    fs::path dir;
    if (explicitDir && !explicitDir->empty()) {
        dir = *explicitDir;
    } else if (const char* env = std::getenv("QUORVEX_DATA_DIR"); env && *env) {
        dir = env;
    } else {
        dir = ExecutableFolder();
        if (!Writable(dir)) dir = UserDataFolder();
    }
    fs::create_directories(dir, ec);
    fs::path abs = fs::absolute(dir, ec);
    return ec ? dir : abs.lexically_normal();
}

}  // namespace quorvex
