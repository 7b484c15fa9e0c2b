// generate_submission: writes a valid tax year 2008 wage report of any size.
//
//   generate_submission --employers 100 --employees 10000 [--ro | --ro-every K] [--all-money]
//                       [--territories] [--seed S] [--fault-every K] OUT
//   generate_submission --records 1000000 [--employers 100] [--ro] ... OUT

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "check/generator.h"

namespace {

void Usage(std::FILE* to) {
    std::fputs(
        "usage: generate_submission [options] OUT\n"
        "  --employers N     employer blocks (default 1)\n"
        "  --employees M     RW records per employer (default 10)\n"
        "  --records N       exactly N records in all (employees spread over the employers)\n"
        "  --ro              one RO record after every RW record, an RU record per block\n"
        "  --ro-every K      RO/RU records in every K-th block only (1st, K+1st, ...)\n"
        "  --all-money       a non-zero amount in every RW and RO money field the block allows\n"
        "  --territories     tax jurisdiction codes blank, P, V, G, S, N in turn per block\n"
        "  --seed S          random seed (default 2008); the same seed gives the same file\n"
        "  --fault-every K   a letter in the wages (positions 188-198) of every K-th RW record\n"
        "  --quiet           print nothing on success\n",
        to);
}

bool ParseInt(std::string_view text, long long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    std::string s(text);
    errno = 0;
    value = std::strtoll(s.c_str(), &end, 10);
    return errno == 0 && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
    using quorvex::test::SubmissionShape;
    long long employers = 1, employees = 10, roEvery = 0, seed = 2008, faultEvery = 0;
    std::optional<long long> records;
    bool allMoney = false, territories = false, quiet = false;
    std::string out;

    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        auto number = [&](long long& target) {
            if (i + 1 >= argc || !ParseInt(argv[i + 1], target)) {
                std::fprintf(stderr, "generate_submission: %s needs a whole number\n", argv[i]);
                std::exit(2);
            }
            ++i;
        };
        if (arg == "--employers") number(employers);
        else if (arg == "--employees") number(employees);
        else if (arg == "--records") { long long n; number(n); records = n; }
        else if (arg == "--ro") roEvery = 1;
        else if (arg == "--ro-every") number(roEvery);
        else if (arg == "--all-money") allMoney = true;
        else if (arg == "--territories") territories = true;
        else if (arg == "--seed") number(seed);
        else if (arg == "--fault-every") number(faultEvery);
        else if (arg == "--quiet") quiet = true;
        else if (arg == "--help" || arg == "-h") { Usage(stdout); return 0; }
        else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "generate_submission: unknown option %s\n", argv[i]);
            Usage(stderr);
            return 2;
        } else if (out.empty()) out = arg;
        else {
            std::fprintf(stderr, "generate_submission: only one output file\n");
            return 2;
        }
    }
    if (out.empty()) {
        Usage(stderr);
        return 2;
    }
    if (employers < 1 || employers > 1'000'000 || employees < 1 || roEvery < 0 || faultEvery < 0) {
        std::fprintf(stderr, "generate_submission: employers and employees must be at least 1\n");
        return 2;
    }

    try {
        SubmissionShape shape;
        if (records) {
            if (roEvery > 1) {
                std::fprintf(stderr, "generate_submission: --records works with --ro, not --ro-every\n");
                return 2;
            }
            shape = bench::ShapeForRecordCount(*records, static_cast<int>(employers), roEvery == 1);
        } else {
            shape = quorvex::test::UniformShape(static_cast<int>(employers), employees);
        }
        shape.roEvery = static_cast<int>(roEvery);
        shape.allMoney = allMoney;
        shape.territories = territories;
        shape.seed = static_cast<std::uint64_t>(seed);

        const auto start = std::chrono::steady_clock::now();
        const auto result = quorvex::test::WriteSubmission(shape, out);
        const long long faults = faultEvery > 0 ? bench::PutFaults(out, faultEvery) : 0;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!quiet)
            std::printf("%s: %lld records, %lld bytes in %.3f s\n", out.c_str(),
                        static_cast<long long>(result.records), static_cast<long long>(result.bytes), seconds);
        if (!quiet && faultEvery > 0) std::printf("%lld RW records with a letter in their wages\n", faults);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "generate_submission: %s\n", e.what());
        return 1;
    }
    return 0;
}
