// SPDX-License-Identifier: MIT
// Cutting received bytes into lines and answering each; see CheckLines.h.
#include "submit/CheckLines.h"

#include <algorithm>
#include <array>

#include "submit/SafeText.h"

namespace gyrolap {

void LineSplitter::Feed(std::string_view bytes) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        if (afterCr_) {
            afterCr_ = false;
            if (bytes[at] == '\n') {
                ++at;
                continue;
            }
        }
        const std::size_t end = bytes.find_first_of("\r\n", at);
        const std::string_view piece =
            bytes.substr(at, end == std::string_view::npos ? end : end - at);
        if (!piece.empty()) started_ = true;
        if (!tooLong_) {
            if (pending_.size() + piece.size() > kMaxLineLength) {
                tooLong_ = true;
                // Give the memory back: the rest of this line is only counted as gone.
                std::string().swap(pending_);
            } else {
                pending_.append(piece);
            }
        }
        if (end == std::string_view::npos) return;
        afterCr_ = bytes[end] == '\r';
        EndLine();
        at = end + 1;
    }
}

void LineSplitter::Finish() {
    if (started_ || tooLong_) EndLine();
    afterCr_ = false;
}

void LineSplitter::EndLine() {
    onLine_(tooLong_ ? std::string_view() : std::string_view(pending_), tooLong_);
    pending_.clear();
    tooLong_ = false;
    started_ = false;
}

std::string AnswerLine(const SubmissionCheck& check) {
    if (!check.valid) return "invalid: " + check.reason;
    return "valid version=" + Field(check.version) + " best=" + Field(check.best) +
           " average=" + Field(check.average) + " date=" + Field(check.date);
}

std::string TooLongAnswer() {
    return "invalid: line too long (more than " + std::to_string(kMaxLineLength) +
           " bytes), no submission text";
}

std::string AnswerTo(std::string_view line, bool tooLong, bool& valid,
                     const std::set<std::string>* played) {
    std::string answer;
    if (tooLong) {
        valid = false;
        answer = TooLongAnswer();
    } else {
        SubmissionCheck check = CheckSubmission(line);
        // The code only says that the text is one the game could write; the recording says
        // whether this game wrote it.
        const bool replayed = check.valid && played && played->count(check.text) != 0;
        if (check.valid && played && !replayed) {
            check.valid = false;
            check.reason = "not produced by the recorded game";
        }
        valid = check.valid;
        answer = AnswerLine(check);
        if (replayed) answer += " replayed";
    }
    answer += '\n';
    return answer;
}

namespace {

// Cuts everything `in` holds into lines for `splitter`, while `keepOn` says so.
template <class KeepOn>
void SplitAll(std::istream& in, LineSplitter& splitter, KeepOn keepOn) {
    std::array<char, 1 << 16> buffer;
    while (in && keepOn()) {
        in.read(buffer.data(), buffer.size());
        const auto got = in.gcount();
        if (got <= 0) break;
        splitter.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
    }
    if (!in.bad() && keepOn()) splitter.Finish();
}

}  // namespace

CheckCounts CheckStream(std::istream& in, std::ostream& out, const std::set<std::string>* played) {
    CheckCounts counts;
    LineSplitter splitter([&](std::string_view line, bool tooLong) {
        ++counts.lines;
        bool valid = false;
        const std::string answer = AnswerTo(line, tooLong, valid, played);
        if (!valid) ++counts.invalid;
        out.write(answer.data(), static_cast<std::streamsize>(answer.size()));
    });
    SplitAll(in, splitter, [&out] { return out.good(); });
    return counts;
}

std::set<std::string> ValidTexts(std::istream& in) {
    std::set<std::string> texts;
    LineSplitter splitter([&texts](std::string_view line, bool tooLong) {
        if (tooLong) return;
        SubmissionCheck check = CheckSubmission(line);
        if (check.valid) texts.insert(std::move(check.text));
    });
    SplitAll(in, splitter, [] { return true; });
    return texts;
}

}  // namespace gyrolap
