#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace qm::KernelText {

// `text` without the spaces, tabs and newlines around it.
std::string_view trimmed(std::string_view text);

// The decimal number that is all of `text` once trimmed: digits with an optional leading "-". Nothing
// for an empty text, any other character, or a value beyond the signed 64-bit range.
std::optional<std::int64_t> parseInteger(std::string_view text);

// The same for an unsigned number: digits only, nothing beyond the unsigned 64-bit range.
std::optional<std::uint64_t> parseUnsigned(std::string_view text);

} // namespace qm::KernelText
