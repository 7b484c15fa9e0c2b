#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvex {

// What the desktop offers the reports beyond the questions of a run: the save dialog, the
// program that opens a page, printing a page through it, starting a program. Names are
// UTF-8 as the file system writes them; titles and filters code page 1252 text.
class DesktopServices {
public:
    virtual ~DesktopServices() = default;

    // File-save dialog opening in `folder`; asks before an existing file is overwritten.
    // `filter` alternates descriptions and patterns separated by "|". nullopt when the user
    // cancelled.
    virtual std::optional<std::string> SaveFile(std::string_view title, std::string_view folder,
                                                std::string_view filter) = 0;

    // The program the desktop opens `document` (a local file) with, as a path or command;
    // nullopt when there is none.
    virtual std::optional<std::string> AssociatedProgram(std::string_view document) = 0;

    // Asks the program associated with `document` to print it; false when that failed.
    virtual bool PrintDocument(std::string_view document) = 0;

    // Starts `program` with `argument` (an address); false when it could not be started.
    virtual bool StartProgram(std::string_view program, std::string_view argument) = 0;
};

// No desktop (the command line): no save dialog is answered, no program opens or prints a
// page, none is started.
class NoDesktop final : public DesktopServices {
public:
    std::optional<std::string> SaveFile(std::string_view, std::string_view, std::string_view) override {
        return std::nullopt;
    }
    std::optional<std::string> AssociatedProgram(std::string_view) override { return std::nullopt; }
    bool PrintDocument(std::string_view) override { return false; }
    bool StartProgram(std::string_view, std::string_view) override { return false; }
};

}  // namespace quorvex
