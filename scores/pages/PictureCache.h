// SPDX-License-Identifier: MIT
// The boards of replayed entries as pictures, drawn once and kept for a while: drawing one takes
// the window, and a page with a board is asked for its picture again and again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <optional>
#include <string>

#include "scores/pages/BoardPicture.h"

namespace gyrolap::scores {

class PictureCache {
  public:
    // `painter` may be null: then no entry has a picture.
    explicit PictureCache(BoardPainter* painter, std::size_t kept = 32);

    // The picture of entry `id`, as PNG bytes; empty when it has none. `storedBoard` gives the
    // board as the store keeps it, asked only when the picture is not kept.
    std::string Png(std::int64_t id,
                    const std::function<std::optional<std::string>()>& storedBoard);
    // The entry changed: its picture is drawn anew when next asked for.
    void Forget(std::int64_t id);

    bool CanDraw() const noexcept { return painter_ != nullptr; }

  private:
    BoardPainter* painter_;
    std::size_t kept_;
    std::mutex mutex_;
    std::list<std::pair<std::int64_t, std::string>> drawn_;  // the latest asked for first
};

}  // namespace gyrolap::scores
