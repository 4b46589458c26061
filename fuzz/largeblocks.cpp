// libavutil's allocations of large blocks, provided by the movie fuzzer instead. Built without
// the fuzzer's coverage: the fuzzer is to explore the readers, not which of these paths a run took.
#include "media/avformatinput.h"

extern "C" {
#include <libavutil/buffer.h>
#include <libavutil/mem.h>
}

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Under AddressSanitizer every block over 128 KiB is fresh pages from the system, mapped for it
// and unmapped after it: faulting them in cost most of a run. Two kinds of such blocks are made
// anew for every input, and are provided here instead of by libavutil, the same to libavformat.
constexpr size_t FreshAbove = size_t(128) << 10;

// Transport streams' packet buffers of 200 KiB, in a pool that lives as long as the input: freed
// ones are kept for the next input, so that their pages stay in. They remain the sanitizer's
// blocks, with its guards around them.
class KeptBuffers
{
public:
    static AVBufferRef *take(void *, size_t size)
    {
        uint8_t *data = nullptr;
        auto &kept = self().m_kept;
        const auto found = std::find_if(kept.begin(), kept.end(),
                                        [&](const Block &block) { return block.size == size; });
        if (found != kept.end()) {
            data = found->data;
            kept.erase(found);
        } else {
            data = static_cast<uint8_t *>(av_malloc(size));
        }
        if (data == nullptr)
            return nullptr;
        AVBufferRef *buffer = av_buffer_create(data, size, giveBack,
                                               reinterpret_cast<void *>(std::uintptr_t(size)), 0);
        if (buffer == nullptr)
            giveBack(reinterpret_cast<void *>(std::uintptr_t(size)), data);
        return buffer;
    }

private:
    struct Block
    {
        uint8_t *data;
        size_t size;
    };
    static constexpr size_t MaxKept = 16;

    // Never destroyed: the leak check at exit finds the kept blocks through it.
    static KeptBuffers &self()
    {
        static auto *const buffers = new KeptBuffers;
        return *buffers;
    }

    static void giveBack(void *size, uint8_t *data)
    {
        auto &kept = self().m_kept;
        if (kept.size() < MaxKept)
            kept.push_back({data, size_t(reinterpret_cast<std::uintptr_t>(size))});
        else
            av_free(data);
    }

    std::vector<Block> m_kept;
};

AVBufferRef *callAllocator(void *allocator, size_t size)
{
    return reinterpret_cast<AVBufferRef *(*)(size_t)>(allocator)(size);
}

} // namespace

// The parsers' contexts of 170 KiB, made anew at each seek: libavutil's own av_mallocz clears
// every byte, and so faults in every page; calloc clears only what is not fresh. Zero, aligned as
// av_malloc aligns it, refused above the same bound, and given back with av_free.
extern "C" void *av_mallocz(size_t size)
{
    constexpr size_t Alignment = 64;
    if (size > media::MaxAllocationBytes)
        return nullptr;
    if (size > FreshAbove) {
        void *block = std::calloc(1, size);
        if (block != nullptr && reinterpret_cast<std::uintptr_t>(block) % Alignment == 0)
            return block;
        std::free(block);
    }
    void *block = av_malloc(size);
    if (block != nullptr)
        std::memset(block, 0, size);
    return block;
}

// As libavutil's own, with the large blocks of pools kept across inputs.
extern "C" AVBufferPool *av_buffer_pool_init(size_t size, AVBufferRef *(*alloc)(size_t))
{
    if (alloc != nullptr)
        return av_buffer_pool_init2(size, reinterpret_cast<void *>(alloc), callAllocator, nullptr);
    if (size > FreshAbove)
        return av_buffer_pool_init2(size, nullptr, KeptBuffers::take, nullptr);
    // Without an allocator of its own, the pool uses av_buffer_alloc.
    return av_buffer_pool_init2(size, nullptr, nullptr, nullptr);
}
