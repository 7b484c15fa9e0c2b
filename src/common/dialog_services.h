#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvex {

enum class MsgIcon { None, Information, Exclamation, Critical, Question };
enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgAnswer { Ok, Cancel, Yes, No };

struct Date {
    int year = 2000;
    int month = 1;
    int day = 1;
    // "mm/dd/yyyy"
    std::string Format() const;
    auto operator<=>(const Date&) const = default;
};

// The file dialogs of a run: the first file of a submission, and the next one after a file
// that ended without its RF record.
enum class FileAsked { First, Next };
// The title of that dialog.
std::string_view FileDialogTitle(FileAsked which);
// The names both dialogs show: `filter` alternates descriptions and patterns separated by "|".
inline constexpr std::string_view kSubmissionFileFilter =
    "All Files (*.*)|*.*|Ascii Text Files (*.txt; *.asc) |*.txt;*.asc|";

// What a run asks of the user and of the window, so the desktop program, the command line
// and the tests drive one and the same test run: the submission files, messages, yields,
// the busy pointer, today's date and the progress. The reports and the result views tell
// the user through its messages too. What only the desktop offers (the save dialog, the
// browser, printing a page) is DesktopServices.
// Texts are code page 1252 bytes; CR LF separates lines.
class DialogServices {
public:
    virtual ~DialogServices() = default;

    // The file dialog `which` (FileDialogTitle, kSubmissionFileFilter); the file must exist.
    // nullopt when the user cancelled. The name is returned as the file system writes it
    // (UTF-8).
    virtual std::optional<std::string> OpenFile(FileAsked which) = 0;

    // Message box; blocks until answered and returns the button pressed.
    virtual MsgAnswer Message(std::string_view text, std::string_view title, MsgIcon icon,
                              MsgButtons buttons) = 0;

    // The same with `text` in UTF-8: a text naming files, each character kept (code page
    // 1252 cannot hold every name). Without a way of its own the text is shown in code page
    // 1252, a character outside it as '?'.
    virtual MsgAnswer MessageUtf8(std::string_view text, std::string_view title, MsgIcon icon, MsgButtons buttons);

    // Lets the window process waiting events. Returns false when the user chose Exit
    // (or closed the window): the run must stop at once, recording the abort.
    virtual bool Yield() { return true; }

    // Hourglass (true) or default (false) mouse pointer.
    virtual void SetBusy(bool /*busy*/) {}

    virtual Date Today() = 0;

    // Progress of a run: "Processing Record Number: <recCtr>" and the bar of the current file.
    // `recordsInFile` and `fileLength` give the bar: recordsInFile / (fileLength / 512);
    // `fileLength` is 0 when the length is not known (a pipe).
    virtual void ShowProgress(std::int64_t /*recCtr*/, std::int64_t /*recordsInFile*/,
                              std::uint64_t /*fileLength*/) {}
};

}  // namespace quorvex
