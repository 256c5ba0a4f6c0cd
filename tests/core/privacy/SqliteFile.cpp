#include "core/privacy/SqliteFile.h"

#include <sqlite3.h>

#include <stdexcept>
#include <string>

namespace qm::test {

void makeSqliteFile(const std::filesystem::path& path, int rows)
{
    sqlite3* db = nullptr;
    const int opened =
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    const auto fail = [&](const std::string& what) {
        const std::string message =
            what + " " + path.native() + ": " + (db ? sqlite3_errmsg(db) : "no memory");
        sqlite3_close(db);
        throw std::runtime_error(message);
    };
    if (opened != SQLITE_OK)
        fail("cannot create");
    const std::string sql = "CREATE TABLE visits(id INTEGER PRIMARY KEY, data BLOB);"
                            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                            std::to_string(rows) +
                            ") INSERT INTO visits(data) SELECT randomblob(1000) FROM n;";
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail("cannot fill");
    if (sqlite3_close(db) != SQLITE_OK)
        throw std::runtime_error("cannot close " + path.native());
}

} // namespace qm::test
