#pragma once

#include <filesystem>

namespace qm::test {

// Creates a real SQLite database at `path` (raw bytes; the folder must exist) holding one table with
// `rows` rows of 1000 random bytes each, closed again so no side file remains. Throws
// std::runtime_error with SQLite's message when it cannot.
void makeSqliteFile(const std::filesystem::path& path, int rows = 8);

} // namespace qm::test
