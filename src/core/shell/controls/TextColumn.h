#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include "core/shell/platform/LargeBlocks.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

// Append-only storage for millions of short texts: the UTF-8 bytes of every row
// packed into chunks of 1 MiB or more that never move, plus a locator per row.
// A 27-character address costs 31 bytes instead of the ~100 of a QString.
// Chunks and locators live in large blocks (LargeBlocks), which a cleared list
// hands on to the next one with their pages in place.
// Rows are 0-based here; the list operations above it count from 1.
//
// Locators come in blocks of 524,288 rows. Where a block's rows stand one
// after another in a chunk, or in a few (a loaded file's lines), it keeps 4
// bytes a row, where each row ends. Any other block keeps 8 bytes a row, where the row
// starts and how long it is, so a row may also lie in another column's chunk:
// a domain is mostly a part of its entry, and the result list keeps that part
// of the entry's storage (which stays alive while any row lies in it) instead
// of a second copy. A row of any length is kept whole: one that does not fit
// the 8-byte locator's length field has its length in a table of long rows.
//
// A raw row holds a line's own bytes that were not text in the system's code
// page; they go back out exactly as they came. The locator's top bit marks it,
// so ordinary rows cost nothing more.
class TextColumn {
public:
    // Asked before the column takes new memory, with the bytes it is about to
    // take; throws to refuse (RuntimeError 7 where memory is short).
    using MemoryCheck = std::function<void(qint64 bytes)>;

    TextColumn() = default;
    ~TextColumn() { clear(); }
    TextColumn(const TextColumn &) = delete;
    TextColumn &operator=(const TextColumn &) = delete;

    void setMemoryCheck(MemoryCheck check) { check_ = std::move(check); }

    qsizetype size() const { return size_; }
    bool isEmpty() const { return size_ == 0; }

    void append(QByteArrayView utf8) { appendBytes(utf8, false); }
    void append(QStringView text);
    void appendRaw(QByteArrayView bytes) { appendBytes(bytes, true); }
    // A row made of part of a row of another column, which must stay as it
    // is until this call returns: the part is kept where it lies. `raw` is
    // the source row's mark.
    void appendPartOf(const TextColumn &source, qsizetype sourceRow, QByteArrayView part, bool raw)
    {
        // Rows of one chunk follow one another: the last one borrowed is most
        // likely this one's.
        const quintptr at = reinterpret_cast<quintptr>(part.data());
        const quintptr from = reinterpret_cast<quintptr>(borrowedFrom_);
        if (!part.isEmpty() && at >= from && at + quintptr(part.size()) <= reinterpret_cast<quintptr>(borrowedTo_)
            && at - from <= quintptr(kMaxOffset)) {
            addLocator(locatorOf(raw, borrowed_, qsizetype(at - from)), part.size());
            return;
        }
        appendPartOfAnother(source, sourceRow, part, raw);
    }

    // A row written in place: room for up to maxBytes at the end, then the
    // number of bytes it took. Nothing else may be appended in between.
    char *beginRow(qsizetype maxBytes)
    {
        if (maxBytes == 0)
            return nullptr;
        if (own_ < 0 || chunks_[size_t(own_)].capacity - chunks_[size_t(own_)].used < maxBytes
            || chunks_[size_t(own_)].used > kMaxOffset)
            openChunk(maxBytes);
        Chunk &c = chunks_[size_t(own_)];
        return c.data + c.used;
    }
    void endRow(qsizetype bytes, bool raw = false)
    {
        if (size_ == blockEnd_)
            openRowBlock(true);
        if (bytes == 0) {
            if (!appendCompact(-1, 0, 0, raw))
                addLocator(raw ? kRawBit : 0, 0);
            return;
        }
        Chunk &c = chunks_[size_t(own_)];
        if (!appendCompact(own_, c.used, bytes, raw))
            addLocator(locatorOf(raw, own_, c.used), bytes);
        c.used += bytes;
    }

    // Room for this many bytes of rows about to come (a file's size): they go
    // into few large chunks instead of one per MiB. Only the pages rows are
    // written to are ever touched.
    void reserveBytes(qsizetype bytes);
    // Bytes the rows take in this column's own chunks.
    qsizetype usedBytes() const;

