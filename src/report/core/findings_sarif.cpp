#include <filesystem>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "history/compare_runs.h"
#include "history/run_record.h"
#include "report/core/findings_text.h"
#include "report/core/report_writers.h"
#include "validation/layouts.h"

namespace quorvex {

namespace {

namespace fs = std::filesystem;

constexpr char kRootId[] = "%SRCROOT%";
constexpr char kFingerprint[] = "quorvexFinding/v1";

std::string Version() {
    std::string version;
    Append(version, std::to_string(QUORVEX_VERSION_MAJOR), ".", std::to_string(QUORVEX_VERSION_MINOR), ".",
           std::to_string(QUORVEX_VERSION_PATCH));
    return version;
}

// A message with its numbers taken out (each run of digits read as "#"): the text of a rule
// holds no finding's sums, counts or SSNs.
std::string WithoutNumbers(std::string_view message) {
    std::string text;
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (message[i] >= '0' && message[i] <= '9') {
            while (i + 1 < message.size() && message[i + 1] >= '0' && message[i + 1] <= '9') ++i;
            text += '#';
        } else {
            text += message[i];
        }
    }
    return text;
}

// Markdown of plain text: the characters that would mark it up are escaped.
std::string MarkdownText(std::string_view text) {
    std::string md;
    for (char c : text) {
        if (std::string_view("\\`*_[]<>#|").find(c) != std::string_view::npos) md += '\\';
        md += c;
    }
    return md;
}

// The field a reference names, without its positions: "Zip Code [Position 134 - 138]" is
// "Zip Code".
std::string_view Caption(std::string_view reference) {
    const std::size_t at = reference.find(" [");
    return at == std::string_view::npos ? reference : reference.substr(0, at);
}

// A rule's friendly name: the record type and the field as one word ("RwZipCode").
std::string PascalName(std::string_view type, std::string_view caption) {
    std::string name;
    bool upper = true;
    for (char c : std::string(type) + ' ' + std::string(caption)) {
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alnum) {
            upper = true;
            continue;
        }
        if (name.empty() && c >= '0' && c <= '9') name += 'R';
        name += upper && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A')
                : !upper && c >= 'A' && c <= 'Z' && name.size() < 2 ? static_cast<char>(c - 'A' + 'a')
                                                                    : c;
        upper = false;
    }
    return name.empty() ? std::string("Record") : name;
}

// SARIF 2.1.0 as code scanning takes it: one rule per kind of check (record type, field,
// message with its numbers taken out), each result at its field with a fingerprint made of
// what its record holds, file names relative to %SRCROOT% (absolute only outside it).
class SarifWriter final : public FindingsFormatWriter {
public:
    explicit SarifWriter(const FindingsContext& context) : compared_(context.compared) {
        std::error_code ec;
        root_ = fs::absolute(context.sourceRoot.empty() ? fs::path(".") : context.sourceRoot, ec).lexically_normal();
        if (root_.has_filename()) root_ /= "";
    }

    void Begin(std::string& out) override {
        out += "{\"$schema\":\"https://json.schemastore.org/sarif-2.1.0.json\",\"version\":\"2.1.0\",\"runs\":[{";
        out += "\"originalUriBaseIds\":{\"%SRCROOT%\":{\"uri\":";
        JsonUtf8String(out, FileUri(root_.string()));
        out += ",\"description\":{\"text\":\"The folder the submission files are named relative to.\"}}},";
        out += "\"columnKind\":\"unicodeCodePoints\",\"results\":[";
    }

