// SPDX-License-Identifier: MIT
// The stages of the validation code one at a time: which byte each element reads, how "/" and
// "X" are replaced, where the wrap-around terms go, the halves, the rounding and the letters.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "submit/ValidationCodeSteps.h"

namespace gyrolap::validation_steps {
namespace {

// n bytes that are all different, never replaced and never upper-cased: byte k is 130 + k, so
// an element minus 130 tells which position it read.
std::string NumberedBytes(std::size_t n) {
    std::string text;
    for (std::size_t k = 1; k <= n; ++k) text += static_cast<char>(130 + k);
    return text;
}

struct ReadPosition {
    std::size_t length;
    int element;
    int position;
};

class ReadPositions : public ::testing::TestWithParam<ReadPosition> {};

TEST_P(ReadPositions, ElementReadsItsPosition) {
    const auto a = ReadCharacters(NumberedBytes(GetParam().length));
    EXPECT_EQ(a[GetParam().element - 1] - 130, GetParam().position);
}

INSTANTIATE_TEST_SUITE_P(
    WrapToTwo, ReadPositions,
    ::testing::Values(ReadPosition{2, 1, 1}, ReadPosition{2, 2, 2}, ReadPosition{2, 3, 2},
                      ReadPosition{2, 40, 2}, ReadPosition{3, 3, 3}, ReadPosition{3, 4, 2},
                      ReadPosition{3, 5, 3}, ReadPosition{30, 30, 30}, ReadPosition{30, 31, 2},
                      ReadPosition{30, 32, 3}, ReadPosition{30, 40, 11}, ReadPosition{39, 39, 39},
                      ReadPosition{39, 40, 2}, ReadPosition{40, 2, 2}, ReadPosition{40, 40, 40},
                      ReadPosition{41, 40, 40}, ReadPosition{1000, 40, 40}),
    [](const ::testing::TestParamInfo<ReadPosition>& info) {
        return "Length" + std::to_string(info.param.length) + "_Element" +
               std::to_string(info.param.element);
    });

struct Replacement {
    std::string plain;
    int element;
    int value;
};

class Replacements : public ::testing::TestWithParam<Replacement> {};

TEST_P(Replacements, ElementTakesItsValue) {
    EXPECT_EQ(ReadCharacters(GetParam().plain)[GetParam().element - 1], GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    SlashAndX, Replacements,
    ::testing::Values(
        // A separator after "8": floor((88 + 56) / 2) + 17.
        Replacement{"GY2001.0516.1158x0x0x5/16/2001", 17, 89},
        // floor((47 + 49) / 2) + 3 and floor((47 + 50) / 2) + 3: the half is dropped.
        Replacement{"G1/", 3, 51}, Replacement{"G2/", 3, 51}, Replacement{"G3/", 3, 52},
        // The previous character is upper-cased too: "a" counts 65.
        Replacement{"Ga/", 3, 59},
        // A byte above 127 counts as itself, not as a negative char: floor((88 + 255) / 2) + 3.
        Replacement{"G\xFFX", 3, 174},
        // Bytes above 127 and punctuation are neither replaced nor upper-cased.
        Replacement{"G\xE9", 2, 233}, Replacement{"G.", 2, 46}, Replacement{"Gz", 2, 90},
        // Position 1 is never replaced, whatever its case.
        Replacement{"XY", 1, 88}, Replacement{"xY", 1, 88}, Replacement{"/Y", 1, 47},
        // Read again after the wrap, "/" after "G" gives floor((47 + 71) / 2) + i; for i = 40
        // that is 99, a lower-case "c", which counts as "C".
        Replacement{"G/", 2, 61}, Replacement{"G/", 3, 62}, Replacement{"G/", 40, 67},
        // "X" after "8" as element 40: 72 + 40 = 112, "p", counts as "P".
        Replacement{std::string(38, '0') + "8X", 40, 80}),
    [](const ::testing::TestParamInfo<Replacement>& info) {
        return "Case" + std::to_string(info.index) + "_Element" +
               std::to_string(info.param.element);
    });

TEST(ReadCharacters, SeparatorAfterSeparatorCountsLowerCaseLettersAsUpperCase) {
    // Each "x" is replaced from the text's own "x" before it, never from a replaced value:
    // floor((88 + 88) / 2) + i = 88 + i, which is a lower-case letter for i = 9..34.
    const Values expected = {88, 90, 91, 92, 93, 94, 95,  96,  65,  66,  67,  68, 69, 70,
                             71, 72, 73, 74, 75, 76, 77,  78,  79,  80,  81,  82, 83, 84,
                             85, 86, 87, 88, 89, 90, 123, 124, 125, 126, 127, 128};
    EXPECT_EQ(ReadCharacters(std::string(40, 'x')), expected);
    EXPECT_EQ(ReadCharacters(std::string(40, 'X')), expected);
}

TEST(ReadCharacters, RefusesTextShorterThanTwoBytes) {
    EXPECT_THROW(ReadCharacters(""), std::invalid_argument);
    EXPECT_THROW(ReadCharacters("G"), std::invalid_argument);
}

Values Sequence(std::int64_t first) {
    Values a{};
    for (std::size_t k = 0; k < a.size(); ++k) a[k] = first + static_cast<std::int64_t>(k);
    return a;
}

TEST(AddOffsetAndSwapPairs, MoveTheEvenElementsOfTheFirstHalf) {
    Values a = Sequence(1);
    AddOffset(a, 10);
    SwapPairs(a);
    const Values expected = {11, 50, 13, 48, 15, 46, 17, 44, 19, 42, 21, 40, 23, 38,
                             25, 36, 27, 34, 29, 32, 31, 30, 33, 28, 35, 26, 37, 24,
                             39, 22, 41, 20, 43, 18, 45, 16, 47, 14, 49, 12};
    EXPECT_EQ(a, expected);
}

TEST(ExclusiveOr, WrapTermGoesToElement39) {
    Values a = Sequence(1);
    ExclusiveOr(a);
    EXPECT_EQ(a[0], 1 ^ 2);
    EXPECT_EQ(a[1], 2 ^ 3);
    EXPECT_EQ(a[37], 38 ^ 39);
    EXPECT_EQ(a[38], (39 ^ 40) ^ (1 ^ 2));
    EXPECT_EQ(a[39], 40);
}

TEST(InclusiveOr, WrapTermGoesToElement39) {
    Values a{};
    a[0] = 1;
    a[1] = 2;
    a[39] = 8;
    InclusiveOr(a);
    EXPECT_EQ(a[0], 3);
    EXPECT_EQ(a[1], 2);
    EXPECT_EQ(a[2], 0);
    EXPECT_EQ(a[38], 8 | 3);
    EXPECT_EQ(a[39], 8);
}

TEST(Product, WrapTermGoesToElement40) {
    Values a;
    a.fill(1);
    a[0] = 2;
    a[1] = 3;
    a[39] = 5;
    Product(a);
    EXPECT_EQ(a[0], 6);
    EXPECT_EQ(a[1], 3);
    EXPECT_EQ(a[38], 5);
    EXPECT_EQ(a[39], 30);
}

TEST(AddHalvesAndReplaceZeros, KeepQuartersOfElement40) {
    Values a{};
    a[1] = 1;
    a[39] = 6;
    Quarters q = AddHalves(a);
    // a(1) = 0 + 1/2, a(39) = 0 + 6/2, a(40) = 6 + 0.5/2.
    EXPECT_EQ(q[0], 2);
    EXPECT_EQ(q[1], 4);
    EXPECT_EQ(q[38], 12);
    EXPECT_EQ(q[39], 25);
    ReplaceZeros(q);
    EXPECT_EQ(q[0], 2);
    EXPECT_EQ(q[2], 4 * (3 * 3 + 3));
    EXPECT_EQ(q[37], 4 * (38 * 38 + 38));
    // The second half of a(1) makes 6.5.
    EXPECT_EQ(q[39], 26);
}

TEST(ReplaceZeros, NeverReplacesElement40ButGivesItHalfOfTheNewElement1) {
    Quarters q = AddHalves(Values{});
    ReplaceZeros(q);
    for (int i = 1; i <= 39; ++i) EXPECT_EQ(q[i - 1], 4 * (i * i + i)) << i;
    EXPECT_EQ(q[39], 4);  // 0 + 2 / 2, not 40 * 40 + 40
}

Quarters QuartersOf(std::vector<std::pair<int, std::int64_t>> elements) {
    Quarters q{};
    for (const auto& [element, quarters] : elements) q[element - 1] = quarters;
    return q;
}

struct MeanCase {
    Quarters quarters;
    std::int64_t mean;
};

class Means : public ::testing::TestWithParam<MeanCase> {};

TEST_P(Means, RoundAfterEveryAdditionAndAtTheEnd) {
    EXPECT_EQ(Mean(GetParam().quarters), GetParam().mean);
}

Quarters HalvesThenNineteenAndAHalf() {
    Quarters q;
    q.fill(2);
    q[39] = 78;
    return q;
}

INSTANTIATE_TEST_SUITE_P(
    NearestEven, Means,
    ::testing::Values(
        // 0.5 rounds to 0 after every addition; only 19.5 at the end counts, and 20 / 40 ties
        // to 0. Summed exactly the elements would give 39 / 40, about 1.
        MeanCase{HalvesThenNineteenAndAHalf(), 0},
        // 100 / 40 = 2.5 and 60 / 40 = 1.5 both tie to 2; 20 / 40 ties to 0.
        MeanCase{QuartersOf({{1, 400}}), 2}, MeanCase{QuartersOf({{1, 240}}), 2},
        MeanCase{QuartersOf({{1, 80}}), 0},
        // 2.5 + 0.75 -> 2 then 2.75 -> 3; 3 + 57 = 60, 60 / 40 ties to 2.
        MeanCase{QuartersOf({{1, 10}, {2, 3}, {40, 228}}), 2},
        // 140 / 40 = 3.5 ties to 4.
        MeanCase{QuartersOf({{5, 560}}), 4}),
    [](const ::testing::TestParamInfo<MeanCase>& info) {
        return "Case" + std::to_string(info.index) + "_Mean" + std::to_string(info.param.mean);
    });

TEST(Mix, RoundsHalvesToEvenThenTakesExclusiveOr) {
    const Quarters q = QuartersOf({{1, 10}, {2, 14}, {3, 9}, {4, 11}, {5, 4}});
    const Values mixed = Mix(q, 0);
    EXPECT_EQ(mixed[0], 2);  // 2.5
    EXPECT_EQ(mixed[1], 4);  // 3.5
    EXPECT_EQ(mixed[2], 2);  // 2.25
    EXPECT_EQ(mixed[3], 3);  // 2.75
    EXPECT_EQ(mixed[4], 1);
    EXPECT_EQ(Mix(q, 5)[0], 2 ^ 5);
    EXPECT_EQ(Mix(q, 5)[39], 5);
}

TEST(LettersAndDigits, FirstTwoDecimalDigitsChoose) {
    // value -> character; a letter when floor((d1 + d2) / 2) is odd.
    const std::vector<std::pair<std::int64_t, char>> table = {
        {0, '0'},   {5, '5'},   {3, 'D'},     {7, 'H'},      {8, '8'},      {12, 'M'},
        {19, 'T'},  {46, 'U'},  {47, 'V'},    {48, '8'},     {91, 'N'},     {99, 'V'},
        {100, '0'}, {130, '0'}, {34695, 'L'}, {123456, 'I'}, {700000, 'C'}, {1999, 'X'},
        {30, 'E'},  {20, 'U'},  {10, '0'},    {900000, '0'}};
    Values a{};
    std::string expected(40, '0');
    for (std::size_t k = 0; k < table.size(); ++k) {
        a[k] = table[k].first;
        expected[k] = table[k].second;
    }
    EXPECT_EQ(LettersAndDigits(a), expected);
}

struct Neighbours {
    std::string before;
    std::string after;
};

class SeparatedNeighbours : public ::testing::TestWithParam<Neighbours> {};

TEST_P(SeparatedNeighbours, BecomeDifferent) {
    std::string code = GetParam().before;
    SeparateNeighbours(code);
    EXPECT_EQ(code, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    OneOrTwoPasses, SeparatedNeighbours,
    ::testing::Values(Neighbours{"AA", "A0"}, Neighbours{"ZZ", "Z0"}, Neighbours{"NNNN", "N0N0"},
                      Neighbours{"00", "02"}, Neighbours{"11", "13"}, Neighbours{"77", "79"},
                      Neighbours{"88", "80"}, Neighbours{"99", "90"}, Neighbours{"111", "131"},
                      // The changed "3" meets the next "3", which moves on again.
                      Neighbours{"1133", "1353"}, Neighbours{"3355", "3575"},
                      Neighbours{"A0A0", "A0A0"}, Neighbours{"8800", "8020"}),
    [](const ::testing::TestParamInfo<Neighbours>& info) { return "From" + info.param.before; });

TEST(WriteRandomDigits, WritesTensAtTenAndUnitsFurtherOn) {
    std::string code(40, 'A');
    WriteRandomDigits(code, 99);
    EXPECT_EQ(code[9], '9');
    EXPECT_EQ(code[27], '9');
    EXPECT_EQ(std::count(code.begin(), code.end(), 'A'), 38);
    EXPECT_THROW(WriteRandomDigits(code, 100), std::invalid_argument);
    std::string shortCode(12, 'A');
    EXPECT_THROW(WriteRandomDigits(shortCode, 99), std::invalid_argument);
}

}  // namespace
}  // namespace gyrolap::validation_steps
