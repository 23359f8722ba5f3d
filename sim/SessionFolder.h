// SPDX-License-Identifier: MIT
// The folder where `gyrolap --record-session` keeps one recording per session, named by the time
// it started: where it is, how it is kept within its bounds, and how a new session's file is made
// without ever overwriting another. A session whose text went to the clipboard is marked in its
// name, so the bounds can spare it without reading a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gyrolap::sim {

// The extension every recording the game names itself carries; the desktop knows it as a
// Gyrolap recording.
inline constexpr std::string_view kRecordingExtension = ".gyrolap";
// Before the extension, in the name of a session that put a submission text on the clipboard.
inline constexpr std::string_view kSubmittedMark = ".submitted";

struct KeepLimits {
    std::size_t sessions = 200;                      // at most this many, the new one included
    std::uint64_t bytes = std::uint64_t{500} << 20;  // the older ones together at most this
};

// `--keep SESSIONS[,SIZE]`: a whole number of sessions from 1 on, and a size as
// ParseByteCount reads it (the default size when absent). Nothing for anything else.
std::optional<KeepLimits> ParseKeep(std::string_view text);

// $XDG_DATA_HOME/gyrolap/recordings, or ~/.local/share/gyrolap/recordings when XDG_DATA_HOME is
// unset, empty or relative (as the XDG base directory rules ask). Nothing, with why in `error`,
// when neither gives an absolute folder.
std::optional<std::string> SessionsFolder(const char* xdgDataHome, const char* home,
                                          std::string& error);

// Makes the folder and the folders above it that are missing (private to the user, 0700).
bool MakeFolder(const std::string& folder, std::string& error);

// Whether `name` is one the game gave a session: DATE_TIME[-N][.submitted].gyrolap. Files of any
// other name in the folder are the player's own, and never deleted.
bool IsSessionName(std::string_view name, bool* submitted = nullptr);

struct KeptFolder {
    std::vector<std::string> deleted;  // the files deleted, oldest first
    std::vector<std::string> errors;   // what could not be read or deleted, for a person
};

// Deletes old sessions until there is room for one more within `limits`: the ones that never put
// a text on the clipboard first, oldest (by the time they were last written) first, then the
// others, oldest first. A session another running game still writes is never deleted.
KeptFolder KeepWithin(const std::string& folder, const KeepLimits& limits);

struct NewSession {
    int fd = -1;       // open for writing, held locked while it is open
    std::string path;  // where it is
};

// Makes a new, empty session file in `folder`, named by `start` in local time
// (2026-05-16_14-03-27.gyrolap, or ..._14-03-27-2.gyrolap if that name is taken): it never
// opens a file that exists. Nothing, with why in `error`, when it cannot.
std::optional<NewSession> CreateSession(const std::string& folder, std::time_t start,
                                        std::string& error);

// The name the session at `path` takes once it has put a text on the clipboard.
std::string SubmittedPath(const std::string& path);

}  // namespace gyrolap::sim
