// SPDX-License-Identifier: MIT
// The stages of the validation code one by one, so that tests can look between them. The
// encoder is these functions run in the order they are declared here; nothing else should
// need them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "submit/ValidationCode.h"

namespace gyrolap::validation_steps {

// The code's length as the stages count it, by element.
inline constexpr int kCodeLength = static_cast<int>(kValidationCodeLength);

// Whole values, element i of the code at index i - 1.
using Values = std::array<std::int64_t, kCodeLength>;

// Values counted in quarters: the halves added to every element, and the half of a value that
// may itself end in a half (element 40 gets half of element 1 twice), stay exact this way.
using Quarters = std::array<std::int64_t, kCodeLength>;

// The character values read from the plain part (at least 2 bytes), with "/" and "X"
// replaced by the average of themselves and the character before them.
Values ReadCharacters(std::string_view plainPart);

// Every value plus r.
void AddOffset(Values& a, int r);

// The even elements 2..20 swap with their mirror elements 40..22.
void SwapPairs(Values& a);

// Each value XOR its right neighbour; the wrap-around term goes to element 39.
void ExclusiveOr(Values& a);

// Each value OR its right neighbour; the wrap-around term goes to element 39.
void InclusiveOr(Values& a);

// Each value times its right neighbour; the wrap-around term goes to element 40.
void Product(Values& a);

// Each value plus half its right neighbour; element 40 plus half the new element 1.
Quarters AddHalves(const Values& a);

// Zeros in elements 1..39 become i * i + i; element 40 gets half of element 1 again.
void ReplaceZeros(Quarters& a);

// The mean, rounded to the nearest integer (ties to even) after every addition.
std::int64_t Mean(const Quarters& a);

// Each value rounded to the nearest integer (ties to even), XOR the mean.
Values Mix(const Quarters& a, std::int64_t mean);

// Each value to a letter or a digit, by its first two decimal digits.
std::string LettersAndDigits(const Values& a);

// A character equal to its left neighbour moves on until none is.
void SeparateNeighbours(std::string& code);

// The digits of r at their two places (kTensDigitIndex, UnitsDigitIndex); ReadValidationNumber
// reads them back.
void WriteRandomDigits(std::string& code, int r);

// Every stage of one encoding, for tests; the encoder itself keeps only the code.
struct Trace {
    Values characters{};
    std::int64_t mean = 0;
    std::string lettersAndDigits;
    std::string separated;
    std::string code;
};

Trace TraceValidationCode(std::string_view plainPart, int r);

}  // namespace gyrolap::validation_steps
