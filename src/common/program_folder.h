#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quorvex {

// The folder where Errorlog.mdb, ErrSetLog.ini and temphtm.HTM live:
//  1. `explicitDir` (--data-dir, else QUORVEX_DATA_DIR) when given,
//  2. else the folder of the executable when it is writable and not an installed program's,
//  3. else the per-user data folder (see UserDataFolder).
// The folder is created when missing; whether that worked tells ProgramFolderProblem.
// Throws std::runtime_error when the executable's folder is read-only and there is no
// per-user data folder.
std::filesystem::path ResolveProgramFolder(const std::optional<std::string>& explicitDir);

// Why `dir` cannot serve as the program folder (it is not a folder, or it is missing and
// cannot be made), as a sentence naming it; empty when it can.
std::string ProgramFolderProblem(const std::filesystem::path& dir);

// Whether `exeFolder` is the bin/ folder of an installed program (share/quorvex/ beside
// it): such a folder is shared by every user and never holds a log or settings.
bool InstalledIn(const std::filesystem::path& exeFolder);

// Folder of the running executable.
std::filesystem::path ExecutableFolder();

// Per-user data folder of the program: $XDG_DATA_HOME/quorvex, else ~/.local/share/quorvex,
// else (HOME unset) $XDG_RUNTIME_DIR/quorvex, a folder private to the user. Empty when none
// of these is set: a shared folder anyone could prepare is never used.
std::filesystem::path UserDataFolder();

}  // namespace quorvex
