#include <string>

#include "common/terminal_text.h"
#include "common/text_1252.h"
#include "report/core/findings_text.h"
#include "report/core/report_writers.h"

namespace quorvex {

namespace {

// `utf8` as a workflow command carries it: % CR LF as %25 %0D %0A (the runner reads them
// back), and in a property : and , as %3A and %2C, which would end it. Any other control
// character is written as a visible escape (\x1B): none reaches the log raw.
void Escaped(std::string& out, std::string_view text, bool property) {
    AppendFormatText(out, text, [property](std::string& to, char c) {
        if (c == '%') to += "%25";
        else if (c == '\r') to += "%0D";
        else if (c == '\n') to += "%0A";
        else if (property && c == ':') to += "%3A";
        else if (property && c == ',') to += "%2C";
        else return false;
        return true;
    });
}

// One workflow command per finding, which a CI runner shows as an annotation at the field:
// "::error file=F,line=L,col=C,endColumn=E,title=REFERENCE::MESSAGE [USER ENTRY]". A finding
// of unknown place names its file alone, when known; one of standard input none. UTF-8, LF
// line ends.
class GithubWriter final : public FindingsFormatWriter {
public:
    void Add(const FindingRow& r, std::string& out) override {
        out += "::error ";
        // Standard input is no file of the repository: its findings are annotations of the run.
        const auto place = PlaceOf(r);
        if (const std::string_view file = place ? place->file : FileOf(r); !file.empty() && file != "-") {
            out += "file=";
            Escaped(out, file, true);
            if (place)
                Append(out, ",line=", std::to_string(place->line), ",col=", std::to_string(place->column),
                       ",endColumn=", std::to_string(place->endColumn));
            out += ',';
        }
        out += "title=";
        Escaped(out, Cp1252ToUtf8(r.reference), true);
        out += "::";
        std::string message(r.error);
        message += BracketedEntry(r.userEntry);
        Escaped(out, Cp1252ToUtf8(message), false);
        out += '\n';
    }
};

}  // namespace

std::unique_ptr<FindingsFormatWriter> MakeGithubWriter(const FindingsContext&) {
    return std::make_unique<GithubWriter>();
}

}  // namespace quorvex
