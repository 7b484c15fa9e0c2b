#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "errorlog/block_records.h"
#include "errorlog/log_reader.h"

namespace quorvex {

// A record as the history names it, by what it holds rather than where it stood: its type
// (the trimmed identifier), its key (for RW and RO records the SSN and the block's EIN, for
// RE, RT and RU the block's EIN, for the others nothing) and its occurrence (the records of
// the same type and key before it, so that repeated keys stay apart).
struct RecordKey {
    std::string type;
    std::string key;
    std::int64_t occurrence = 0;
    auto operator<=>(const RecordKey&) const = default;
};

// The key of a record of type `type` whose block's EIN is `ein`.
std::string KeyOfRecord(std::string_view type, std::string_view record, std::string_view ein);
// The EIN an RE record holds, trimmed.
std::string EinOf(std::string_view reRecord);

// Names the records of a log's findings as their rows come (by record number, the findings
// of a record one after another): the occurrence counts the records of the same type and
// key met before. The block's RE records come from `blocks`.
class RecordKeyer {
public:
    explicit RecordKeyer(const BlockRecords& blocks) : blocks_(blocks) {}
    // The key of `record` (of it, only its number, identifier, block and text up to the key's
    // fields are read); a row of the same record as the last keeps its key.
    const RecordKey& Key(const RecordRow& record);

private:
    // How often each text was seen: open addressing over one block of the texts' bytes, so
    // that the 25,000 keys of a large run cost no allocation each.
    class TextCounter {
    public:
        // The times `text` was seen before; counts this time.
        std::int64_t Count(std::string_view text);

    private:
        struct Slot {
            std::size_t hash = 0, at = 0, size = 0;
            std::int64_t seen = 0;  // 0: empty
        };
        Slot& Find(std::size_t hash, std::string_view text);
        void Grow();

        std::vector<Slot> slots_;
        std::string bytes_;
        std::size_t used_ = 0;
    };
    // The EIN of block `reIndx` for record `recNum`, read once per block.
    const std::string& BlockEin(std::int64_t reIndx, std::int64_t recNum);

    const BlockRecords& blocks_;
    std::map<std::int64_t, std::string> eins_;  // by block
    TextCounter seen_;  // records of a type and key, under the type's length, the type and the key
    std::string typeAndKey_;
    std::optional<std::int64_t> recNum_;
    RecordKey key_;
};

}  // namespace quorvex
