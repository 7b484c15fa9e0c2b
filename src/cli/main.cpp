#include <cstdlib>
#include <string_view>

#include "cli/check_main.h"

int main(int argc, char** argv) {
    // QUORVEX_REDACT set to anything but 0 or nothing hides the SSNs as --redact does: a
    // pipeline that sets it never sends one out by a value it did not expect.
    const char* redact = std::getenv("QUORVEX_REDACT");
    return quorvex::CheckMain(argc, argv, {}, redact && *redact && std::string_view(redact) != "0");
}