    void Add(const FindingRow& r, std::string& out) override {
        const std::size_t rule = Rule(r);
        out += first_ ? "\n{\"ruleId\":" : ",\n{\"ruleId\":";
        first_ = false;
        JsonString(out, ids_[rule]);
        Append(out, ",\"ruleIndex\":", std::to_string(rule), ",\"level\":\"error\",\"message\":{\"text\":");
        JsonString(out, FindingText(r));
        out += "},\"locations\":[{";
        const std::optional<std::int64_t> record = r.recNum ? r.recNum : r.baselineRecNum;
        if (const std::string_view file = FileOf(r); !file.empty()) {
            out += "\"physicalLocation\":{\"artifactLocation\":";
            ArtifactLocation(file, out);
            if (const auto place = PlaceOf(r)) {
                Append(out, ",\"region\":{\"startLine\":", std::to_string(place->line), ",\"startColumn\":",
                       std::to_string(place->column), ",\"endLine\":", std::to_string(place->line), ",\"endColumn\":",
                       std::to_string(place->endColumn + 1), "}");
            }
            out += "},";
        }
        out += "\"logicalLocations\":[{\"name\":";
        std::string name = "record";
        if (record) Append(name, " ", std::to_string(*record));
        JsonString(out, name);
        out += ",\"kind\":\"element\"}]}]";
        Fixes(r, out);
        out += ",\"partialFingerprints\":{\"";
        out += kFingerprint;
        Append(out, "\":\"", Fingerprint(r), "\"}");
        if (compared_) {
            out += ",\"baselineState\":";
            out += r.status == "new"     ? "\"new\""
                   : r.status == "still" ? (r.changed ? "\"updated\"" : "\"unchanged\"")
                                         : "\"absent\"";
        }
        Append(out, ",\"properties\":{\"errNum\":", std::to_string(r.errNum), ",\"critical\":");
        out += r.critical ? "true" : "false";
        Append(out, ",\"record\":", r.recNum ? std::to_string(*r.recNum) : std::string("null"), ",\"recordType\":");
        JsonString(out, r.id);
        out += ",\"reference\":";
        JsonString(out, r.reference);
        out += ",\"userEntry\":";
        JsonString(out, r.userEntry);
        if (r.baselineRecNum) Append(out, ",\"baselineRecord\":", std::to_string(*r.baselineRecNum));
        out += "}}";
    }

    void End(std::string& out) override {
        Append(out, "\n],\"tool\":{\"driver\":{\"name\":\"quorvex-check\",\"fullName\":\"Quorvex wage report tester\","
               "\"version\":\"", Version(), "\",\"semanticVersion\":\"", Version(), "\",");
        out += "\"informationUri\":\"https://quorvex.org/\","
               "\"shortDescription\":{\"text\":\"Tests a ZRW5 wage report submission (tax year 2008).\"},"
               "\"fullDescription\":{\"text\":\"Cuts the submission into its 512-character records, checks their "
               "order and every field, and reconciles the employer-block totals. Each result is one finding: the "
               "field of the record it concerns, the entry found there and what the rule requires.\"},"
               "\"rules\":[";
        out += rules_;
        out += "\n]}}}]}\n";
    }

private:
    // The replacement of the finding's field that the file decides, as a consumer applies it:
    // the field's region (endColumn the column after it) and the new text.
    void Fixes(const FindingRow& r, std::string& out) const {
        const auto place = PlaceOf(r);
        if (!r.fix || r.fix->text.empty() || !place) return;
        out += ",\"fixes\":[{\"description\":{\"text\":";
        JsonString(out, r.fix->description);
        out += "},\"artifactChanges\":[{\"artifactLocation\":";
        ArtifactLocation(place->file, out);
        Append(out, ",\"replacements\":[{\"deletedRegion\":{\"startLine\":", std::to_string(place->line),
               ",\"startColumn\":", std::to_string(place->column), ",\"endLine\":", std::to_string(place->line),
               ",\"endColumn\":", std::to_string(place->endColumn + 1), "},\"insertedContent\":{\"text\":");
        JsonString(out, r.fix->text);
        out += "}}]}]}]";
    }

