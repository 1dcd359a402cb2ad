// Exact rational arithmetic for MusicXML's divisions and decimals.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace simhost {

// An exact rational number; any step that would overflow marks it invalid.
class Fraction {
public:
    Fraction(int64_t numerator = 0, int64_t denominator = 1) : numerator_(numerator), denominator_(denominator)
    {
        Normalise();
    }
    int64_t Numerator() const { return numerator_; }
    int64_t Denominator() const { return denominator_; }
    bool IsValid() const { return valid_; }
    bool IsWhole() const { return valid_ && denominator_ == 1; }
    bool IsNegative() const { return numerator_ < 0; }
    bool IsPositive() const { return numerator_ > 0; }

    Fraction operator+(const Fraction& other) const
    {
        int64_t a = 0;
        int64_t b = 0;
        int64_t d = 0;
        Fraction result;
        result.valid_ = valid_ && other.valid_ && !__builtin_mul_overflow(numerator_, other.denominator_, &a) &&
                        !__builtin_mul_overflow(other.numerator_, denominator_, &b) &&
                        !__builtin_mul_overflow(denominator_, other.denominator_, &d) &&
                        !__builtin_add_overflow(a, b, &result.numerator_);
        result.denominator_ = result.valid_ ? d : 1;
        result.Normalise();
        return result;
    }
    Fraction operator-() const
    {
        Fraction result = *this;
        result.numerator_ = -numerator_;
        return result;
    }
    Fraction operator-(const Fraction& other) const { return *this + (-other); }
    Fraction operator*(const Fraction& other) const
    {
        // Cross-reduce first, so that exact results stay in range.
        const int64_t g1 = Gcd(numerator_, other.denominator_);
        const int64_t g2 = Gcd(other.numerator_, denominator_);
        Fraction result;
        result.valid_ = valid_ && other.valid_ &&
                        !__builtin_mul_overflow(numerator_ / g1, other.numerator_ / g2, &result.numerator_) &&
                        !__builtin_mul_overflow(denominator_ / g2, other.denominator_ / g1, &result.denominator_);
        if (!result.valid_) result.denominator_ = 1;
        result.Normalise();
        return result;
    }
    Fraction operator/(const Fraction& other) const
    {
        if (other.numerator_ == 0) {
            Fraction invalid;
            invalid.valid_ = false;
            return invalid;
        }
        return *this * Fraction(other.denominator_, other.numerator_);
    }
    bool operator<(const Fraction& other) const { return (*this - other).IsNegative(); }

    // To the nearest whole number, halves away from zero.
    int64_t Rounded() const
    {
        const int64_t magnitude = numerator_ < 0 ? -numerator_ : numerator_;
        const int64_t whole = magnitude / denominator_ + ((magnitude % denominator_) * 2 >= denominator_ ? 1 : 0);
        return numerator_ < 0 ? -whole : whole;
    }

private:
    static int64_t Gcd(int64_t a, int64_t b)
    {
        a = a < 0 ? -a : a;
        b = b < 0 ? -b : b;
        while (b != 0) {
            const int64_t t = a % b;
            a = b;
            b = t;
        }
        return a == 0 ? 1 : a;
    }
    void Normalise()
    {
        if (denominator_ == 0 || numerator_ == std::numeric_limits<int64_t>::min() ||
            denominator_ == std::numeric_limits<int64_t>::min()) {
            valid_ = false;
        }
        if (!valid_) {
            numerator_ = 0;
            denominator_ = 1;
            return;
        }
        if (denominator_ < 0) {
            numerator_ = -numerator_;
            denominator_ = -denominator_;
        }
        const int64_t g = Gcd(numerator_, denominator_);
        numerator_ /= g;
        denominator_ /= g;
    }

    int64_t numerator_ = 0;
    int64_t denominator_ = 1;
    bool valid_ = true;
};

// A MusicXML decimal ("-12", "0.5", "+3."), or nothing. Digits past the
// ninth decimal place are dropped.
std::optional<Fraction> ParseDecimal(const std::string& raw);

// The fraction as a decimal: exact when it has at most `places` decimals,
// else rounded to that many; trailing zeros dropped.
std::string FormatDecimal(const Fraction& value, int places);

}  // namespace simhost
