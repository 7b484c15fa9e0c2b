#include "check/generator.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "support/records.h"

namespace bench {

quorvex::test::SubmissionShape ShapeForRecordCount(std::int64_t records, int employers, bool withRo) {
    if (employers < 1) throw std::invalid_argument("at least one employer is needed");
    // RA + RF, per block RE + RT (+ RU), per employee RW (+ RO).
    const std::int64_t fixed = 2 + employers * (withRo ? 3 : 2);
    const std::int64_t perEmployee = withRo ? 2 : 1;
    const std::int64_t rest = records - fixed;
    if (rest < employers * perEmployee || rest % perEmployee != 0)
        throw std::invalid_argument("cannot make exactly " + std::to_string(records) + " records with " +
                                    std::to_string(employers) + " employers");
    const std::int64_t employees = rest / perEmployee;
    quorvex::test::SubmissionShape shape;
    shape.roEvery = withRo ? 1 : 0;
    for (int i = 0; i < employers; ++i)
        shape.blockSizes.push_back(employees / employers + (i < employees % employers ? 1 : 0));
    return shape;
}

long long Generate(const FileShape& shape, const std::filesystem::path& file) {
    auto s = ShapeForRecordCount(shape.records, static_cast<int>(shape.employers), shape.ro);
    s.allMoney = shape.allMoney;
    s.territories = shape.territories;
    const auto start = std::chrono::steady_clock::now();
    const auto written = quorvex::test::WriteSubmission(s, file.string());
    const long long faults = shape.faultEvery > 0 ? PutFaults(file.string(), shape.faultEvery) : 0;
    std::printf("generated      %s: %lld records (%lld with an error), %.1f MB in %.3f s\n", file.c_str(),
                static_cast<long long>(written.records), faults, static_cast<double>(written.bytes) / 1e6,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return static_cast<long long>(written.records);
}

long long PutFaults(const std::string& path, long long every) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    if (!file) throw std::runtime_error("cannot open " + path);
    constexpr std::streamoff kRecord = 514, kChunkRecords = 2048;
    std::string chunk(static_cast<std::size_t>(kRecord * kChunkRecords), '\0');
    long long rw = 0, changed = 0;
    for (std::streamoff at = 0;; at += kRecord * kChunkRecords) {
        file.seekg(at);
        file.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const std::streamsize got = file.gcount();
        if (got <= 0) break;
        file.clear();
        bool dirty = false;
        for (std::streamoff r = 0; (r + 1) * kRecord <= got; ++r) {
            char* rec = chunk.data() + r * kRecord;
            if (rec[0] != 'R' || rec[1] != 'W' || ++rw % every != 0) continue;
            rec[197] = 'X';
            dirty = true;
            ++changed;
        }
        if (dirty) {
            file.seekp(at);
            file.write(chunk.data(), got);
        }
        if (got < static_cast<std::streamsize>(chunk.size())) break;
    }
    if (!file.flush()) throw std::runtime_error("cannot write " + path);
    return changed;
}

}  // namespace bench