    // The stored bytes: UTF-8, or a raw row's own. Valid until the next
    // clear(); appends never move earlier rows.
    QByteArrayView bytesAt(qsizetype row, bool *raw = nullptr) const
    {
        const Where w = where(row);
        if (raw)
            *raw = w.raw;
        if (w.length == 0)
            return QByteArrayView();
        return QByteArrayView(chunks_[size_t(w.chunk)].data + w.offset, w.length);
    }
    bool isRaw(qsizetype row) const { return where(row).raw; }
    // As text; a raw row as the system's code page shows it (TextOfRawBytes).
    QString at(qsizetype row) const;
    // At least the first `chars` characters of a row (all of it when shorter):
    // enough to paint it without decoding a line of a hundred million characters.
    QString prefixAt(qsizetype row, qsizetype chars) const;

    // Drops every row and gives the memory back; chunks other columns still
    // have rows in stay theirs.
    void clear();

    // Bytes this column took for itself (its own chunks, locators and long
    // rows), for benchmarks and tests of clear().
    qsizetype allocatedBytes() const;

    // The locator's fields: raw bit, chunk, offset of the row's start in the
    // chunk, length. A row must start within the first 256 MiB of a chunk;
    // a longer length than the field holds goes to the table of long rows.
    static constexpr int kLengthBits = 16;
    static constexpr int kOffsetBits = 28;
    static constexpr int kChunkBits = 19;
    static constexpr qsizetype kLongLength = (qsizetype(1) << kLengthBits) - 1;
    static constexpr qsizetype kMaxOffset = (qsizetype(1) << kOffsetBits) - 1;
    static constexpr qsizetype kMaxChunks = qsizetype(1) << kChunkBits;

private:
    static constexpr qsizetype kChunkBytes = qsizetype(1) << 20;
    static constexpr quint64 kRawBit = quint64(1) << 63;
    static constexpr int kOffsetShift = kLengthBits;
    static constexpr int kChunkShift = kLengthBits + kOffsetBits;
    static constexpr quint64 kLengthMask = (quint64(1) << kLengthBits) - 1;
    static constexpr quint64 kOffsetMask = (quint64(1) << kOffsetBits) - 1;
    static constexpr quint64 kChunkMask = (quint64(1) << kChunkBits) - 1;
    static constexpr int kRowBlockShift = 19;
    static constexpr qsizetype kRowBlockMask = (qsizetype(1) << kRowBlockShift) - 1;
    // A 4-byte locator: where the row ends, from where its block's first row
    // starts; the top bit marks a raw row.
    static constexpr quint32 kRawEnd = quint32(1) << 31;
    static constexpr qsizetype kMaxEnd = qsizetype(kRawEnd) - 1;

    // A large block of row bytes, given back when the last column with rows
    // in it lets go.
    struct Store {
        explicit Store(LargeBlocks::Block b) : block(b) {}
        ~Store() { LargeBlocks::give(block); }
        Store(const Store &) = delete;
        Store &operator=(const Store &) = delete;
        LargeBlocks::Block block;
    };
    struct Chunk {
        char *data = nullptr;
        qsizetype used = 0;     // own chunks only
        qsizetype capacity = 0; // 0: another column's, never appended to
        std::shared_ptr<Store> store;
    };

