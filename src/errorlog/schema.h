#pragma once

#include "errorlog/sqlite.h"

namespace quorvex {

// Create_Misc, Create_RECORDS, Create_ERRORS, Create_TRT, Create_TRU: the five tables of
// the error log, in this order. Text columns compare without regard to case, as the
// log's queries expect; every counter is never reused (AUTOINCREMENT).
void Create_Misc(sql::Database& db);
void Create_RECORDS(sql::Database& db);
void Create_ERRORS(sql::Database& db);
void Create_TRT(sql::Database& db);
void Create_TRU(sql::Database& db);

inline constexpr int kTrtFields = 24;
inline constexpr int kTruFields = 17;

}  // namespace quorvex
