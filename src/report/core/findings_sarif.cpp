#include <array>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "history/compare_runs.h"
#include "history/run_record.h"
#include "report/core/findings_sarif.h"
#include "report/core/findings_text.h"
#include "report/core/report_writers.h"
#include "errorlog/log_reader.h"

namespace quorvex {

namespace {

namespace fs = std::filesystem;

constexpr char kRootId[] = "%SRCROOT%";
constexpr char kFingerprint[] = "quorvexFinding/v2";

std::string Version() {
    std::string version;
    Append(version, std::to_string(QUORVEX_VERSION_MAJOR), ".", std::to_string(QUORVEX_VERSION_MINOR), ".",
           std::to_string(QUORVEX_VERSION_PATCH));
    return version;
}

// The notifications of the run's invocation: how the run ended, what was left out.
struct Notification {
    const char* level;
    std::string text;  // code page 1252
};

std::string Thousands(std::int64_t n) {
    std::string text = std::to_string(n);
    for (std::size_t at = text.size() > 3 ? text.size() - 3 : 0; at > 0 && text[at - 1] != '-'; at -= at > 3 ? 3 : at)
        text.insert(at, 1, ',');
    return text;
}

// SARIF 2.1.0 as code scanning takes it: one rule per kind of check (record type, field,
// message with the finding's data taken out), each result at its field with a fingerprint
// made of what its record holds, file names relative to %SRCROOT% (absolute only outside
// it), at most kMaxSarifResults results, and an invocation that says how the run ended.
class SarifWriter final : public FindingsFormatWriter {
public:
    explicit SarifWriter(const FindingsContext& context)
        : context_(context), fingerprint_(context.fingerprintKey) {
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
        NoteHowTheRunEnded(r);
        if (results_ == kMaxSarifResults) return LeaveOut(r);
        ++results_;
        WriteResult(r, out);
    }

