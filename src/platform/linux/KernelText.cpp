#include "platform/linux/KernelText.h"

#include <charconv>

namespace qm::KernelText {
namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

template <typename Number> std::optional<Number> parse(std::string_view text)
{
    text = trimmed(text);
    if (text.empty())
        return std::nullopt;
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::optional<std::int64_t> parseInteger(std::string_view text)
{
    return parse<std::int64_t>(text);
}

std::optional<std::uint64_t> parseUnsigned(std::string_view text)
{
    return parse<std::uint64_t>(text);
}

} // namespace qm::KernelText
