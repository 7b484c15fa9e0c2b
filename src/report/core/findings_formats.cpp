#include "report/core/findings_formats.h"

#include <array>
#include <vector>

namespace quorvex {

namespace {

// The formats: a new one is a writer of its own and a row here.
const std::array<FindingsFormatInfo, 6> kFormats{{
    {FindingsFormat::Json, "json", "an array of objects", false, true, true, &MakeJsonWriter},
    {FindingsFormat::Csv, "csv",
     "RFC 4180 with a header row (a text cell that starts with = + - @ TAB or CR gets a leading ', so no "
     "spreadsheet runs it)",
     false, true, true, &MakeCsvWriter},
    {FindingsFormat::Gnu, "gnu",
     "one line per finding as compilers write them, FILE:LINE:COLUMN: error: REFERENCE: MESSAGE [USER ENTRY] "
     "(fatal error for a critical one), FILE as named on the command line (<stdin> for -), control characters "
     "and line feeds escaped; it needs the run, so FILE must be given",
     true, false, false, &MakeGnuWriter},
    {FindingsFormat::Sarif, "sarif",
     "SARIF 2.1.0 for code scanning: one rule per kind of check, each result at its file, line and the field's "
     "columns, relative to --sarif-root (default: the current folder), with a fingerprint that follows it from "
     "run to run",
     false, true, false, &MakeSarifWriter},
    {FindingsFormat::Github, "github",
     "one workflow command per finding, ::error file=F,line=L,col=C,endColumn=E,title=REFERENCE::MESSAGE [USER "
     "ENTRY], which a CI runner shows as an annotation at the field (% CR LF escaped as %25 %0D %0A, and : , in "
     "the properties as %3A %2C)",
     false, false, false, &MakeGithubWriter},
    {FindingsFormat::Junit, "junit",
     "JUnit XML for test-report views: one testsuite per submission file, one testcase per record with "
     "findings, one failure per finding with its reference, message and user entry",
     false, false, false, &MakeJunitWriter},
}};

}  // namespace

std::span<const FindingsFormatInfo> FindingsFormats() { return kFormats; }

const FindingsFormatInfo& FormatInfo(FindingsFormat format) {
    for (const FindingsFormatInfo& f : kFormats)
        if (f.format == format) return f;
    return kFormats.front();
}

const FindingsFormatInfo* FormatNamed(std::string_view name) {
    for (const FindingsFormatInfo& f : kFormats)
        if (f.name == name) return &f;
    return nullptr;
}

std::string FormatNames(bool (*which)(const FindingsFormatInfo&), std::string_view separator, std::string_view last) {
    std::vector<std::string_view> names;
    for (const FindingsFormatInfo& f : kFormats)
        if (!which || which(f)) names.push_back(f.name);
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i) text += i + 1 == names.size() ? last : separator;
        text += names[i];
    }
    return text;
}

}  // namespace quorvex
