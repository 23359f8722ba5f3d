// Size-bucketed free lists for coroutine frames; see FramePool.h.
#include "game/FramePool.h"

#include <array>
#include <new>

namespace gyrolap::FramePool {
namespace {

constexpr std::size_t kGranule = 16;
constexpr std::size_t kBuckets = 64;  // frames up to 1 KiB are pooled; larger go to the heap

struct FreeNode {
    FreeNode* next;
};

// One thread runs the game, so the lists need no locking. A function-local static keeps the
// lists alive for frames released during static destruction.
struct Pool {
    std::array<FreeNode*, kBuckets> free{};
    std::size_t inUse = 0;
    ~Pool() {
        for (auto* head : free) {
            while (head) {
                auto* next = head->next;
                ::operator delete(head);
                head = next;
            }
        }
    }
};

Pool& ThePool() {
    static Pool pool;
    return pool;
}

std::size_t BucketOf(std::size_t size) {
    return (size + kGranule - 1) / kGranule;
}

}  // namespace

// Under AddressSanitizer every frame goes straight to the heap, so a use after free is caught
// instead of being hidden by recycling.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kRecycle = false;
#else
constexpr bool kRecycle = true;
#endif

void* Allocate(std::size_t size) {
    Pool& pool = ThePool();
    pool.inUse += size;
    if (!kRecycle) return ::operator new(size);
    std::size_t bucket = BucketOf(size);
    if (bucket < kBuckets && pool.free[bucket]) {
        FreeNode* node = pool.free[bucket];
        pool.free[bucket] = node->next;
        return node;
    }
    return ::operator new(bucket < kBuckets ? bucket * kGranule : size);
}

void Release(void* frame, std::size_t size) noexcept {
    Pool& pool = ThePool();
    pool.inUse -= size;
    std::size_t bucket = BucketOf(size);
    if (kRecycle && bucket < kBuckets) {
        auto* node = static_cast<FreeNode*>(frame);
        node->next = pool.free[bucket];
        pool.free[bucket] = node;
        return;
    }
    ::operator delete(frame);
}

std::size_t BytesInUse() noexcept {
    return ThePool().inUse;
}

}  // namespace gyrolap::FramePool
