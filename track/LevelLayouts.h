// SPDX-License-Identifier: MIT
// The six track layouts, one per level, exactly as the figures were drawn by hand.
// Kept as constant tables so they read like the drawings they came from.
#pragma once

#include <array>
#include <cstdint>

#include "track/TrackSize.h"

namespace gyrolap {

struct Offset {
    std::int16_t dx;
    std::int16_t dy;
};

// A control's top-left corner on the window, in pixels.
struct Position {
    std::int16_t left;
    std::int16_t top;
};

struct LevelLayout {
    // Where the frame that marks this level's preview, among the six, stands on the window.
    Position marker;
    // How many steps without a good press end the run: a lap of the track.
    std::uint8_t pathLength;
    // Where the track's own coordinates begin on the playing field.
    std::int16_t offsetX;
    std::int16_t offsetY;
    // Ring positions; 0 marks an unused slot. The first one is the target position.
    std::array<std::uint8_t, 2> ringPositions;
    // Position offsets for positions 1..32, stored at [0]..[31].
    std::array<Offset, kBallCount> positions;
};

// Levels 1..6 at [0]..[5].
inline constexpr std::array<LevelLayout, kLevelCount> kLevelLayouts{{
    // Level 1: a circle.
    LevelLayout{
        .marker = {421, 176},
        .pathLength = 32,
        .offsetX = 8,
        .offsetY = 5,
        .ringPositions = {1, 0},
        .positions = {{{172, 342}, {140, 340}, {109, 330}, {80, 315},  {54, 293},  {32, 269},
                       {17, 237},  {7, 206},   {5, 175},   {7, 143},   {17, 113},  {32, 84},
                       {54, 57},   {80, 35},   {109, 19},  {140, 11},  {172, 7},   {204, 11},
                       {237, 19},  {266, 35},  {292, 57},  {314, 84},  {329, 113}, {335, 143},
                       {339, 175}, {335, 206}, {329, 237}, {314, 265}, {292, 293}, {266, 315},
                       {237, 330}, {204, 340}}}},
    // Level 2: a triangle.
    LevelLayout{
        .marker = {453, 176},
        .pathLength = 32,
        .offsetX = 5,
        .offsetY = 20,
        .ringPositions = {1, 0},
        .positions = {{{178, 299}, {191, 275}, {204, 250}, {217, 225}, {230, 199}, {243, 175},
                       {256, 151}, {269, 124}, {282, 99},  {295, 75},  {308, 48},  {316, 20},
                       {288, 20},  {260, 20},  {232, 20},  {204, 20},  {176, 20},  {148, 20},
                       {120, 20},  {92, 20},   {64, 20},   {36, 20},   {48, 48},   {61, 75},
                       {74, 99},   {87, 124},  {100, 151}, {113, 175}, {126, 199}, {139, 225},
                       {152, 250}, {165, 275}}}},
    // Level 3: a spiral.
    LevelLayout{
        .marker = {485, 176},
        .pathLength = 32,
        .offsetX = 75,
        .offsetY = 60,
        .ringPositions = {32, 0},
        .positions = {{{101, 207}, {130, 205}, {156, 192}, {180, 173}, {197, 149}, {202, 120},
                       {203, 92},  {194, 63},  {179, 38},  {154, 22},  {127, 11},  {98, 7},
                       {71, 9},    {46, 18},   {24, 35},   {11, 61},   {7, 88},    {13, 117},
                       {27, 141},  {50, 159},  {76, 167},  {103, 166}, {130, 158}, {151, 135},
                       {153, 108}, {148, 81},  {123, 65},  {95, 61},   {69, 65},   {59, 92},
                       {76, 116},  {104, 116}}}},
    // Level 4: a loop in a loop.
    LevelLayout{
        .marker = {420, 208},
        .pathLength = 32,
        .offsetX = 40,
        .offsetY = 50,
        .ringPositions = {1, 0},
        .positions = {{{136, 152}, {167, 137}, {184, 109}, {176, 80},  {160, 56},  {136, 40},
                       {104, 24},  {72, 24},   {46, 42},   {32, 72},   {24, 104},  {24, 136},
                       {32, 168},  {48, 200},  {72, 224},  {104, 240}, {136, 244}, {168, 240},
                       {200, 224}, {224, 200}, {240, 168}, {248, 136}, {248, 104}, {240, 72},
                       {226, 42},  {200, 24},  {168, 24},  {136, 40},  {112, 56},  {96, 80},
                       {88, 109},  {105, 137}}}},
    // Level 5: four petals.
    LevelLayout{
        .marker = {453, 208},
        .pathLength = 32,
        .offsetX = 60,
        .offsetY = 60,
        .ringPositions = {1, 0},
        .positions = {{{120, 160}, {144, 184}, {168, 208}, {200, 224}, {232, 232}, {224, 200},
                       {208, 168}, {184, 144}, {160, 120}, {184, 96},  {208, 72},  {224, 40},
                       {232, 8},   {200, 16},  {168, 32},  {144, 56},  {120, 80},  {96, 56},
                       {72, 32},   {40, 16},   {8, 8},     {16, 40},   {32, 72},   {56, 96},
                       {80, 120},  {56, 144},  {32, 168},  {16, 200},  {8, 232},   {40, 224},
                       {72, 208},  {96, 184}}}},
    // Level 6: a figure-eight.
    LevelLayout{
        .marker = {485, 208},
        .pathLength = 16,
        .offsetX = 18,
        .offsetY = 100,
        .ringPositions = {1, 17},
        .positions = {{{160, 85},  {168, 113}, {186, 139}, {212, 156}, {240, 162}, {272, 156},
                       {298, 139}, {315, 113}, {320, 85},  {315, 54},  {298, 27},  {272, 10},
                       {240, 5},   {212, 10},  {186, 27},  {168, 54},  {160, 85},  {152, 113},
                       {134, 139}, {108, 156}, {80, 162},  {50, 156},  {23, 139},  {7, 113},
                       {1, 85},    {7, 54},    {23, 27},   {50, 10},   {80, 5},    {108, 10},
                       {134, 27},  {152, 54}}}},
}};

// The layout of a level 1..6, or nullptr for any other value.
constexpr const LevelLayout* LayoutForLevel(int level) {
    if (level < 1 || level > kLevelCount) return nullptr;
    return &kLevelLayouts[static_cast<std::size_t>(level - 1)];
}

constexpr bool IsRingPosition(const LevelLayout& layout, int position) {
    for (auto ring : layout.ringPositions)
        if (ring != 0 && ring == position) return true;
    return false;
}

// Every table has its target ring on the track and a lap limit the track can run.
constexpr bool EveryLayoutIsOnItsTrack() {
    for (const LevelLayout& layout : kLevelLayouts) {
        if (layout.ringPositions[0] < 1 || layout.ringPositions[0] > kBallCount) return false;
        if (layout.ringPositions[1] > kBallCount) return false;
        if (layout.pathLength < 1 || layout.pathLength > kBallCount) return false;
    }
    return true;
}
static_assert(EveryLayoutIsOnItsTrack(), "a level's ring or lap limit lies off its track");

}  // namespace gyrolap
