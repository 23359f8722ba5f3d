// SPDX-License-Identifier: MIT
// The validation code: the fourteen steps that turn the first 40 bytes of the plain part and a
// two-digit random number into 40 letters and digits, and the submission text built around it.
#include "submit/ValidationCode.h"

#include <cmath>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "submit/ValidationCodeSteps.h"

namespace gyrolap {

namespace validation_steps {

namespace {

// Text is taken byte by byte as unsigned codes 0..255; only the ASCII letters change case, so
// the sending and the checking side agree whatever character set the date came in.
std::int64_t UpperCode(std::int64_t code) {
    return (code >= 'a' && code <= 'z') ? code - 32 : code;
}

std::int64_t UpperAt(std::string_view text, std::size_t position) {
    return UpperCode(static_cast<unsigned char>(text[position - 1]));
}

// value / divisor rounded to the nearest integer, ties to the even one; value is never negative.
std::int64_t DivideRoundingHalfEven(std::int64_t value, std::int64_t divisor) {
    const std::int64_t quotient = value / divisor;
    const std::int64_t twiceRest = 2 * (value % divisor);
    if (twiceRest > divisor || (twiceRest == divisor && quotient % 2 != 0)) return quotient + 1;
    return quotient;
}

void RequireNumber(int r) {
    if (r < 10 || r > 99) {
        throw std::invalid_argument("validation number must lie in 10..99, got " +
                                    std::to_string(r));
    }
}

}  // namespace

Values ReadCharacters(std::string_view plainPart) {
    const std::size_t n = plainPart.size();
    if (n < 2) throw std::invalid_argument("plain part must hold at least 2 bytes");
    Values a{};
    a[0] = UpperAt(plainPart, 1);
    // The read position wraps to 2, not 1: the first character is read only once.
    std::size_t j = 1;
    for (int i = 2; i <= kCodeLength; ++i) {
        ++j;
        if (j == n + 1) j = 2;
        std::int64_t c = UpperAt(plainPart, j);
        if (c == '/' || c == 'X') {
            // The previous character is always the text's own, never an already replaced one.
            const std::int64_t previous = UpperAt(plainPart, j - 1);
            c = UpperCode((c + previous) / 2 + i);
        }
        a[i - 1] = c;
    }
    return a;
}

void AddOffset(Values& a, int r) {
    RequireNumber(r);
    for (auto& value : a) value += r;
}

void SwapPairs(Values& a) {
    for (int i = 2; i <= 20; i += 2) std::swap(a[i - 1], a[42 - i - 1]);
}

void ExclusiveOr(Values& a) {
    for (int k = 0; k < kCodeLength - 1; ++k) a[k] ^= a[k + 1];
    a[38] ^= a[0];
}

void InclusiveOr(Values& a) {
    for (int k = 0; k < kCodeLength - 1; ++k) a[k] |= a[k + 1];
    a[38] |= a[0];
}

void Product(Values& a) {
    for (int k = 0; k < kCodeLength - 1; ++k) a[k] *= a[k + 1];
    a[39] *= a[0];
}

Quarters AddHalves(const Values& a) {
    Quarters q{};
    for (int k = 0; k < kCodeLength - 1; ++k) q[k] = 4 * a[k] + 2 * a[k + 1];
    // Element 1 may end in a half here, so its half may be a quarter.
    q[39] = 4 * a[39] + q[0] / 2;
    return q;
}

void ReplaceZeros(Quarters& q) {
    for (int i = 1; i < kCodeLength; ++i) {
        if (q[i - 1] == 0) q[i - 1] = 4 * (std::int64_t{i} * i + i);
    }
    q[39] += q[0] / 2;
}

std::int64_t Mean(const Quarters& q) {
    std::int64_t t = 0;
    for (const auto value : q) t = DivideRoundingHalfEven(4 * t + value, 4);
    return DivideRoundingHalfEven(t, kCodeLength);
}

Values Mix(const Quarters& q, std::int64_t mean) {
    Values a{};
    for (int k = 0; k < kCodeLength; ++k) a[k] = DivideRoundingHalfEven(q[k], 4) ^ mean;
    return a;
}

std::string LettersAndDigits(const Values& a) {
    std::string code(kCodeLength, '0');
    for (int k = 0; k < kCodeLength; ++k) {
        const std::int64_t value = a[k];
        std::int64_t leading = value;
        while (leading >= 100) leading /= 10;
        const std::int64_t d1 = leading < 10 ? leading : leading / 10;
        const std::int64_t d2 = leading < 10 ? 0 : leading % 10;
        const bool letter = ((d1 + d2) / 2) % 2 != 0;
        code[k] = static_cast<char>(letter ? value % 26 + 'A' : value % 10 + '0');
    }
    return code;
}

void SeparateNeighbours(std::string& code) {
    bool changed = true;
    while (changed) {
        changed = false;
        for (std::size_t k = 1; k < code.size(); ++k) {
            if (code[k] != code[k - 1]) continue;
            code[k] = static_cast<char>(code[k] + 2 > '9' ? '0' : code[k] + 2);
            changed = true;
        }
    }
}

void WriteRandomDigits(std::string& code, int r) {
    RequireNumber(r);
    if (code.size() != kValidationCodeLength) {
        throw std::invalid_argument("code must hold " + std::to_string(kValidationCodeLength) +
                                    " characters");
    }
    const int tens = r / 10;
    code[kTensDigitIndex] = static_cast<char>('0' + tens);
    code[UnitsDigitIndex(tens)] = static_cast<char>('0' + r % 10);
}

namespace {

// The stages in order; the stages a test wants to see go to trace when there is one.
std::string Encode(std::string_view plainPart, int r, Trace* trace) {
    RequireNumber(r);
    Values a = ReadCharacters(plainPart);
    if (trace != nullptr) trace->characters = a;
    AddOffset(a, r);
    SwapPairs(a);
    ExclusiveOr(a);
    InclusiveOr(a);
    Product(a);
    Quarters q = AddHalves(a);
    ReplaceZeros(q);
    const std::int64_t mean = Mean(q);
    std::string code = LettersAndDigits(Mix(q, mean));
    if (trace != nullptr) {
        trace->mean = mean;
        trace->lettersAndDigits = code;
    }
    SeparateNeighbours(code);
    if (trace != nullptr) trace->separated = code;
    WriteRandomDigits(code, r);
    return code;
}

}  // namespace

Trace TraceValidationCode(std::string_view plainPart, int r) {
    Trace trace;
    trace.code = Encode(plainPart, r, &trace);
    return trace;
}

}  // namespace validation_steps

std::string EncodeValidationCode(std::string_view plainPart, int r) {
    return validation_steps::Encode(plainPart, r, nullptr);
}

std::optional<int> ReadValidationNumber(std::string_view code) {
    if (code.size() != kValidationCodeLength) return std::nullopt;
    const char tens = code[kTensDigitIndex];
    if (tens < '1' || tens > '9') return std::nullopt;
    const char units = code[UnitsDigitIndex(tens - '0')];
    if (units < '0' || units > '9') return std::nullopt;
    return 10 * (tens - '0') + (units - '0');
}

int ValidationNumberFromDraw(float u) {
    if (!(u >= 0.0f && u < 1.0f)) throw std::invalid_argument("draw must lie in [0, 1)");
    // Single precision on purpose: the largest float below 1 still gives 89.99999 here.
    const float scaled = u * 90.0f;
    return static_cast<int>(std::floor(scaled)) + 10;
}

std::string PlainPart(std::string_view version, std::string_view best, std::string_view average,
                      std::string_view date) {
    std::string plain(kSubmissionPrefix);
    for (const std::string_view piece : {version, best, average}) {
        plain.append(piece);
        plain.push_back(kSubmissionSeparator);
    }
    plain.append(date);
    return plain;
}

std::string BuildSubmissionText(std::string_view version, std::string_view best,
                                std::string_view average, std::string_view date, float u) {
    const std::string plain = PlainPart(version, best, average, date);
    return plain + kSubmissionSeparator + EncodeValidationCode(plain, ValidationNumberFromDraw(u));
}

}  // namespace gyrolap
