#pragma once

#include <string>
#include <string_view>

namespace quorvex {

// Rows to a grouped INSERT, by table: the statement's own work (among it the update of the
// table's counter) is done once for all its rows.
// - New Records rows, 32 to a statement: the records of a run come one after another.
// - Errors rows found among such a group of records: at most 8 to a statement (they are few
//   there, and a statement of each size up to it is prepared).
// - The run history's findings, 64 to a statement (12 parameters each, well under the engine's
//   bound on parameters).
inline constexpr int kRecordsPerInsert = 32;
inline constexpr int kErrorsPerInsert = 8;
inline constexpr int kFindingsPerInsert = 64;

// "INSERT OR FAIL INTO `into` VALUES (?1, ... ?c), (?c+1, ...) ...": `rows` rows of `columns`
// parameters each; `into` is the table and its column list.
//
// OR FAIL, not the default ABORT: a statement of many rows that may be undone alone makes the
// engine copy every page it touches to a statement journal first, most of the writer's work.
// Nothing is lost by it: a row that fails a constraint fails the whole write either way, and a
// failing disk rolls back the whole transaction.
inline std::string GroupedInsertSql(std::string_view into, int rows, int columns) {
    std::string sql("INSERT OR FAIL INTO ");
    sql += into;
    sql += " VALUES ";
    for (int r = 0; r < rows; ++r) {
        sql += r ? ", (" : "(";
        for (int c = 1; c <= columns; ++c) {
            sql += '?';
            sql += std::to_string(r * columns + c);
            sql += c < columns ? ", " : ")";
        }
    }
    return sql;
}

}  // namespace quorvex
