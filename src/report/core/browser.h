#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "common/desktop_services.h"
#include "common/dialog_services.h"

namespace quorvex {

// The agency's online filing page, offered after an error-free run.
inline constexpr char kFilingPageUrl[] = "https://www.orvanta.example/wage-reports/file-online";

// The temporary page the HTML report is written to, in the program folder.
inline constexpr std::string_view kTempHtmlName = "temphtm.HTM";
// What the temporary page holds when the browser is to open the online filing page.
inline constexpr std::string_view kPlaceholderPage = "<HTML> </HTML>";

// WriteTempHtml: writes the page `text` to "temphtm.HTM" in `folder` (through a SafeFile,
// replacing the old page) and returns the page's path. An empty text writes the placeholder
// "<HTML> </HTML>". Throws ReportFileError.
std::filesystem::path WriteTempHtml(const std::filesystem::path& folder, std::string_view text);

// PathToUrl: the "file:" URL of a local path (made absolute; bytes outside the unreserved
// characters and "/" percent-encoded); empty when the path cannot be made absolute.
std::string PathToUrl(const std::filesystem::path& path);

// OpenInBrowser: writes `text` to the temporary page and hands it to the program the desktop
// opens the page with (`desktop`); `services` tells the user what failed. An empty `text` (or
// the placeholder) opens the online filing page instead of the report. With `printing` the
// page is first sent to that program's print action, and opened in it when that fails.
//
// For a report: true when the browser was started, or when the user declined the text report
// offered after a missing or failing browser ("HTML Report", OK / Cancel); false when the
// caller is to make the text report. A browser that failed (it could not be started, or
// ended with an error at once) and a declined text report bring the offer to save the page
// ("HTML Report", Yes / No), then the save dialog. For the filing page the failures are only told
// ("Browser Not Found", "Connect to Plexora") and give false; a placeholder page that cannot
// be written does not stop it. Throws ReportFileError when the report page cannot be written.
bool OpenInBrowser(DialogServices& services, DesktopServices& desktop, const std::filesystem::path& folder,
                   std::string_view text, bool printing);
// The same for the report page already written to the temporary page in `folder`.
bool OpenReportPage(DialogServices& services, DesktopServices& desktop, const std::filesystem::path& folder,
                    bool printing);

// True from 8 December 2008 to 1 December 2009, both included: the days the online filing
// prompt is offered.
bool InFilingWindow(const Date& today);

// The message at the end of a run that tested records and found no error: inside the filing
// window it offers the online filing page ("Results", Yes / No) and opens it on Yes through
// OpenInBrowser (writing the placeholder page in `folder`); on other days it only says that
// no errors were found. Never throws for a file: the run it ends has succeeded.
void SubmissionPrompt(DialogServices& services, DesktopServices& desktop, const std::filesystem::path& folder);

}  // namespace quorvex
