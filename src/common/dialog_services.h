#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvex {

enum class MsgIcon { None, Information, Exclamation, Critical, Question };
enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgAnswer { Ok, Cancel, Yes, No };

// A font as the font dialog gives it: name and size in points.
struct FontChoice {
    std::string name;  // UTF-8
    int size = 10;
};

struct Date {
    int year = 2000;
    int month = 1;
    int day = 1;
    // "mm/dd/yyyy"
    std::string Format() const;
    auto operator<=>(const Date&) const = default;
};

// Everything a run asks of the user or of the window goes through here, so the desktop
// program, the command line and the tests drive one and the same test run.
// Texts are code page 1252 bytes; CR LF separates lines.
class DialogServices {
public:
    virtual ~DialogServices() = default;

    // File-open dialog; the file must exist. nullopt when the user cancelled. The name is
    // returned as the file system writes it (UTF-8).
    // `filter` alternates descriptions and patterns separated by "|".
    virtual std::optional<std::string> OpenFile(std::string_view title, std::string_view filter) = 0;

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

    // --- What the reports need ---------------------------------------------------------

    // File-save dialog opening in `folder`; asks before an existing file is overwritten.
    // nullopt when the user cancelled. The name is returned as the file system writes it.
    virtual std::optional<std::string> SaveFile(std::string_view /*title*/, std::string_view /*folder*/,
                                                std::string_view /*filter*/) {
        return std::nullopt;
    }

    // Font dialog showing `current`, sizes limited to `minSize`..`maxSize` points. nullopt
    // when the user cancelled.
    virtual std::optional<FontChoice> ChooseFont(std::string_view /*title*/, const FontChoice& /*current*/,
                                                 int /*minSize*/, int /*maxSize*/) {
        return std::nullopt;
    }

    // The program the desktop opens `document` (a local file) with, as a path or command;
    // nullopt when there is none.
    virtual std::optional<std::string> AssociatedProgram(std::string_view /*document*/) { return std::nullopt; }

    // Asks the program associated with `document` to print it; false when that failed.
    virtual bool PrintDocument(std::string_view /*document*/) { return false; }

    // Starts `program` with `argument` (an address); false when it could not be started.
    virtual bool StartProgram(std::string_view /*program*/, std::string_view /*argument*/) { return false; }
};

}  // namespace quorvex
