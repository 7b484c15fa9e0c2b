#include <string>

#include "report/core/findings_text.h"

namespace quorvex {

namespace {

// An array of objects, one per line: the fields of the log's error rows and the fix of the
// field (null when there is none), then the
// comparison's (status, baseline_record), then where the finding stands (file, line,
// column, end_column). Every object has every key, null where the value is unknown, so
// that readers that take the keys of the first object as the columns read them all.
class JsonWriter final : public FindingsFormatWriter {
public:
    explicit JsonWriter(const FindingsContext& context) : compared_(context.compared) {}

    void Add(const FindingRow& r, std::string& out) override {
        out += first_ ? "[\n{\"err_num\":" : ",\n{\"err_num\":";
        first_ = false;
        out += std::to_string(r.errNum);
        out += ",\"record\":";
        out += r.recNum ? std::to_string(*r.recNum) : std::string("null");
        out += ",\"id\":";
        JsonString(out, r.id);
        out += r.critical ? ",\"critical\":true,\"reference\":" : ",\"critical\":false,\"reference\":";
        JsonString(out, r.reference);
        out += ",\"user_entry\":";
        JsonString(out, r.userEntry);
        out += ",\"error\":";
        JsonString(out, r.error);
        out += ",\"fix\":";
        if (r.fix && !r.fix->text.empty()) JsonString(out, r.fix->text);
        else out += "null";
        if (compared_) {
            out += ",\"status\":";
            JsonString(out, r.status);
            out += ",\"baseline_record\":";
            out += r.baselineRecNum ? std::to_string(*r.baselineRecNum) : std::string("null");
        }
        out += ",\"file\":";
        if (const std::string_view file = FileOf(r); !file.empty()) JsonUtf8String(out, file);
        else out += "null";
        if (const auto place = PlaceOf(r)) {
            Append(out, ",\"line\":", std::to_string(place->line), ",\"column\":", std::to_string(place->column),
                   ",\"end_column\":", std::to_string(place->endColumn));
        } else {
            out += ",\"line\":null,\"column\":null,\"end_column\":null";
        }
        out += '}';
    }

    void End(std::string& out) override { out += first_ ? "[]\n" : "\n]\n"; }

private:
    bool compared_;
    bool first_ = true;
};

}  // namespace

std::unique_ptr<FindingsFormatWriter> MakeJsonWriter(const FindingsContext& context) {
    return std::make_unique<JsonWriter>(context);
}

}  // namespace quorvex
