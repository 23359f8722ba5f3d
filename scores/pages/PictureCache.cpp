// SPDX-License-Identifier: MIT
// Keeping the boards' pictures; see PictureCache.h.
#include "scores/pages/PictureCache.h"

#include <cstdio>

#include "scores/intake/StoredBoard.h"

namespace gyrolap::scores {

PictureCache::PictureCache(BoardPainter* painter, std::size_t kept)
    : painter_(painter), kept_(kept) {}

std::string PictureCache::Png(std::int64_t id,
                              const std::function<std::optional<std::string>()>& storedBoard) {
    if (!painter_) return {};
    {
        std::lock_guard lock(mutex_);
        for (auto at = drawn_.begin(); at != drawn_.end(); ++at) {
            if (at->first != id) continue;
            drawn_.splice(drawn_.begin(), drawn_, at);
            return at->second;
        }
    }
    const auto text = storedBoard();
    if (!text) return {};
    const auto board = BoardFromText(*text);
    if (!board) {
        std::fprintf(stderr, "gyrolap-scores: the stored board of entry %lld cannot be read\n",
                     static_cast<long long>(id));
        return {};
    }
    std::string png = painter_->Png(*board);
    if (png.empty()) return {};
    std::lock_guard lock(mutex_);
    drawn_.emplace_front(id, png);
    if (drawn_.size() > kept_) drawn_.pop_back();
    return png;
}

void PictureCache::Forget(std::int64_t id) {
    std::lock_guard lock(mutex_);
    drawn_.remove_if([id](const auto& kept) { return kept.first == id; });
}

}  // namespace gyrolap::scores
