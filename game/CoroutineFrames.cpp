// SPDX-License-Identifier: MIT
// Counting coroutine frames; see CoroutineFrames.h.
#include "game/CoroutineFrames.h"

#include <atomic>
#include <new>

namespace gyrolap::CoroutineFrames {
namespace {

// Frames are made on the game's thread, but a quit destroys them on the window's thread.
std::atomic<std::size_t> inUse{0};

}  // namespace

void* Allocate(std::size_t size) {
    void* frame = ::operator new(size);
    inUse.fetch_add(size, std::memory_order_relaxed);
    return frame;
}

void Release(void* frame, std::size_t size) noexcept {
    inUse.fetch_sub(size, std::memory_order_relaxed);
    ::operator delete(frame);
}

std::size_t BytesInUse() noexcept {
    return inUse.load(std::memory_order_relaxed);
}

}  // namespace gyrolap::CoroutineFrames
