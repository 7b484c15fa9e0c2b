#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quorvex {

// Where the RE record of an employer block is looked up: the log's file (LogReader) or what
// the log kept of it as it wrote it (KeyedErrors). Both answer alike.
class BlockRecords {
public:
    virtual ~BlockRecords() = default;
    // The RE record of block `reIndx`: the last one up to record `upTo` (the record of a block
    // member, which stands after it), else the block's first one; nullopt when there is none.
    virtual std::optional<std::string> BlockRecord(std::int64_t reIndx, std::int64_t upTo) const = 0;

protected:
    BlockRecords() = default;
    BlockRecords(const BlockRecords&) = default;
    BlockRecords& operator=(const BlockRecords&) = default;
    BlockRecords(BlockRecords&&) = default;
    BlockRecords& operator=(BlockRecords&&) = default;
};

}  // namespace quorvex
