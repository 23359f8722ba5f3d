// SPDX-License-Identifier: MIT
// Answering received submission texts line by line, as gyrolap-check does: the input is cut
// into lines in bounded memory and each line gets one answer line that is safe to print.
#pragma once

#include <cstddef>
#include <functional>
#include <istream>
#include <ostream>
#include <set>
#include <string>
#include <string_view>

#include "submit/LineBound.h"
#include "submit/SubmissionCheck.h"

namespace gyrolap {

// Cuts bytes that arrive in pieces into lines. LF, CR LF and CR alone each end a line. A line
// longer than kMaxLineLength is dropped as it arrives and reported as too long, so the memory
// held stays below that length whatever the input.
class LineSplitter {
  public:
    // Called once per line: its bytes without the line end (empty when too long).
    using LineHandler = std::function<void(std::string_view line, bool tooLong)>;

    explicit LineSplitter(LineHandler onLine) : onLine_(std::move(onLine)) {}

    void Feed(std::string_view bytes);
    // The input ended: a last line without a line end is still a line.
    void Finish();

    // The memory the splitter holds for the line in progress.
    std::size_t HeldBytes() const { return pending_.capacity(); }

  private:
    void EndLine();

    LineHandler onLine_;
    std::string pending_;
    bool tooLong_ = false;
    bool started_ = false;  // the current line has at least one byte
    bool afterCr_ = false;  // an LF right now belongs to the CR before it
};

// The answer to one line, without the line end: "valid version=V best=B average=A date=D" with
// each field escaped (and quoted where it holds a blank), or "invalid: REASON".
std::string AnswerLine(const SubmissionCheck& check);
std::string TooLongAnswer();

// The answer, with its line end, to a line as LineSplitter hands it over; `valid` tells whether
// the line was a valid submission. With `played`, the texts a replayed recording put on the
// clipboard: a valid text is answered "valid ... replayed" only when it is one of them, and
// "invalid: not produced by the recorded game" when it is not.
std::string AnswerTo(std::string_view line, bool tooLong, bool& valid,
                     const std::set<std::string>* played = nullptr);

struct CheckCounts {
    std::size_t lines = 0;
    std::size_t invalid = 0;
};

// Answers every line of `in` on `out` (with `played`, as AnswerTo says), until the input ends or
// the output fails. Reading or writing errors are left in the streams' state.
CheckCounts CheckStream(std::istream& in, std::ostream& out,
                        const std::set<std::string>* played = nullptr);

// The submission texts among the lines of `in` that are valid, as the checker reads them: what
// a replayed recording must put on the clipboard for them to count as played.
std::set<std::string> ValidTexts(std::istream& in);

}  // namespace gyrolap
