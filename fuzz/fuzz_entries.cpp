#include "fuzz_entries.h"

#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>
#include <vector>

#include "common/dialog_services.h"
#include "common/text_1252.h"
#include "errorlog/error_log.h"
#include "errorlog/log_findings.h"
#include "errorlog/log_reader.h"
#include "reader/fill_fields.h"
#include "reader/record_cutter.h"
#include "reader/run.h"
#include "validation/record_types.h"
#include "validation/validators.h"

namespace quorvex::fuzz {

namespace fs = std::filesystem;

namespace {

void Require(bool ok, const std::string& what) {
    if (!ok) throw Broken(what);
}

// A folder of this process for the logs and submission files, in memory where the system
// offers it; removed when the process ends.
class Scratch {
public:
    Scratch() {
        std::error_code ec;
        fs::path base = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string pattern = (base / "quorvex-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a folder in " + base.string());
        dir_ = pattern;
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    const fs::path& Dir() const { return dir_; }

private:
    fs::path dir_;
};

const fs::path& ScratchDir() {
    static Scratch scratch;
    return scratch.Dir();
}

void Write(const fs::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    Require(static_cast<bool>(out), "cannot write " + file.string());
}

// A small deterministic generator, so that an input always gives the same piece sizes.
struct Lcg {
    std::uint32_t state;
    std::uint32_t Next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

// The cutter's rules one byte at a time.
std::vector<std::string> CutByModel(std::string_view stream) {
    std::vector<std::string> records;
    std::string buf;
    for (char c : stream) {
        if (c == '\r' || c == '\n') {
            if (!buf.empty()) records.push_back(std::move(buf));
            buf.clear();
            continue;
        }
        buf += c;
        if (buf.size() == kRecordLength) {
            records.push_back(std::move(buf));
            buf.clear();
        }
    }
    if (!buf.empty()) records.push_back(std::move(buf));
    return records;
}

// Dialog services answering the file dialogs from a queue and choosing Exit at a yield.
class FuzzServices final : public DialogServices {
public:
    std::optional<std::string> OpenFile(FileAsked) override {
        if (files.empty()) return std::nullopt;
        std::string f = files.front();
        files.pop_front();
        return f;
    }
    MsgAnswer Message(std::string_view text, std::string_view title, MsgIcon, MsgButtons buttons) override {
        messages.push_back(std::string(title) + ": " + std::string(text));
        return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
    }
    bool Yield() override { return ++yields != exitAtYield; }
    Date Today() override { return today; }

