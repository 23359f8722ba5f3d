// SPDX-License-Identifier: MIT
// libFuzzer target: any bytes go through the checker as a received line and through the encoder
// as a plain part, and the two must agree with each other.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

#include "submit/CheckLines.h"
#include "submit/SubmissionCheck.h"
#include "submit/ValidationCode.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

// Whether the checker should take text as a plain part: "GY", then version, best and average
// without "x", then the date, all four non-empty.
bool HasSubmissionForm(std::string_view plain) {
    if (!plain.starts_with(gyrolap::kSubmissionPrefix)) return false;
    std::size_t start = gyrolap::kSubmissionPrefix.size();
    for (int piece = 0; piece < 3; ++piece) {
        const std::size_t separator = plain.find(gyrolap::kSubmissionSeparator, start);
        if (separator == std::string_view::npos || separator == start) return false;
        start = separator + 1;
    }
    return start < plain.size();
}

// Every code is 40 code characters that give back the number it was sealed with, and no two
// neighbours are equal except beside the number's own digits.
void CheckCodeShape(const std::string& code, int r) {
    Require(code.size() == gyrolap::kValidationCodeLength);
    for (const char c : code) Require(gyrolap::IsCodeCharacter(c));
    Require(gyrolap::ReadValidationNumber(code) == r);
    const std::size_t tens = gyrolap::kTensDigitIndex;
    const std::size_t units = gyrolap::UnitsDigitIndex(r / 10);
    for (std::size_t k = 1; k < code.size(); ++k) {
        const bool besideDigit = k == tens || k == tens + 1 || k == units || k == units + 1;
        Require(besideDigit || code[k] != code[k - 1]);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // The bytes as a received line: always an answer, and a reason exactly when invalid; the
    // whole check never accepts what the seal alone refuses.
    const gyrolap::SubmissionCheck line = gyrolap::CheckSubmission(bytes);
    Require(line.valid == line.reason.empty());
    const gyrolap::SubmissionCheck lineSeal = gyrolap::CheckSeal(bytes);
    Require(lineSeal.valid == lineSeal.reason.empty());
    Require(!line.valid || lineSeal.valid);

    // The bytes as a received file, cut into lines in two pieces: every line gets one answer
    // that holds no control byte, and no line kept is longer than the limit.
    gyrolap::LineSplitter splitter([](std::string_view piece, bool tooLong) {
        Require(piece.size() <= gyrolap::kMaxLineLength && (!tooLong || piece.empty()));
        const std::string answer = gyrolap::AnswerLine(gyrolap::CheckSubmission(piece));
        for (const char c : answer) {
            const auto byte = static_cast<unsigned char>(c);
            Require(byte >= 0x20 && byte != 0x7F);
        }
    });
    splitter.Feed(bytes.substr(0, size / 2));
    splitter.Feed(bytes.substr(size / 2));
    splitter.Finish();

    // The bytes as a draw.
    if (size >= sizeof(float)) {
        float u = 0;
        std::memcpy(&u, data, sizeof u);
        if (u >= 0.0f && u < 1.0f) {
            const int r = gyrolap::ValidationNumberFromDraw(u);
            Require(r >= 10 && r <= 99);
        } else {
            try {
                gyrolap::ValidationNumberFromDraw(u);
                Require(false);
            } catch (const std::invalid_argument&) {
            }
        }
    }

    // The bytes as a plain part, with a number taken from them.
    unsigned sum = 0;
    for (const std::uint8_t byte : bytes) sum += byte;
    const int r = 10 + static_cast<int>(sum % 90);
    std::string code;
    try {
        code = gyrolap::EncodeValidationCode(bytes, r);
    } catch (const std::invalid_argument&) {
        Require(size < 2);
        return 0;
    }
    Require(size >= 2);
    CheckCodeShape(code, r);

    // What the encoder sealed the checker accepts, exactly when the plain part has the form
    // of a submission, and any one changed code character breaks the seal.
    std::string text = std::string(bytes) + gyrolap::kSubmissionSeparator + code;
    const gyrolap::SubmissionCheck sealed = gyrolap::CheckSeal(text);
    Require(sealed.valid == HasSubmissionForm(bytes));
    if (sealed.valid) {
        Require(gyrolap::PlainPart(sealed.version, sealed.best, sealed.average, sealed.date) ==
                bytes);
        static const char kCodeCharacters[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
        const std::size_t position =
            text.size() - code.size() + sum % gyrolap::kValidationCodeLength;
        const char replacement = kCodeCharacters[(sum / gyrolap::kValidationCodeLength) % 36];
        if (text[position] != replacement) {
            text[position] = replacement;
            Require(!gyrolap::CheckSeal(text).valid);
            Require(!gyrolap::CheckSubmission(text).valid);
        }
    }
    return 0;
}
