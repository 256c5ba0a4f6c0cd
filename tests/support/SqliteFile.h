#pragma once

#include <filesystem>
#include <string>

namespace qm::test {

// Creates a real SQLite database at `path` (raw bytes; the folder must exist) holding one table with
// `rows` rows of 1000 random bytes each, closed again so no side file remains. Throws
// std::runtime_error with SQLite's message when it cannot.
void makeSqliteFile(const std::filesystem::path& path, int rows = 8);

// Creates the same database at `path` as a browser that is killed leaves it: a child process switches
// it to write-ahead logging with automatic checkpoints off, commits `rows` rows and exits without
// closing, so the rows live only in "<path>-wal" (beside it "<path>-shm"). Throws std::runtime_error
// when the child fails.
void makeUncheckpointedSqliteFile(const std::filesystem::path& path, int rows);

// What a database at `path` reads now (its side files included): `integrity` is the first line of
// PRAGMA integrity_check ("ok" when sound) or SQLite's error, `rows` the rows of the table the two
// functions above make (-1 when it cannot be read). Opens the database read-write, as a browser would,
// and closes it again.
struct SqliteContents
{
    std::string integrity;
    int rows = -1;
};
SqliteContents readSqliteFile(const std::filesystem::path& path);

} // namespace qm::test
