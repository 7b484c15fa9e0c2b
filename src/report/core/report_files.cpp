#include "report/core/report_files.h"

#include <cctype>

#include "common/error_limit.h"
#include "common/fingerprint_key.h"
#include "common/folder_lock.h"
#include "common/safe_file.h"
#include "common/text_1252.h"
#include "errorlog/error_log.h"
#include "errorlog/run_history.h"

namespace quorvex {

void WriteUtf8(const std::filesystem::path& file, std::string_view text) {
    try {
        WriteFileSafely(file, Cp1252ToUtf8(text));
    } catch (const FileWriteError&) {
        throw ReportFileError("Could not write " + file.string());
    }
}

void SaveText(const std::string& name, std::string_view text) {
    if (name.empty()) return;
    try {
        WriteFileSafely(name, text);
    } catch (const FileWriteError&) {
        throw ReportFileError("Could not write " + name);
    }
}

namespace {

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

std::string OutputClash(const std::filesystem::path& target, const std::filesystem::path& programFolder,
                        const std::vector<std::filesystem::path>& inputs) {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (const fs::path& input : inputs)
        if (fs::equivalent(target, input, ec))
            return "it is the submission file " + input.string() + " that this command tests";
    // The program folder's files, whether or not they are there yet.
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (!fs::equivalent(folder, programFolder, ec)) return {};
    const std::string name = target.filename().string();
    const std::string log(kErrorLogName);
    const std::string history = RunHistory::PathIn({}).filename().string();
    for (const std::string& own : {log, log + "-journal", log + "-wal", log + "-shm", std::string(kErrorLimitFile),
                                  std::string(FolderLock::kFileName), history, history + "-journal",
                                  std::string(kFingerprintKeyFile)})
        if (SameName(name, own))
            return "it is a file the program keeps in its program folder " + programFolder.string();
    return {};
}

std::optional<std::string> AskReportFileName(DesktopServices& desktop, const std::filesystem::path& folder) {
    std::optional<std::string> name = desktop.SaveFile("Please Enter File Name", folder.string(),
                                                       "ASCII Text Files (*.txt)|*.txt|All Files (*.*)|*.*|");
    if (!name || name->empty()) return std::nullopt;
    return name;
}

std::optional<std::string> SaveReportAs(DesktopServices& desktop, const std::filesystem::path& folder,
                                        std::string_view text) {
    std::optional<std::string> name = AskReportFileName(desktop, folder);
    if (name) SaveText(*name, text);
    return name;
}

}  // namespace quorvex
