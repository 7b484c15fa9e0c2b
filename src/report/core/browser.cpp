#include "report/core/browser.h"

#include <array>
#include <fstream>
#include <optional>

#include "common/safe_file.h"
#include "common/text_1252.h"
#include "report/core/page_background.h"
#include "report/core/report_files.h"

namespace quorvex {

namespace fs = std::filesystem;

fs::path WriteTempHtml(const fs::path& folder, std::string_view text) {
    const fs::path page = folder / kTempHtmlName;
    WriteUtf8(page, text.empty() ? kPlaceholderPage : text);
    if (!text.empty()) WritePageBackground(folder);
    return page;
}

std::string PathToUrl(const fs::path& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    if (ec || absolute.empty()) return {};
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : absolute.lexically_normal().string()) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '.' || c == '_' || c == '~' || c == '/';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 0xF];
        }
    }
    return url;
}

namespace {

// The save dialog for the report page; on OK the page is copied to the chosen file, which
// takes its name's place when whole. Throws ReportFileError.
void SavePageAs(DesktopServices& desktop, const fs::path& page) {
    const std::optional<std::string> name = desktop.SaveFile(
        "Save Report Page", page.parent_path().string(), "HTML Files (*.htm)|*.htm|All Files (*.*)|*.*|");
    if (!name || name->empty()) return;
    std::ifstream in(page, std::ios::binary);
    if (!in) throw ReportFileError("Could not read " + page.string());
    try {
        SafeFile out(*name);
        std::array<char, 1 << 16> piece;
        while (in.read(piece.data(), piece.size()) || in.gcount() > 0)
            out.Append(std::string_view(piece.data(), static_cast<std::size_t>(in.gcount())));
        if (in.bad()) throw ReportFileError("Could not read " + page.string());
        out.Commit();
    } catch (const FileWriteError&) {
        throw ReportFileError("Could not write " + *name);
    }
}

// Hands the written page (or, for the filing page, its address) to the browser.
bool HandOver(DialogServices& services, DesktopServices& desktop, const fs::path& page, bool filingPage,
              bool printing) {
    const std::string target = filingPage ? std::string(kFilingPageUrl) : PathToUrl(page);
    const std::string offer = std::string("Would you like to ") + (printing ? "print" : "view") + " a text report?";

    const std::optional<std::string> browser = desktop.AssociatedProgram(page.string());
    if (!browser) {
        if (filingPage) {
            services.Message("Could not find a default Web Browser. ", "Browser Not Found", MsgIcon::Exclamation,
                             MsgButtons::Ok);
            return false;
        }
        return services.Message("Could not find a default Web Browser. \r\n" + offer, "HTML Report",
                                MsgIcon::Exclamation, MsgButtons::OkCancel) != MsgAnswer::Ok;
    }

    bool started = printing && desktop.PrintDocument(page.string());
    if (!started) started = desktop.StartProgram(*browser, target);
    if (started) return true;

    const std::string failed = "Your default browser could not be opened: \r\n" + Utf8ToCp1252(*browser);
    if (filingPage) {
        services.Message(failed, "Connect to Plexora", MsgIcon::Exclamation, MsgButtons::Ok);
        return false;
    }
    if (services.Message(failed + "\r\n\r\n" + offer, "HTML Report", MsgIcon::Exclamation, MsgButtons::OkCancel) ==
        MsgAnswer::Ok)
        return false;
    // No text report: the page can still be kept, for another browser or another machine.
    if (services.Message("Would you like to save the report page as a file?", "HTML Report", MsgIcon::Question,
                         MsgButtons::YesNo) == MsgAnswer::Yes)
        SavePageAs(desktop, page);
    return true;
}

}  // namespace

bool OpenInBrowser(DialogServices& services, DesktopServices& desktop, const fs::path& folder, std::string_view text,
                   bool printing) {
    const bool filingPage = text.empty() || text == kPlaceholderPage;
    fs::path page = folder / kTempHtmlName;
    if (!filingPage) {
        page = WriteTempHtml(folder, text);
    } else {
        // The browser is sent to the filing page's address, not to the placeholder: a folder
        // that cannot take the placeholder does not keep the user from filing.
        try {
            WriteTempHtml(folder, text);
        } catch (const ReportFileError&) {
        }
    }
    return HandOver(services, desktop, page, filingPage, printing);
}

bool OpenReportPage(DialogServices& services, DesktopServices& desktop, const fs::path& folder, bool printing) {
    return HandOver(services, desktop, folder / kTempHtmlName, false, printing);
}

bool InFilingWindow(const Date& today) { return today >= Date{2008, 12, 8} && today <= Date{2009, 12, 1}; }

void SubmissionPrompt(DialogServices& services, DesktopServices& desktop, const fs::path& folder) {
    if (!InFilingWindow(services.Today())) {
        services.Message("Testing Completed.\r\nThere were no errors found.", "Results", MsgIcon::Information,
                         MsgButtons::Ok);
        return;
    }
    const MsgAnswer answer = services.Message(
        "Testing Completed.\r\nThere were no errors found.\r\n\r\nWould you like to connect to Plexora Web site to "
        "submit the wage report?",
        "Results", MsgIcon::Question, MsgButtons::YesNo);
    if (answer == MsgAnswer::Yes) OpenInBrowser(services, desktop, folder, {}, false);
}

}  // namespace quorvex
