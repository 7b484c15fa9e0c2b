#include <string>

#include "report/core/findings_text.h"

namespace quorvex {

namespace {

// RFC 4180 with a header row: the fields of the log's error rows, then the comparison's
// (status, baseline_record), then where the finding stands (file, line, column,
// end_column; empty when its record's place is unknown), and last the fix of the field (empty
// when there is none).
class CsvWriter final : public FindingsFormatWriter {
public:
    explicit CsvWriter(const FindingsContext& context) : compared_(context.compared) {}

    void Begin(std::string& out) override {
        out += "err_num,record,id,critical,reference,user_entry,error";
        out +=
            compared_ ? ",status,baseline_record,file,line,column,end_column,fix\r\n" : ",file,line,column,end_column,fix\r\n";
    }

    void Add(const FindingRow& r, std::string& out) override {
        out += std::to_string(r.errNum);
        out += ',';
        if (r.recNum) out += std::to_string(*r.recNum);
        out += ',';
        CsvField(out, r.id);
        out += r.critical ? ",true," : ",false,";
        CsvField(out, r.reference);
        out += ',';
        CsvField(out, r.userEntry);
        out += ',';
        CsvField(out, r.error);
        if (compared_) {
            out += ',';
            out += r.status;
            out += ',';
            if (r.baselineRecNum) out += std::to_string(*r.baselineRecNum);
        }
        out += ',';
        CsvUtf8Field(out, FileOf(r));
        if (const auto place = PlaceOf(r)) {
            Append(out, ",", std::to_string(place->line), ",", std::to_string(place->column), ",",
                   std::to_string(place->endColumn));
        } else {
            out += ",,,";
        }
        out += ',';
        if (r.fix) CsvField(out, r.fix->text);
        out += "\r\n";
    }

private:
    bool compared_;
};

}  // namespace

std::unique_ptr<FindingsFormatWriter> MakeCsvWriter(const FindingsContext& context) {
    return std::make_unique<CsvWriter>(context);
}

}  // namespace quorvex
