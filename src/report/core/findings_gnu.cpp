#include <string>

#include "common/terminal_text.h"
#include "common/text_1252.h"
#include "report/core/findings_text.h"

namespace quorvex {

namespace {

// One line per finding in the form compilers use, so that editors, problem matchers and
// build systems go straight to the field: "FILE:LINE:COLUMN: error: REFERENCE: MESSAGE
// [USER ENTRY]", "fatal error:" for a critical finding (the compilers' word for what ends
// the run). FILE as the command line named it, "<stdin>" for standard input; COLUMN where
// the field begins on the line. A record of unknown place gives "quorvex-check: error: ...".
// UTF-8, LF line ends; the texts escaped as TerminalValue does, so that a control character or
// a line feed in them neither drives a terminal nor forges a line. The file name keeps its own
// bytes, UTF-8 or not (its control characters escaped alike): the editor opens that file.
class GnuWriter final : public FindingsFormatWriter {
public:
    void Add(const FindingRow& r, std::string& out) override {
        if (const auto place = PlaceOf(r)) {
            out += place->file == "-" ? std::string("<stdin>") : ControlsEscaped(place->file);
            out += ':';
            out += std::to_string(place->line);
            out += ':';
            out += std::to_string(place->column);
            out += ": ";
        } else {
            out += "quorvex-check: ";
        }
        out += r.critical ? "fatal error: " : "error: ";
        out += TerminalValue(Cp1252ToUtf8(FindingText(r)));
        out += '\n';
    }
};

}  // namespace

std::unique_ptr<FindingsFormatWriter> MakeGnuWriter(const FindingsContext&) { return std::make_unique<GnuWriter>(); }

}  // namespace quorvex
