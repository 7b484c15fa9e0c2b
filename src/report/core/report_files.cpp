#include "report/core/report_files.h"

#include <cstdio>
#include <memory>

#include "common/text_1252.h"

namespace quorvex {

void AppendUtf8(const std::filesystem::path& file, std::string_view text, bool replace) {
    struct Close {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Close> out(std::fopen(file.c_str(), replace ? "wb" : "ab"));
    const std::string utf8 = Cp1252ToUtf8(text);
    if (!out || std::fwrite(utf8.data(), 1, utf8.size(), out.get()) != utf8.size() ||
        std::fclose(out.release()) != 0) {
        throw ReportFileError("Could not write " + file.string());
    }
}

void SaveText(const std::string& name, std::string_view text, bool append) {
    if (name.empty()) return;
    AppendUtf8(name, text, !append);
}

std::optional<std::string> SaveReportAs(DialogServices& services, const std::filesystem::path& folder,
                                        std::string_view text) {
    std::optional<std::string> name = services.SaveFile("Please Enter File Name", folder.string(),
                                                        "ASCII Text Files (*.txt)|*.txt|All Files (*.*)|*.*|");
    if (!name || name->empty()) return std::nullopt;
    SaveText(*name, text, false);
    return name;
}

}  // namespace quorvex
