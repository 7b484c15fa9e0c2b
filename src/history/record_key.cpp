#include "history/record_key.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "validation/field_names.h"
#include "validation/layouts.h"

namespace quorvex {

namespace {

std::string Trimmed(std::string_view s) {
    const std::size_t b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    return std::string(s.substr(b, s.find_last_not_of(' ') - b + 1));
}

// The fields that key a record. An RO record is keyed at the positions of the RW record's SSN.
const FieldLayout& SsnField() { return Field(RecordType::RW, rw::kSsn); }
const FieldLayout& EinField() { return Field(RecordType::RE, re::kEin); }

}  // namespace

std::string KeyOfRecord(std::string_view type, std::string_view record, std::string_view ein) {
    if (type == "RW" || type == "RO") return Trimmed(Cut(record, SsnField())).append("/").append(ein);
    if (type == "RE" || type == "RT" || type == "RU") return std::string(ein);
    return {};
}

std::string EinOf(std::string_view reRecord) { return Trimmed(Cut(reRecord, EinField())); }

const RecordKey& RecordKeyer::Key(const RecordRow& record) {
    if (record.recNum == recNum_) return key_;
    recNum_ = record.recNum;
    key_.type = Trimmed(record.id);
    std::string ein;
    if (key_.type == "RE") ein = EinOf(record.record);
    else if (record.reIndx) ein = BlockEin(*record.reIndx, record.recNum);
    key_.key = KeyOfRecord(key_.type, record.record, ein);
    typeAndKey_.assign(1, static_cast<char>(key_.type.size())).append(key_.type).append(key_.key);
    key_.occurrence = seen_.Count(typeAndKey_);
    return key_;
}

const std::string& RecordKeyer::BlockEin(std::int64_t reIndx, std::int64_t recNum) {
    auto at = eins_.find(reIndx);
    if (at == eins_.end()) {
        // An RE record too short to hold the whole EIN gives its block none.
        const auto re = blocks_.BlockRecord(reIndx, recNum);
        const bool whole = re && re->size() >= static_cast<std::size_t>(EinField().last);
        at = eins_.emplace(reIndx, whole ? EinOf(*re) : std::string()).first;
    }
    return at->second;
}

std::int64_t RecordKeyer::TextCounter::Count(std::string_view text) {
    if (2 * (used_ + 1) > slots_.size()) Grow();
    const std::size_t hash = std::hash<std::string_view>{}(text);
    Slot& slot = Find(hash, text);
    if (slot.seen == 0) {
        slot.hash = hash, slot.at = bytes_.size(), slot.size = text.size();
        bytes_.append(text);
        ++used_;
    }
    return slot.seen++;
}

RecordKeyer::TextCounter::Slot& RecordKeyer::TextCounter::Find(std::size_t hash, std::string_view text) {
    for (std::size_t i = hash & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1)) {
        Slot& slot = slots_[i];
        if (slot.seen == 0 || (slot.hash == hash && std::string_view(bytes_).substr(slot.at, slot.size) == text))
            return slot;
    }
}

void RecordKeyer::TextCounter::Grow() {
    std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(std::max<std::size_t>(64, 2 * slots_.size())));
    for (const Slot& s : old)
        if (s.seen > 0) Find(s.hash, std::string_view(bytes_).substr(s.at, s.size)) = s;
}

}  // namespace quorvex
