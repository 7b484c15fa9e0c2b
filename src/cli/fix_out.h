#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "errorlog/log_reader.h"

namespace quorvex {

// --fix-out: corrected copies of the files the run in `log` tested, each byte as it was but
// the total fields whose right value the file itself decides. `target` is the copy's name,
// or, when it is a folder or the run read several files, the folder the copies go into under
// their own names. Each copy is a new private file, never one of `inputs` or a file of the
// program folder. Lists each change on standard output (or says that there is none; then no
// file is written). Returns 0, or 5 after saying on standard error what could not be written.
int WriteFixedCopies(const LogReader& log, const std::string& target, const std::filesystem::path& programFolder,
                     const std::vector<std::filesystem::path>& inputs);

}  // namespace quorvex
