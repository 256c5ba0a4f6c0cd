#pragma once

#include <QString>

#include <ostream>

// Shows texts as text in test failures (found by argument-dependent lookup, hence the global scope).
// Every test file of this folder includes it, because the printer gtest picks for a type must be the
// same in every file of one executable.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
