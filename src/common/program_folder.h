#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quorvex {

// The folder where Errorlog.mdb, ErrSetLog.ini and temphtm.HTM live:
//  1. `explicitDir` (--data-dir) when given,
//  2. else $QUORVEX_DATA_DIR when set and not empty,
//  3. else the folder of the executable when it is writable,
//  4. else the per-user data folder ($XDG_DATA_HOME/quorvex or ~/.local/share/quorvex).
// The folder is created when missing.
std::filesystem::path ResolveProgramFolder(const std::optional<std::string>& explicitDir);

// Folder of the running executable.
std::filesystem::path ExecutableFolder();

// Per-user data folder of the program.
std::filesystem::path UserDataFolder();

}  // namespace quorvex
