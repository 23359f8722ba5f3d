// SPDX-License-Identifier: MIT
// Cutting received bytes into lines: every kind of line end, pieces split anywhere, and a line
// of any length answered in bounded memory.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "submit/CheckLines.h"
#include "support/PublishedSubmissions.h"
#include "support/Sanitized.h"

namespace gyrolap {
namespace {

const std::string kFirstText = testing::kPublishedSubmissions[0].Text();
constexpr const char* kFirstAnswer =
    "valid version=2001.0516.1158 best=0 average=0 date=5/16/2001\n";

struct Line {
    std::string text;
    bool tooLong;
    friend bool operator==(const Line&, const Line&) = default;
};

std::vector<Line> Split(const std::string& input, std::size_t piece) {
    std::vector<Line> lines;
    LineSplitter splitter([&](std::string_view line, bool tooLong) {
        lines.push_back({std::string(line), tooLong});
    });
    for (std::size_t at = 0; at < input.size(); at += piece) {
        splitter.Feed(std::string_view(input).substr(at, piece));
    }
    splitter.Finish();
    return lines;
}

TEST(LineSplitter, EndsLinesAtLfCrLfAndCrAloneWherePiecesBreak) {
    const std::string input = "a\nb\r\nc\rd\r\re\n\nf";
    const std::vector<Line> expected = {{"a", false}, {"b", false}, {"c", false}, {"d", false},
                                        {"", false},  {"e", false}, {"", false},  {"f", false}};
    // Cut into pieces of every size, so a CR LF falls across two pieces too.
    for (std::size_t piece = 1; piece <= input.size(); ++piece) {
        EXPECT_EQ(Split(input, piece), expected) << "pieces of " << piece;
    }
    EXPECT_TRUE(Split("", 1).empty());
    EXPECT_EQ(Split("a\r", 1), (std::vector<Line>{{"a", false}}));
    EXPECT_EQ(Split("\r\n", 1), (std::vector<Line>{{"", false}}));
}

TEST(LineSplitter, ALineAtTheLimitIsKeptOneByteMoreIsNot) {
    const std::string atLimit(kMaxLineLength, 'A');
    for (const std::size_t piece : {std::size_t{1000}, std::size_t{5000}}) {
        const auto lines = Split(atLimit + "\n" + atLimit + "B\rz", piece);
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[0], (Line{atLimit, false}));
        EXPECT_EQ(lines[1], (Line{"", true}));
        EXPECT_EQ(lines[2], (Line{"z", false}));
    }
    // However long the line, the splitter holds no more than about the limit.
    LineSplitter splitter([](std::string_view, bool) {});
    const std::string piece(1 << 16, 'A');
    for (int k = 0; k < 64; ++k) {
        splitter.Feed(piece);
        ASSERT_LE(splitter.HeldBytes(), 2 * kMaxLineLength);
    }
    // A too-long last line with no line end is still reported.
    EXPECT_EQ(Split(atLimit + "B", 7), (std::vector<Line>{{"", true}}));
}

// Bytes made as they are read: a line of `length` bytes that starts with a genuine text, then
// one more genuine line; nothing of it is ever held in full.
class LongLineSource : public std::streambuf {
  public:
    explicit LongLineSource(std::size_t length) : left_(length) {
        head_ = kFirstText;
        tail_ = std::string("\n") + kFirstText + "\n";
    }

  protected:
    int_type underflow() override {
        std::size_t n = 0;
        if (!head_.empty()) {
            n = head_.copy(chunk_, sizeof chunk_);
            head_.erase(0, n);
            left_ -= n;
        } else if (left_ > 0) {
            n = std::min(left_, sizeof chunk_);
            std::fill_n(chunk_, n, 'A');
            left_ -= n;
        } else if (!tail_.empty()) {
            n = tail_.copy(chunk_, sizeof chunk_);
            tail_.erase(0, n);
        } else {
            return traits_type::eof();
        }
        setg(chunk_, chunk_, chunk_ + n);
        return traits_type::to_int_type(chunk_[0]);
    }

  private:
    std::string head_;
    std::string tail_;
    std::size_t left_;
    char chunk_[1 << 16];
};

long PeakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST(CheckStream, AnswersALineOfAQuarterGigabyteInFlatMemory) {
    // A tenth of it under a sanitizer, still past the bound below.
    const std::size_t length = testing::Volume(std::size_t{256} << 20);
    const long before = PeakResidentKiB();
    LongLineSource source(length);
    std::istream in(&source);
    std::ostringstream out;
    const CheckCounts counts = CheckStream(in, out);
    const long grown = PeakResidentKiB() - before;
    EXPECT_EQ(out.str(), "invalid: line too long (more than 4096 bytes), no submission text\n" +
                             std::string(kFirstAnswer));
    EXPECT_EQ(counts.lines, 2u);
    EXPECT_EQ(counts.invalid, 1u);
    // Keeping the line, even once, would raise the peak by its whole length.
    EXPECT_LT(grown, 16 * 1024) << "peak resident memory grew by " << grown << " KiB";
}

TEST(CheckStream, AnswersEveryLineOfACrOnlyFile) {
    std::string input;
    for (int k = 0; k < 1000; ++k) input += kFirstText + "\r";
    std::istringstream in(input);
    std::ostringstream out;
    const CheckCounts counts = CheckStream(in, out);
    EXPECT_EQ(counts.lines, 1000u);
    EXPECT_EQ(counts.invalid, 0u);
    std::string expected;
    for (int k = 0; k < 1000; ++k) expected += kFirstAnswer;
    EXPECT_EQ(out.str(), expected);
}

}  // namespace
}  // namespace gyrolap
