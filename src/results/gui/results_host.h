#pragma once

#include <exception>
#include <filesystem>

#include "common/dialog_services.h"

class QWidget;

namespace quorvex {

// What the result views need of the window that holds them: its questions, its program
// folder and the area they are placed in. What they do is told back through the views'
// signals (ResultsView::happened); the window decides what its commands and screens do.
class ResultsHost {
public:
    virtual DialogServices& Services() = 0;
    virtual const std::filesystem::path& ProgramFolder() const = 0;
    // The area below the welcome screen, where the views are placed.
    virtual QWidget* ResultsArea() const = 0;

protected:
    ~ResultsHost() = default;
};

// A failure of the log, told as the run tells it ("Error Number: ..."); never fatal.
void ShowLogFailure(DialogServices& services, const std::exception& failure);

}  // namespace quorvex
