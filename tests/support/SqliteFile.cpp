#include "support/SqliteFile.h"

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

namespace qm::test {
namespace {

std::string fillStatement(int rows)
{
    return "CREATE TABLE visits(id INTEGER PRIMARY KEY, data BLOB);"
           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
           std::to_string(rows) + ") INSERT INTO visits(data) SELECT randomblob(1000) FROM n;";
}

} // namespace

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
    if (sqlite3_exec(db, fillStatement(rows).c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail("cannot fill");
    if (sqlite3_close(db) != SQLITE_OK)
        throw std::runtime_error("cannot close " + path.native());
}

void makeUncheckpointedSqliteFile(const std::filesystem::path& path, int rows)
{
    // Prepared before the fork: the child only calls SQLite and _exit.
    const std::string sql =
        "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0; BEGIN;" + fillStatement(rows) + "COMMIT;";
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("cannot fork");
    if (child == 0) {
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
            SQLITE_OK)
            ::_exit(2);
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            ::_exit(3);
        // Never closed: the log is neither checkpointed nor removed.
        ::_exit(0);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("the writer of " + path.native() + " failed");
}

SqliteContents readSqliteFile(const std::filesystem::path& path)
{
    SqliteContents contents;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        contents.integrity = db ? sqlite3_errmsg(db) : "no memory";
        sqlite3_close(db);
        return contents;
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
        contents.integrity = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    } else {
        contents.integrity = sqlite3_errmsg(db);
    }
    sqlite3_finalize(statement);
    statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM visits", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
        contents.rows = sqlite3_column_int(statement, 0);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return contents;
}

} // namespace qm::test