    std::deque<std::string> files;
    std::vector<std::string> messages;
    int yields = 0;
    int exitAtYield = -1;
    Date today{2010, 1, 15};
};

}  // namespace

void CutRecords(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return;
    Lcg lcg{static_cast<std::uint32_t>(data[0] | data[1] << 8 | data[2] << 16)};
    const std::size_t stopAfter = data[3];  // 0: never stop
    std::string_view stream(reinterpret_cast<const char*>(data) + 4, size - 4);

    std::vector<std::string> model = CutByModel(stream);
    if (stopAfter > 0 && model.size() > stopAfter) model.resize(stopAfter);

    std::vector<std::string> cut;
    RecordCutter cutter;
    auto onRecord = [&](std::string& rec) {
        Require(!rec.empty() && rec.size() <= kRecordLength, "a record of " + std::to_string(rec.size()) + " bytes");
        cut.push_back(rec);
        return stopAfter == 0 || cut.size() < stopAfter;
    };
    bool more = true;
    for (std::size_t at = 0; more && at < stream.size();) {
        // Pieces of 1 to 8 bytes, up to a record and a half, or up to 64 KiB.
        std::uint32_t r = lcg.Next();
        std::size_t piece = r % 3 == 0 ? 1 + r / 3 % 8 : r % 3 == 1 ? 1 + r / 3 % 768 : 1 + r / 3 % 65536;
        piece = std::min(piece, stream.size() - at);
        // The cutter is given a copy of exactly the piece, so a read past it is caught.
        std::vector<char> copy(stream.begin() + static_cast<std::ptrdiff_t>(at),
                               stream.begin() + static_cast<std::ptrdiff_t>(at + piece));
        more = cutter.Feed(std::string_view(copy.data(), copy.size()), onRecord);
        at += piece;
    }
    if (more) cutter.Finish(onRecord);
    Require(cut == model, "the cut records differ from the model's");
}

void RunSubmission(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return;
    const std::uint8_t flags = data[0];
    const std::size_t split = static_cast<std::size_t>(data[1] | data[2] << 8);
    std::string_view content(reinterpret_cast<const char*>(data) + 3, size - 3);

    const fs::path& dir = ScratchDir();
    // The log of the previous input is no part of this one.
    LogFile::DeleteMDB(dir);
    FuzzServices services;
    if (flags & 0x01) {
        const std::size_t at = content.empty() ? 0 : split % (content.size() + 1);
        Write(dir / "first.txt", content.substr(0, at));
        Write(dir / "second.txt", content.substr(at));
        services.files = {(dir / "first.txt").string(), (dir / "second.txt").string()};
    } else {
        Write(dir / "first.txt", content);
        services.files = {(dir / "first.txt").string()};
        if (flags & 0x02) services.files.push_back((dir / "missing.txt").string());
    }
    RunOptions options;
    options.programFolder = dir;
    options.pieceSize = std::array<std::size_t, 4>{65000, 1, 509, 4096}[flags >> 2 & 3];
    options.errorLimit = std::array<int, 4>{500, 1, 3, 25000}[flags >> 4 & 3];
    if (flags & 0x40) {
        options.yieldInterval = std::chrono::microseconds(0);
        services.exitAtYield = 1 + static_cast<int>(split % 64);
    }
    if (flags & 0x80) services.today = Date{2009, 1, 15};

    RunSummary s;
    {
        Run run(services, options);
        s = run.ReadFile();
        run.CloseDatabase();
    }
    for (const std::string& m : services.messages)
        Require(m.find("Error Number:") == std::string::npos, "the run failed: " + m);

    std::optional<LogReader> log = LogReader::OpenIn(dir);
    if (!log) {
        Require(s.outcome == RunOutcome::Cancelled || s.outcome == RunOutcome::Aborted,
                "a run that tested records left no log");
        return;
    }
    Require(log->RecordCount() == s.recordsTested, "records tested differ from the Records rows");
    Require(log->ErrorCount() == s.errorsFound, "errors found differ from the Errors rows");
    Require(log->RecordsWithErrorsCount() == s.recordsWithErrors, "records with errors differ");
    if (s.outcome == RunOutcome::NoErrors)
        Require(s.errorsFound == 0 && s.recordsTested > 0, "a clean run with errors");
    if (s.outcome == RunOutcome::Stopped) {
        const auto last = log->LastError();
        Require(last && last->critical, "a stopped run whose last error is not critical");
    }
    // Every error belongs to a stored record that counts it.
    std::int64_t rows = 0;
    log->ForEachReportRow([&](const ReportRow& row) {
        ++rows;
        Require(row.error.recNum == row.record.recNum && row.record.errors > 0, "an error of no stored record");
        return true;
    });
    Require(rows == s.errorsFound, "the report's rows differ from the errors found");
}

void CheckRecord(const std::uint8_t* data, std::size_t size) {
    auto recordAt = [&](std::size_t from) {
        std::string rec(reinterpret_cast<const char*>(data) + from, std::min(size - from, kRecordLength));
        rec.resize(kRecordLength, ' ');
        // Stored as the run stores it: upper case, the RA contact e-mail (446-485) as entered.
        if (rec.compare(0, 2, "RA") == 0) {
            UpperCase1252(rec.data(), rec.data() + 445);
            UpperCase1252(rec.data() + 485, rec.data() + rec.size());
        } else {
            UpperCase1252(rec.data(), rec.data() + rec.size());
        }
        return rec;
    };
    if (size == 0) return;
    const std::string rec = recordAt(0);
    std::string id = rec.substr(0, 2);
    const RecordTypeRow* type = FindRecordType(id);
    Validator check = type ? type->validator : nullptr;
    if (!check) {
        constexpr std::array<Validator, 7> all = {&CheckCodeRA, &CheckCodeRE, &CheckCodeRW, &CheckCodeRO,
                                                  &CheckCodeRT, &CheckCodeRU, &CheckCodeRF};
        check = all[static_cast<std::uint8_t>(rec[0]) % all.size()];
    }
    // Records of an employer block follow an RE record.
    std::optional<std::string> re;
    if (size > kRecordLength)
        re = "RE" + recordAt(kRecordLength).substr(2);
    else if (check == &CheckCodeRW || check == &CheckCodeRO || check == &CheckCodeRT || check == &CheckCodeRU)
        re = std::string("RE") + std::string(kRecordLength - 2, ' ');

    const fs::path& dir = ScratchDir();
    LogFile::DeleteMDB(dir);
    EmployerContext employer;
    std::int64_t reNum = 0, recNum = 0;
    {
        ErrorLog log = ErrorLog::CreateMDB(dir);
        LogFindings findings(log);
        LogFacts facts(log);
        CheckContext ctx{findings, facts, {}, 0};
        log.AddMisc("fuzz.txt", "01/15/2010");
        if (re) {
            ctx.recNum = reNum = log.AddRecord("RE", *re);
            CheckCodeRE(*re, ctx);
        }
        ctx.recNum = recNum = log.AddRecord(id, rec);
        check(rec, ctx);
        employer = ctx.employer;
        log.CloseDatabase();
    }

    LogReader reader(LogFile::PathIn(dir));
    for (std::int64_t num : {reNum, recNum}) {
        if (num == 0) continue;
        const auto stored = reader.Record(num);
        Require(stored.has_value() && stored->record.size() == kRecordLength, "the stored record is lost");
        Require(static_cast<std::size_t>(stored->errors) == reader.ErrorsOf(num).size(),
                "a record's error count differs from its Errors rows");
        ViewerCheck v = RecheckRecord(stored->record, num, employer, reader);
        for (int box : v.marked)
            Require(box >= 0 && box < v.boxCount, "the viewer marks box " + std::to_string(box) + " of " +
                                                      std::to_string(v.boxCount));
        // The viewer re-runs the checks that logged the record's errors: it marks a field
        // exactly when the run found one (a lone critical error shows no fields).
        const RecordTypeRow* storedType = FindRecordType(stored->record.substr(0, 2));
        if (storedType && storedType->validator && !v.singleCritical)
            Require(v.marked.empty() == (stored->errors == 0),
                    "the viewer marks " + std::to_string(v.marked.size()) + " fields of a record with " +
                        std::to_string(stored->errors) + " errors");
    }
}

}  // namespace quorvex::fuzz
