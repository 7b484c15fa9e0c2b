#include "errorlog/schema.h"

#include <string>

namespace quorvex {

namespace {

std::string TotalsTable(const char* name, const char* index, int fields) {
    std::string sql = std::string("CREATE TABLE ") + name + " (Indx INTEGER CONSTRAINT \"" + index +
                      "\" PRIMARY KEY AUTOINCREMENT, RE_EIN VARCHAR(9) COLLATE NOCASE, \"0\" INTEGER DEFAULT 0";
    for (int n = 1; n <= fields; ++n) {
        sql += ", \"" + std::to_string(n) + "\" DOUBLE DEFAULT 0";
        sql += ", F" + std::to_string(n) + "ErrRef VARCHAR(9) COLLATE NOCASE DEFAULT 'None'";
    }
    sql += ")";
    return sql;
}

}  // namespace

void Create_Misc(sql::Database& db) {
    db.exec(
        "CREATE TABLE Misc (Data_Id INTEGER CONSTRAINT \"Error Index\" PRIMARY KEY AUTOINCREMENT, "
        "Path VARCHAR(255) COLLATE NOCASE, PinOK BOOLEAN, RptDate VARCHAR(10) COLLATE NOCASE)");
}

void Create_RECORDS(sql::Database& db) {
    db.exec(
        "CREATE TABLE Records (Rec_Num INTEGER CONSTRAINT \"Record Index\" PRIMARY KEY AUTOINCREMENT, "
        "ID VARCHAR(2) COLLATE NOCASE, RE_Indx INTEGER, Errors SMALLINT, Record TEXT COLLATE NOCASE, "
        "RecReference VARCHAR(9) COLLATE NOCASE)");
}

void Create_ERRORS(sql::Database& db) {
    db.exec(
        "CREATE TABLE Errors (Err_Num INTEGER CONSTRAINT \"Error Index\" PRIMARY KEY AUTOINCREMENT, "
        "Type VARCHAR(1) COLLATE NOCASE, Rec_Num INTEGER, Reference VARCHAR(200) COLLATE NOCASE, "
        "User_Entry TEXT COLLATE NOCASE, Error TEXT COLLATE NOCASE)");
}

void Create_TRT(sql::Database& db) { db.exec(TotalsTable("TRT", "TRT Index", kTrtFields)); }

void Create_TRU(sql::Database& db) { db.exec(TotalsTable("TRU", "TRU Index", kTruFields)); }

}  // namespace quorvex
