// SPDX-License-Identifier: MIT
// The file a recording goes to, written on a thread of its own: the game hands each line over and
// goes on at once, so a slow, full or stalled disk, or a pipe nobody reads, never delays a step.
// The file only ever ends at a line boundary or inside its last line, so whatever becomes of
// the session, what was written is a recording cut short, which still replays up to its cut.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace gyrolap::sim {

class RecordingFile {
  public:
    // Lines waiting for the file beyond this mean the file has stopped taking them.
    static constexpr std::size_t kMaxWaitingBytes = std::size_t{8} << 20;
    // How long a close waits for the last lines before it gives up on them.
    static constexpr std::chrono::milliseconds kCloseTimeout{2000};

    // Opens `path` for writing without blocking: a FIFO that no program reads is refused at once
    // instead of waiting for a reader. What the file holds is replaced when the first line is
    // written. Nothing, with the reason in `error`, when it cannot be opened.
    static std::unique_ptr<RecordingFile> Open(const std::string& path, std::string& error);

    // Takes over `fd`, which it closes.
    explicit RecordingFile(int fd);
    // Closes as Close does.
    ~RecordingFile();
    RecordingFile(const RecordingFile&) = delete;
    RecordingFile& operator=(const RecordingFile&) = delete;

    // Called once when the recording first stops, on the thread that found it out (the writer's,
    // or the one handing lines over when they pile up), with a lock held: it must not call back
    // here. Why, in a few words ("No space left on device"). Set it before the first line.
    void OnStopped(std::function<void(const std::string& reason)> stopped);

    // Hands one line over (without its line end) and returns at once. Once the recording has
    // stopped, lines are dropped: the file keeps the whole lines written before.
    void Write(std::string line);

    // Writes what is waiting and closes the file, waiting at most `timeout` for a file that does
    // not take the lines. True when every line handed over is in the file.
    bool Close(std::chrono::milliseconds timeout = kCloseTimeout);

    // Why the recording stopped, if it did.
    std::optional<std::string> Stopped() const;

  private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    bool closed_ = false;
};

}  // namespace gyrolap::sim