    // The index of the rule of `r`'s kind of check, made at its first finding.
    std::size_t Rule(const FindingRow& r) {
        std::string kind(r.id);
        kind += '\x1F';
        kind += r.reference;
        kind += '\x1F';
        kind += MessageKind(r.error);
        if (const auto at = byKind_.find(kind); at != byKind_.end()) return at->second;
        std::string id = RuleId(r.id, r.reference, r.error);
        for (int n = 2; idSet_.contains(id); ++n) {
            id = RuleId(r.id, r.reference, r.error);
            Append(id, "-", std::to_string(n));
        }
        idSet_.insert(id);
        std::string name = PascalName(r.id, Caption(r.reference));
        for (int n = 2; names_.contains(name); ++n) {
            name = PascalName(r.id, Caption(r.reference));
            name += std::to_string(n);
        }
        names_.insert(name);

        const std::string type(r.id), caption(Caption(r.reference)), requires_ = WithoutNumbers(r.error);
        const auto [first, last] = ReferencePositions(r.reference);
        std::string positions;
        if (first > 0) Append(positions, " (positions ", std::to_string(first), " to ", std::to_string(last), ")");
        std::string text;
        Append(text, caption, " of the ", type, " record", positions, ": ", requires_);
        const std::string more = " Each result names the record, the entry found there and the numbers of its message.";
        std::string md;
        Append(md, "**", MarkdownText(caption), "** of the **", MarkdownText(type), "** record", positions, "\n\n",
               MarkdownText(requires_), "\n\n", MarkdownText(more.substr(1)));
        std::string shortText;
        Append(shortText, type, " ", caption, ": ", requires_);

        std::string json = ids_.empty() ? "\n{\"id\":" : ",\n{\"id\":";
        JsonString(json, id);
        json += ",\"name\":";
        JsonString(json, name);
        json += ",\"shortDescription\":{\"text\":";
        JsonString(json, shortText);
        json += "},\"fullDescription\":{\"text\":";
        JsonString(json, text);
        json += "},\"help\":{\"text\":";
        JsonString(json, text.append(more));
        json += ",\"markdown\":";
        JsonString(json, md);
        json += "},\"defaultConfiguration\":{\"level\":\"error\"}}";
        rules_ += json;
        ids_.push_back(id);
        byKind_.emplace(std::move(kind), ids_.size() - 1);
        return ids_.size() - 1;
    }

    // Where a file stands: relative to %SRCROOT% when it is inside it, else an absolute
    // file URI; standard input is an artifact of its own.
    void ArtifactLocation(std::string_view file, std::string& out) const {
        if (file == "-" || file == "/dev/stdin") {
            out += "{\"uri\":\"stdin\",\"description\":{\"text\":\"standard input\"}}";
            return;
        }
        std::error_code ec;
        const fs::path path = fs::absolute(fs::path(std::string(file)), ec).lexically_normal();
        const fs::path relative = path.lexically_relative(root_);
        if (!ec && !relative.empty() && *relative.begin() != ".." && relative != ".") {
            out += "{\"uri\":";
            JsonUtf8String(out, FileUri(relative.generic_string()));
            out += ",\"uriBaseId\":\"";
            out += kRootId;
            out += "\"}";
            return;
        }
        out += "{\"uri\":";
        JsonUtf8String(out, FileUri(ec ? std::string(file) : path.string()));
        out += '}';
    }

    // What follows the finding from run to run: its record's key (type, SSN / EIN,
    // occurrence), its field and its message's kind, and which of equal ones it is.
    std::string Fingerprint(const FindingRow& r) {
        std::string key(r.recordKey);
        if (key.empty()) Append(key, "record ", std::to_string(r.recNum.value_or(0)));
        key += '\x1F';
        key += r.reference;
        key += '\x1F';
        key += MessageKind(r.error);
        key += '\x1F';
        key += std::to_string(repeats_[key]++);
        return Sha256Hex(key).substr(0, 32);
    }

    bool compared_;
    fs::path root_;
    bool first_ = true;
    std::unordered_map<std::string, std::size_t> byKind_;
    std::unordered_set<std::string> idSet_, names_;
    std::vector<std::string> ids_;
    std::string rules_;
    std::unordered_map<std::string, std::int64_t> repeats_;
};

}  // namespace

std::unique_ptr<FindingsFormatWriter> MakeSarifWriter(const FindingsContext& context) {
    return std::make_unique<SarifWriter>(context);
}

}  // namespace quorvex
