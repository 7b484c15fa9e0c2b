#include "common/dialog_services.h"

#include <cstdio>

#include "common/text_1252.h"

namespace quorvex {

std::string_view FileDialogTitle(FileAsked which) {
    return which == FileAsked::First ? "Please Enter File Name to be Tested"
                                     : "Please Enter Next File Name to be Tested";
}

MsgAnswer DialogServices::MessageUtf8(std::string_view text, std::string_view title, MsgIcon icon,
                                      MsgButtons buttons) {
    return Message(Utf8ToCp1252(text), title, icon, buttons);
}

std::string Date::Format() const {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", month % 100, day % 100, year % 10000);
    return buf;
}

}  // namespace quorvex
