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
    const std::string utf8 = IsAscii(text) ? std::string(text) : ValidUtf8(text);
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        const auto u = static_cast<unsigned char>(c);
        if (c == '%') out += "%25";
        else if (c == '\r') out += "%0D";
        else if (c == '\n') out += "%0A";
        else if (property && c == ':') out += "%3A";
        else if (property && c == ',') out += "%2C";
        else if (u == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) <= 0x9F)
            AppendControlEscape(out, static_cast<unsigned char>(utf8[++i]), EscapeStrength::Value, false);
        else if (u >= 0x80 || !AppendControlEscape(out, u, EscapeStrength::Value, false)) out += c;
    }
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
