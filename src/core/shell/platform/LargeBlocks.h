#pragma once

#include <cstddef>

// Memory for the program's large buffers: the lists' storage, the load's read
// block, the saves' write block. A page touched for the first time costs the
// system more than the work done in it (about 10 us on a virtual machine, for
// 4 KiB): the blocks come in whole large pages where the system offers them
// (2 MiB, Linux's transparent huge pages), so a million rows fault in a few
// dozen times instead of thousands, and a block given back is kept for the
// next one that fits, with its pages in place.
namespace LargeBlocks {

struct Block {
    char *data = nullptr;
    size_t size = 0; // at least what was asked for; all of it usable
};

// The page size blocks come in: 2 MiB where large pages are offered, else
// the system's page.
size_t pageBytes();

// A block of at least `bytes`: a kept one that fits, else a new one. Its
// content is undefined. Throws std::bad_alloc when there is no memory.
Block take(size_t bytes);

// Back for the next take(); kept while the kept blocks stay under a limit,
// else returned to the system.
void give(Block block);

// Asks for large pages under memory another allocator gave out (a QString's
// buffer) before it is first written: the whole large pages inside it.
void adviseLargePages(void *data, size_t bytes);

// A block for the length of a scope, given back at its end.
class Held {
public:
    explicit Held(size_t bytes) : block_(take(bytes)) {}
    ~Held() { give(block_); }
    Held(const Held &) = delete;
    Held &operator=(const Held &) = delete;
    char *data() const { return block_.data; }
    size_t size() const { return block_.size; }

private:
    Block block_;
};

// Drops every kept block (tests, and the bench between runs).
void releaseKept();

// What the kept blocks hold.
size_t keptBytes();

} // namespace LargeBlocks
