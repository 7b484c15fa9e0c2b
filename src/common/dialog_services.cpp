#include "common/dialog_services.h"

#include <cstdio>

namespace quorvex {

std::string Date::Format() const {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", month % 100, day % 100, year % 10000);
    return buf;
}

}  // namespace quorvex