    // Rows of a compact block that lie one after another in one chunk.
    struct Run {
        qsizetype first = 0;  // in the block
        qsizetype chunk = -1; // -1 while all its rows are empty
        qsizetype base = 0;   // where its first row starts in the chunk
    };
    static constexpr int kRuns = 8;
    struct RowBlock {
        LargeBlocks::Block block;
        bool compact = false; // 4-byte locators
        int runs = 0;
        Run run[kRuns];
    };
    struct Where {
        qsizetype chunk;
        qsizetype offset;
        qsizetype length;
        bool raw;
    };
    Where where(qsizetype row) const
    {
        const RowBlock &b = rowBlocks_[size_t(row >> kRowBlockShift)];
        const qsizetype i = row & kRowBlockMask;
        if (b.compact) {
            int k = b.runs - 1;
            while (k > 0 && b.run[k].first > i)
                --k;
            const Run &r = b.run[k];
            const auto *ends = reinterpret_cast<const quint32 *>(b.block.data);
            const qsizetype start = i == r.first ? 0 : qsizetype(ends[i - 1] & ~kRawEnd);
            return {r.chunk, r.base + start, qsizetype(ends[i] & ~kRawEnd) - start, (ends[i] & kRawEnd) != 0};
        }
        const quint64 loc = reinterpret_cast<const quint64 *>(b.block.data)[i];
        qsizetype length = qsizetype(loc & kLengthMask);
        if (length == kLongLength)
            length = longLength(row);
        return {qsizetype((loc >> kChunkShift) & kChunkMask), qsizetype((loc >> kOffsetShift) & kOffsetMask), length,
                (loc & kRawBit) != 0};
    }
    // A row in the last block, if it is compact and the row starts where the
    // last one ended, in its chunk, or begins one of the block's few runs.
    bool appendCompact(qsizetype chunk, qsizetype offset, qsizetype bytes, bool raw)
    {
        if (!ends_)
            return false;
        const bool follows = bytes > 0
            ? run_ && run_->chunk == chunk && offset == run_->base + end_ && end_ + bytes <= kMaxEnd
            : run_ != nullptr;
        if (!follows && !startRun(bytes > 0 ? chunk : -1, bytes > 0 ? offset : 0, bytes))
            return false;
        end_ += bytes;
        ends_[size_ & kRowBlockMask] = quint32(end_) | (raw ? kRawEnd : 0);
        ++size_;
        return true;
    }
    // The next row, of `bytes` at offset in chunk, as a new run of the last
    // block, or false when the block has become one of 8-byte locators.
    bool startRun(qsizetype chunk, qsizetype offset, qsizetype bytes);

    static quint64 locatorOf(bool raw, qsizetype chunk, qsizetype offset)
    {
        return (raw ? kRawBit : 0) | (quint64(chunk) << kChunkShift) | (quint64(offset) << kOffsetShift);
    }
    void appendBytes(QByteArrayView bytes, bool raw)
    {
        char *out = beginRow(bytes.size());
        if (!bytes.isEmpty())
            std::memcpy(out, bytes.data(), size_t(bytes.size()));
        endRow(bytes.size(), raw);
    }
    // An 8-byte locator for the next row.
    void addLocator(quint64 where, qsizetype length)
    {
        if (size_ == blockEnd_)
            openRowBlock(false);
        else if (!locators_)
            makeFull();
        if (length >= kLongLength)
            noteLongRow(size_, length);
        locators_[size_ & kRowBlockMask] = where | quint64(std::min<qsizetype>(length, kLongLength));
        ++size_;
    }
    // A new own chunk with room for n bytes at least.
    void openChunk(qsizetype n);
    void openRowBlock(bool compact);
    // The last block, compact, with 8-byte locators instead.
    void makeFull();
    void noteLongRow(qsizetype row, qsizetype length);
    qsizetype longLength(qsizetype row) const;
    // The index of the source's chunk among this column's, borrowed on first use.
    qsizetype borrow(const Chunk &sourceChunk);
    void appendPartOfAnother(const TextColumn &source, qsizetype sourceRow, QByteArrayView part, bool raw);
    void checkMemory(qint64 bytes) const
    {
        if (check_)
            check_(bytes);
    }

    std::vector<Chunk> chunks_;
    qsizetype own_ = -1;      // the chunk own rows go to, -1 before the first
    qsizetype borrowed_ = -1; // the chunk the last borrowed row lies in
    qsizetype reserved_ = 0;  // bytes announced and not yet given a chunk
    qsizetype ownCapacity_ = 0; // of the own chunks
    std::vector<RowBlock> rowBlocks_;
    // The last block's: its 4-byte locators while it is compact, or its 8-byte
    // ones, its current run, and the first row past it.
    quint32 *ends_ = nullptr;
    quint64 *locators_ = nullptr;
    Run *run_ = nullptr;
    qsizetype blockEnd_ = 0;
    qsizetype end_ = 0; // compact last block: where its last row ends, from its run's base
    // The chunk the last borrowed row lies in, and where it ends.
    const char *borrowedFrom_ = nullptr;
    const char *borrowedTo_ = nullptr;
    std::vector<std::pair<qsizetype, qsizetype>> longRows_; // row, length; by row
    qsizetype size_ = 0;
    MemoryCheck check_;
};
