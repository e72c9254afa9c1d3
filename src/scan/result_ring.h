#pragma once
// The queue of block results from the scan worker to the user-interface
// thread: one producer, one consumer, fixed capacity, no lock and no
// allocation per block.

#include "scan/scan_presentation.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <memory>

namespace mrv
{

class ResultRing
{
  public:
    static constexpr size_t kCapacity = 8192;

    ResultRing() : slots_(std::make_unique<std::array<BlockResult, kCapacity>>()) {}

    /// Producer: false when the ring is full.
    bool Push(const BlockResult& result)
    {
        const size_t head = head_.load(std::memory_order_relaxed);
        if (head - tail_.load(std::memory_order_acquire) == kCapacity) return false;
        (*slots_)[head % kCapacity] = result;
        head_.store(head + 1, std::memory_order_release);
        return true;
    }

    /// Consumer: applies every result queued so far, in order; returns how many.
    template <typename Fn> size_t Drain(Fn&& apply)
    {
        const size_t head = head_.load(std::memory_order_acquire);
        size_t tail = tail_.load(std::memory_order_relaxed);
        const size_t count = head - tail;
        for (; tail != head; ++tail) {
            apply((*slots_)[tail % kCapacity]);
            // Released slot by slot, so that a worker waiting for room goes on
            // while a long batch is still being applied.
            tail_.store(tail + 1, std::memory_order_release);
        }
        return count;
    }

    bool Empty() const
    {
        return head_.load(std::memory_order_acquire) == tail_.load(std::memory_order_acquire);
    }

  private:
    std::unique_ptr<std::array<BlockResult, kCapacity>> slots_;
    std::atomic<size_t> head_{0};
    std::atomic<size_t> tail_{0};
};

} // namespace mrv
