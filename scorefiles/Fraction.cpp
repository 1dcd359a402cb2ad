#include "Fraction.h"

#include <cctype>

namespace simhost {

std::optional<Fraction> ParseDecimal(const std::string& raw)
{
    std::size_t begin = raw.find_first_not_of(" \t\r\n");
    std::size_t end = raw.find_last_not_of(" \t\r\n");
    if (begin == std::string::npos) return std::nullopt;
    std::string text = raw.substr(begin, end - begin + 1);
    bool negative = false;
    std::size_t i = 0;
    if (text[i] == '-' || text[i] == '+') {
        negative = text[i] == '-';
        ++i;
    }
    int64_t numerator = 0;
    int64_t denominator = 1;
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        digits = true;
        if (point && denominator >= 1000000000) continue;
        if (__builtin_mul_overflow(numerator, 10, &numerator) || __builtin_add_overflow(numerator, c - '0', &numerator))
            return std::nullopt;
        if (point) denominator *= 10;
    }
    if (!digits) return std::nullopt;
    return Fraction(negative ? -numerator : numerator, denominator);
}

std::string FormatDecimal(const Fraction& value, int places)
{
    int64_t scale = 1;
    for (int i = 0; i < places; ++i) scale *= 10;
    const int64_t scaled = (value * Fraction(scale)).Rounded();
    const int64_t magnitude = scaled < 0 ? -scaled : scaled;
    std::string digits = std::to_string(magnitude % scale);
    digits.insert(0, static_cast<std::size_t>(places) - digits.size(), '0');
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    std::string text = (scaled < 0 ? "-" : "") + std::to_string(magnitude / scale);
    if (!digits.empty()) text += "." + digits;
    return text;
}

}  // namespace simhost