    void End(std::string& out) override {
        out += "\n],\"invocations\":[";
        Invocation(out);
        Append(out, "],\"tool\":{\"driver\":{\"name\":\"quorvex-check\",\"fullName\":\"Quorvex wage report tester\","
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
    void Fixes(const FindingRow& r, std::string& out) {
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

    void WriteResult(const FindingRow& r, std::string& out) {
        const std::size_t rule = Rule(r);
        out += results_ == 1 ? "\n{\"ruleId\":" : ",\n{\"ruleId\":";
        JsonString(out, ids_[rule]);
        // A finding of the earlier run that the later one no longer has is no error.
        out += r.status == "fixed" ? ",\"kind\":\"pass\",\"level\":\"none\"" : ",\"level\":\"error\"";
        out += ",\"message\":{\"text\":";
        // What its rule says is in the rule once: the message names the field and the entry,
        // and says the whole only where it holds data of its own.
        if (holdsData_[rule]) {
            JsonString(out, FindingText(r));
        } else {
            std::string text(Caption(r.reference));
            if (!r.userEntry.empty()) text += ':';
            JsonString(out, text.append(BracketedEntry(r.userEntry)));
        }
        out += "},\"locations\":[{";
        Location(r, out);
        out += "}]";
        Fixes(r, out);
        Append(out, ",\"partialFingerprints\":{\"", kFingerprint, "\":\"", Fingerprint(r), "\"}");
        if (context_.compared) {
            out += ",\"baselineState\":";
            out += r.status == "new"     ? "\"new\""
                   : r.status == "still" ? (r.changed ? "\"updated\"" : "\"unchanged\"")
                                         : "\"absent\"";
        }
        Append(out, ",\"properties\":{\"record\":", r.recNum ? std::to_string(*r.recNum) : std::string("null"));
        if (r.critical) out += ",\"critical\":true";
        if (r.baselineRecNum) Append(out, ",\"baselineRecord\":", std::to_string(*r.baselineRecNum));
        out += "}}";
    }

    // Where the finding stands: its file and the field's columns, else its record.
    void Location(const FindingRow& r, std::string& out) {
        if (const std::string_view file = FileOf(r); !file.empty()) {
            out += "\"physicalLocation\":{\"artifactLocation\":";
            ArtifactLocation(file, out);
            if (const auto place = PlaceOf(r)) {
                // One line: its end is its start.
                Append(out, ",\"region\":{\"startLine\":", std::to_string(place->line), ",\"startColumn\":",
                       std::to_string(place->column), ",\"endColumn\":", std::to_string(place->endColumn + 1), "}");
            }
            out += '}';
            return;
        }
        const std::optional<std::int64_t> record = r.recNum ? r.recNum : r.baselineRecNum;
        out += "\"logicalLocations\":[{\"name\":\"record";
        if (record) Append(out, " ", std::to_string(*record));
        out += "\",\"kind\":\"element\"}]";
    }

    // What a finding tells of how its run ended: stopped by a critical error or the error
    // limit, or aborted. A fixed finding of a comparison belongs to the earlier run.
    void NoteHowTheRunEnded(const FindingRow& r) {
        if (r.status == "fixed" || !(r.critical || r.reference == "Test Aborted")) return;
        std::string text;
        const std::string record = r.recNum ? "record " + Thousands(*r.recNum) : std::string("its last record");
        if (!r.critical) {
            aborted_ = true;
            Append(text, "Testing was aborted at ", record,
                   " (Exit was chosen, or the program was asked to stop): the records after it were not tested, "
                   "so these results are incomplete. Run the test again.");
        } else if (IsErrorLimit(r.reference)) {
            Append(text, "Testing stopped at ", record, ", where the error limit was reached (", r.reference,
                   "). The records after it were not tested.");
        } else {
            Append(text, "Testing was stopped by the critical error in ", record, ": ", FindingText(r),
                   " The records after it were not tested.");
        }
        notifications_.push_back({r.critical ? "note" : "error", std::move(text)});
    }

    // A finding beyond what a run may hold: counted for the notification that tells of it.
    void LeaveOut(const FindingRow& r) {
        ++leftOut_;
        const std::optional<std::int64_t> record = r.recNum ? r.recNum : r.baselineRecNum;
        if (record && !firstLeftOut_) firstLeftOut_ = record;
        if (context_.compared) ++leftOutByState_[r.status == "fixed" ? 0 : r.status == "new" ? 1 : 2];
    }

    void Invocation(std::string& out) {
        std::vector<Notification> notes;
        if (context_.unfinishedAt)
            notes.push_back({"error", InterruptedRunHead(*context_.unfinishedAt) + " " + InterruptedRunBody()});
        notes.insert(notes.end(), notifications_.begin(), notifications_.end());
        if (leftOut_ > 0) notes.push_back({"warning", LeftOutText()});
        const bool successful = !context_.unfinishedAt && !aborted_;
        out += successful ? "{\"executionSuccessful\":true" : "{\"executionSuccessful\":false";
        if (successful && context_.exitCode) Append(out, ",\"exitCode\":", std::to_string(*context_.exitCode));
        if (!notes.empty()) {
            out += ",\"toolExecutionNotifications\":[";
            for (const Notification& n : notes) {
                Append(out, &n == &notes.front() ? "" : ",", "{\"level\":\"", n.level, "\",\"message\":{\"text\":");
                JsonString(out, n.text);
                out += "}}";
            }
            out += ']';
        }
        out += '}';
    }

    std::string LeftOutText() const {
        std::string text;
        Append(text, "This run holds the first ", Thousands(kMaxSarifResults), " of ",
               Thousands(results_ + leftOut_), " findings: code scanning takes no more than ",
               Thousands(kMaxSarifResults), " results in a run. The ", Thousands(leftOut_), " left out");
        if (firstLeftOut_) Append(text, " begin at record ", Thousands(*firstLeftOut_));
        if (context_.compared)
            Append(text, " (", Thousands(leftOutByState_[1]), " new, ", Thousands(leftOutByState_[2]),
                   " still there, ", Thousands(leftOutByState_[0]), " fixed)");
        text += "; --findings json or csv writes every finding.";
        return text;
    }

    // The index of the rule of `r`'s kind of check, made at its first finding.
    std::size_t Rule(const FindingRow& r) {
        std::string kind = RuleKind(r.id, r.reference, r.error);
        if (const auto at = byKind_.find(kind); at != byKind_.end()) return at->second;
        SarifRule rule = MakeSarifRule(r.id, r.reference, r.error);
        // Two kinds that share an id or a name (a hash that met another, words that say
        // the same) are told apart by a number.
        const std::string id = rule.id, name = rule.name;
        for (int n = 2; idSet_.contains(rule.id); ++n) rule.id = id + "-" + std::to_string(n);
        for (int n = 2; names_.contains(rule.name); ++n) rule.name = name + std::to_string(n);
        idSet_.insert(rule.id);
        names_.insert(rule.name);
        Append(rules_, ids_.empty() ? "\n" : ",\n", RuleJson(rule));
        ids_.push_back(rule.id);
        holdsData_.push_back(rule.messagesHoldData);
        byKind_.emplace(std::move(kind), ids_.size() - 1);
        return ids_.size() - 1;
    }

    // Where a file stands: relative to %SRCROOT% when it is inside it, else an absolute
    // file URI; standard input is an artifact of its own. The last file's is kept: results
    // come file after file.
    void ArtifactLocation(std::string_view file, std::string& out) {
        if (file != locatedFile_) {
            locatedFile_ = file;
            location_ = ArtifactLocationOf(file);
        }
        out += location_;
    }

    std::string ArtifactLocationOf(std::string_view file) const {
        if (file == "-" || file == "/dev/stdin") return "{\"uri\":\"stdin\",\"description\":{\"text\":\"standard input\"}}";
        std::string out;
        std::error_code ec;
        const fs::path path = fs::absolute(fs::path(std::string(file)), ec).lexically_normal();
        const fs::path relative = path.lexically_relative(root_);
        if (!ec && !relative.empty() && *relative.begin() != ".." && relative != ".") {
            out += "{\"uri\":";
            JsonUtf8String(out, FileUri(relative.generic_string()));
            Append(out, ",\"uriBaseId\":\"", kRootId, "\"}");
            return out;
        }
        out += "{\"uri\":";
        JsonUtf8String(out, FileUri(ec ? std::string(file) : path.string()));
        out += '}';
        return out;
    }

    // What follows the finding from run to run: its record's key (type, SSN / EIN,
    // occurrence), its field and its message's kind, and which of equal ones it is, as an
    // HMAC under the folder's (or the pipeline's) key: no one without the key can try SSNs
    // against it.
    std::string Fingerprint(const FindingRow& r) {
        std::string key(r.recordKey);
        if (key.empty()) Append(key, "record ", std::to_string(r.recNum.value_or(0)));
        Append(key, "\x1F", r.reference, "\x1F", MessageKind(r.error), "\x1F");
        key += std::to_string(repeats_[key]++);
        return fingerprint_.Hex(key).substr(0, 16);
    }

    FindingsContext context_;
    HmacSha256 fingerprint_;
    fs::path root_;
    std::int64_t results_ = 0, leftOut_ = 0;
    std::optional<std::int64_t> firstLeftOut_;
    std::array<std::int64_t, 3> leftOutByState_{};
    bool aborted_ = false;
    std::vector<Notification> notifications_;
    std::string locatedFile_, location_;
    std::unordered_map<std::string, std::size_t> byKind_;
    std::unordered_set<std::string> idSet_, names_;
    std::vector<std::string> ids_;
    std::vector<bool> holdsData_;
    std::string rules_;
    std::unordered_map<std::string, std::int64_t> repeats_;
};

}  // namespace

std::unique_ptr<FindingsFormatWriter> MakeSarifWriter(const FindingsContext& context) {
    return std::make_unique<SarifWriter>(context);
}

}  // namespace quorvex
