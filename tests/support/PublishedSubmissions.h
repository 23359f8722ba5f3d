// SPDX-License-Identifier: MIT
// The submission texts published for players and for whoever runs the score page: every part
// of the code that reads or writes a submission must agree with them byte for byte.
#pragma once

#include <array>
#include <ostream>
#include <string>
#include <string_view>

namespace gyrolap::testing {

struct PublishedSubmission {
    std::string_view best;
    std::string_view average;
    std::string_view date;
    int number;  // the two-digit random number the code was sealed with
    std::string_view plain;
    std::string_view code;

    std::string Text() const { return std::string(plain) + "x" + std::string(code); }
    // A draw in [0, 1) that gives `number`: the middle of its ninetieth of the interval.
    float Draw() const { return (static_cast<float>(number - 10) + 0.5f) / 90.0f; }
};

inline constexpr std::array<PublishedSubmission, 3> kPublishedSubmissions{{
    {"0", "0", "5/16/2001", 57, "GY2001.0516.1158x0x0x5/16/2001",
     "DVNHYJZHL5HFJ07TV657DT1CXL1V71XN0N0V1H05"},
    {"0", "0", "5/16/2001", 10, "GY2001.0516.1158x0x0x5/16/2001",
     "0ACARGU2Q1Q0462029A2IQEL8QI624SI0I0G08AU"},
    {"27", "19.333", "5/16/2001", 83, "GY2001.0516.1158x27x19.333x5/16/2001",
     "U3020464W8W04AE4M452SAUO630G2Q67SES21O4U"},
}};

// A failing case names the text it expected, not the bytes of the record.
inline void PrintTo(const PublishedSubmission& published, std::ostream* out) {
    *out << published.Text();
}

}  // namespace gyrolap::testing
