#pragma once

#include <string_view>

#include "validation/check_context.h"

namespace quorvex {

// The field checks of each record type. `txtline` is the stored (upper-cased) record,
// code page 1252 bytes, at most 512 characters. Every finding goes to ctx.findings.
void CheckCodeRA(std::string_view txtline, CheckContext& ctx);
void CheckCodeRE(std::string_view txtline, CheckContext& ctx);
void CheckCodeRW(std::string_view txtline, CheckContext& ctx);
void CheckCodeRO(std::string_view txtline, CheckContext& ctx);
void CheckCodeRT(std::string_view txtline, CheckContext& ctx);
void CheckCodeRU(std::string_view txtline, CheckContext& ctx);
void CheckCodeRF(std::string_view txtline, CheckContext& ctx);

}  // namespace quorvex
