#include "core/shell/platform/LargeBlocks.h"

#include <QtGlobal>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace LargeBlocks {

namespace {

constexpr size_t kLargePage = size_t(2) << 20;

// A list of millions of rows that is cleared goes back to the system beyond
// this: what stays is enough for the next list of a million.
constexpr size_t kKeptLimit = size_t(64) << 20;

struct Kept {
    std::mutex lock;
    std::vector<Block> blocks;
    size_t bytes = 0;
};

Kept &kept()
{
    static Kept k;
    return k;
}

size_t systemPageBytes()
{
#ifdef Q_OS_WIN
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return size_t(info.dwPageSize);
#else
    return size_t(sysconf(_SC_PAGESIZE));
#endif
}

// Transparent huge pages, for all memory or for memory that asks for them.
bool largePagesOffered()
{
#ifdef Q_OS_LINUX
    FILE *f = std::fopen("/sys/kernel/mm/transparent_hugepage/enabled", "r");
    if (!f)
        return false;
    char text[128] = {};
    const size_t n = std::fread(text, 1, sizeof text - 1, f);
    std::fclose(f);
    text[n] = 0;
    return std::strstr(text, "[always]") || std::strstr(text, "[madvise]");
#else
    // Windows gives large pages only to holders of the lock-memory privilege.
    return false;
#endif
}

Block allocate(size_t bytes)
{
    const size_t page = pageBytes();
    Block b;
    b.size = (std::max<size_t>(bytes, 1) + page - 1) / page * page;
#ifdef Q_OS_WIN
    b.data = static_cast<char *>(VirtualAlloc(nullptr, b.size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!b.data)
        throw std::bad_alloc();
#else
    // Large pages need an address on a large page's edge: map a page more
    // and cut off what lies before and after the aligned part.
    const size_t extra = page > systemPageBytes() ? page : 0;
    void *mapped = mmap(nullptr, b.size + extra, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    char *start = static_cast<char *>(mapped);
    char *aligned = start;
    if (extra) {
        aligned = reinterpret_cast<char *>((reinterpret_cast<uintptr_t>(start) + page - 1) / page * page);
        if (aligned > start)
            munmap(start, size_t(aligned - start));
        const size_t after = size_t(start + b.size + extra - (aligned + b.size));
        if (after)
            munmap(aligned + b.size, after);
#ifdef MADV_HUGEPAGE
        madvise(aligned, b.size, MADV_HUGEPAGE);
#endif
    }
    b.data = aligned;
#endif
    return b;
}

void release(Block b)
{
#ifdef Q_OS_WIN
    VirtualFree(b.data, 0, MEM_RELEASE);
#else
    munmap(b.data, b.size);
#endif
}

} // namespace

size_t pageBytes()
{
    static const size_t page = largePagesOffered() ? kLargePage : systemPageBytes();
    return page;
}

Block take(size_t bytes)
{
    Kept &k = kept();
    {
        // The smallest kept block that fits, if it is not far too big: a
        // small buffer must not hold on to a list's worth of pages.
        std::lock_guard<std::mutex> guard(k.lock);
        const size_t wanted = (std::max<size_t>(bytes, 1) + pageBytes() - 1) / pageBytes() * pageBytes();
        auto best = k.blocks.end();
        for (auto it = k.blocks.begin(); it != k.blocks.end(); ++it) {
            if (it->size >= wanted && it->size <= 2 * wanted && (best == k.blocks.end() || it->size < best->size))
                best = it;
        }
        if (best != k.blocks.end()) {
            const Block b = *best;
            k.blocks.erase(best);
            k.bytes -= b.size;
            return b;
        }
    }
    return allocate(bytes);
}

void give(Block block)
{
    if (!block.data)
        return;
    Kept &k = kept();
    {
        std::lock_guard<std::mutex> guard(k.lock);
        if (k.bytes + block.size <= kKeptLimit) {
            k.blocks.push_back(block);
            k.bytes += block.size;
            return;
        }
    }
    release(block);
}

void adviseLargePages(void *data, size_t bytes)
{
#if defined(Q_OS_LINUX) && defined(MADV_HUGEPAGE)
    const size_t page = pageBytes();
    if (page != kLargePage)
        return;
    const uintptr_t from = (reinterpret_cast<uintptr_t>(data) + page - 1) / page * page;
    const uintptr_t to = (reinterpret_cast<uintptr_t>(data) + bytes) / page * page;
    if (to > from)
        madvise(reinterpret_cast<void *>(from), to - from, MADV_HUGEPAGE);
#else
    Q_UNUSED(data);
    Q_UNUSED(bytes);
#endif
}

void releaseKept()
{
    Kept &k = kept();
    std::vector<Block> blocks;
    {
        std::lock_guard<std::mutex> guard(k.lock);
        blocks.swap(k.blocks);
        k.bytes = 0;
    }
    for (const Block &b : blocks)
        release(b);
}

size_t keptBytes()
{
    Kept &k = kept();
    std::lock_guard<std::mutex> guard(k.lock);
    return k.bytes;
}

} // namespace LargeBlocks
