#include <cstdint>
#include <optional>
#include <string>

#include "common/terminal_text.h"
#include "common/text_1252.h"
#include "report/core/findings_text.h"

namespace quorvex {

namespace {

// `text` as XML character data or an attribute value: & < > " ' as entities; in an attribute
// TAB, LF and CR as character references (a reader would turn them into blanks). A character
// XML 1.0 does not allow (most C0 controls) and the C1 controls are written as visible
// escapes (\x1B, \u009B).
void XmlText(std::string& out, std::string_view text, bool attribute) {
    AppendFormatText(out, text, [attribute](std::string& to, char c) {
        switch (c) {
        case '&': to += "&amp;"; return true;
        case '<': to += "&lt;"; return true;
        case '>': to += "&gt;"; return true;
        case '"': to += "&quot;"; return true;
        case '\'': to += "&apos;"; return true;
        case '\t': to += attribute ? "&#9;" : "\t"; return true;
        case '\n': to += attribute ? "&#10;" : "\n"; return true;
        case '\r': to += "&#13;"; return true;
        default: return false;
        }
    });
}

// JUnit XML as test-report views read it: one testsuite per submission file, one testcase
// per record with findings ("record N", its class the record type), one failure per finding
// (its message "REFERENCE: MESSAGE [USER ENTRY]", its type the reference, its text where it
// stands and the four lines of the report's error block). A suite is written when its file's
// findings end, with its counts: memory holds one file's findings, at most the error limit.
class JunitWriter final : public FindingsFormatWriter {
public:
    void Begin(std::string& out) override {
        out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"quorvex-check\">\n";
    }

    void Add(const FindingRow& r, std::string& out) override {
        const std::string_view file = FileOf(r);
        if (!open_ || file != file_) {
            EndSuite(out);
            open_ = true;
            file_ = file;
        }
        if (!inCase_ || r.recNum != recNum_) {
            EndCase();
            inCase_ = true;
            recNum_ = r.recNum;
            ++cases_;
            body_ += "  <testcase classname=\"";
            XmlText(body_, Cp1252ToUtf8(r.id), true);
            body_ += "\" name=\"record";
            if (r.recNum) Append(body_, " ", std::to_string(*r.recNum));
            body_ += "\">\n";
        }
        ++failures_;
        body_ += "   <failure message=\"";
        XmlText(body_, Cp1252ToUtf8(FindingText(r)), true);
        body_ += "\" type=\"";
        XmlText(body_, Cp1252ToUtf8(r.reference), true);
        body_ += "\">";
        if (const auto place = PlaceOf(r)) {
            XmlText(body_, place->file == "-" ? std::string_view("<stdin>") : place->file, false);
            Append(body_, ":", std::to_string(place->line), ":", std::to_string(place->column), "\n");
        }
        std::string block;
        Append(block, "Reference: ", r.reference, "\nUser Entry: ", r.userEntry, "\nError Description: ", r.error);
        XmlText(body_, Cp1252ToUtf8(block), false);
        body_ += "</failure>\n";
    }

    void End(std::string& out) override {
        EndSuite(out);
        out += "</testsuites>\n";
    }

private:
    void EndCase() {
        if (inCase_) body_ += "  </testcase>\n";
        inCase_ = false;
    }

    void EndSuite(std::string& out) {
        if (!open_) return;
        EndCase();
        out += " <testsuite name=\"";
        XmlText(out, file_.empty() ? "submission" : file_ == "-" ? "<stdin>" : file_, true);
        Append(out, "\" tests=\"", std::to_string(cases_), "\" failures=\"", std::to_string(failures_),
               "\" errors=\"0\" skipped=\"0\">\n", body_, " </testsuite>\n");
        body_.clear();
        cases_ = failures_ = 0;
        open_ = false;
    }

    bool open_ = false, inCase_ = false;
    std::string file_;
    std::optional<std::int64_t> recNum_;
    std::int64_t cases_ = 0, failures_ = 0;
    std::string body_;  // the testcases of the open suite
};

}  // namespace

std::unique_ptr<FindingsFormatWriter> MakeJunitWriter(const FindingsContext&) {
    return std::make_unique<JunitWriter>();
}

}  // namespace quorvex
