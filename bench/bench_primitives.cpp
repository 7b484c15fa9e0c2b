// bench_primitives: the cost of the character checks on long fields, in nanoseconds.

#include <chrono>
#include <cstdio>
#include <string>

#include "validation/check_primitives.h"

namespace {

template <class F>
double NanosecondsPerCall(F&& f, int rounds) {
    int sink = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) sink += f(i) ? 1 : 0;
    const auto ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
    if (sink == -1) std::puts("");
    return ns / rounds;
}

}  // namespace

int main() {
    constexpr int kRounds = 2'000'000;
    const std::string blank(291, ' ');
    const std::string digits(11, '7');
    std::printf("CharCheck, 291 blanks     %6.1f ns\n",
                NanosecondsPerCall([&](int i) { return quorvex::CharCheck(std::string_view(blank).substr(i & 1)); },
                                   kRounds));
    std::printf("NumCheck, 11 digits       %6.1f ns\n",
                NanosecondsPerCall([&](int i) { return quorvex::NumCheck(std::string_view(digits).substr(i & 1)); },
                                   kRounds));
    std::printf("DigitsValue, 11 digits    %6.1f ns\n",
                NanosecondsPerCall(
                    [&](int i) { return quorvex::DigitsValue(std::string_view(digits).substr(i & 1)) > 0; }, kRounds));
    return 0;
}
