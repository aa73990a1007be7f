#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include "core/shell/platform/LargeBlocks.h"

#include <cstring>
#include <vector>

// Append-only storage for millions of short texts: the UTF-8 bytes of every row
// packed into chunks of 1 MiB or more that never move, plus one 8-byte locator
// per row. A 27-character address costs 35 bytes instead of the ~100 of a
// QString. Chunks and locators live in large blocks (LargeBlocks), which a
// cleared list hands on to the next one with their pages in place.
// Rows are 0-based here; the list operations above it count from 1.
//
// A raw row holds a line's own bytes that were not text in the system's code
// page; they go back out exactly as they came. The locator's top bit marks it,
// so ordinary rows cost nothing more.
class TextColumn {
public:
    TextColumn() = default;
    ~TextColumn() { clear(); }
    TextColumn(const TextColumn &) = delete;
    TextColumn &operator=(const TextColumn &) = delete;

    qsizetype size() const { return size_; }
    bool isEmpty() const { return size_ == 0; }

    void append(QByteArrayView utf8)
    {
        char *out = beginRow(utf8.size());
        if (!utf8.isEmpty())
            std::memcpy(out, utf8.data(), size_t(utf8.size()));
        endRow(utf8.size());
    }
    void append(QStringView text);
    void appendRaw(QByteArrayView bytes)
    {
        char *out = beginRow(bytes.size());
        if (!bytes.isEmpty())
            std::memcpy(out, bytes.data(), size_t(bytes.size()));
        endRow(bytes.size(), true);
    }

    // A row written in place: room for up to maxBytes at the end, then the
    // number of bytes it took. Nothing else may be appended in between.
    char *beginRow(qsizetype maxBytes)
    {
        if (chunks_.empty() || chunks_.back().capacity - chunks_.back().used < maxBytes)
            openChunk(maxBytes);
        Chunk &c = chunks_.back();
        return c.data + c.used;
    }
    void endRow(qsizetype bytes, bool raw = false)
    {
        if ((size_ & kRowBlockMask) == 0)
            openRowBlock();
        Chunk &c = chunks_.back();
        locator(size_) = (raw ? kRawBit : 0) | (quint64(chunks_.size() - 1) << 32) | quint64(c.used);
        c.used += bytes;
        ++size_;
    }

    // Room for this many bytes of rows about to come (a file's size, another
    // list's bytes): they go into one chunk instead of one per MiB. Only the
    // pages rows are written to are ever touched.
    void reserveBytes(qsizetype bytes);
    // Bytes the rows take, for sizing another column from this one.
    qsizetype usedBytes() const;

    // The stored bytes: UTF-8, or a raw row's own. Valid until the next
    // clear(); appends never move earlier rows.
    QByteArrayView bytesAt(qsizetype row, bool *raw = nullptr) const
    {
        quint64 loc = locator(row);
        if (raw)
            *raw = (loc & kRawBit) != 0;
        loc &= ~kRawBit;
        const size_t chunk = size_t(loc >> 32);
        const qsizetype offset = qsizetype(loc & 0xffffffffu);
        qsizetype end = chunks_[chunk].used;
        if (row + 1 < size_) {
            const quint64 next = locator(row + 1) & ~kRawBit;
            if (size_t(next >> 32) == chunk)
                end = qsizetype(next & 0xffffffffu);
        }
        return QByteArrayView(chunks_[chunk].data + offset, end - offset);
    }
    bool isRaw(qsizetype row) const { return (locator(row) & kRawBit) != 0; }
    // As text; a raw row as the system's code page shows it (TextOfRawBytes).
    QString at(qsizetype row) const;
    // At least the first `chars` characters of a row (all of it when shorter):
    // enough to paint it without decoding a line of a hundred million characters.
    QString prefixAt(qsizetype row, qsizetype chars) const;

    // Drops every row and gives the memory back.
    void clear();

    // Bytes held, for benchmarks and tests of clear().
    qsizetype allocatedBytes() const;

private:
    static constexpr qsizetype kChunkBytes = qsizetype(1) << 20;
    // A locator holds a chunk offset of 32 bits.
    static constexpr qsizetype kMaxChunkBytes = qsizetype(1) << 31;
    static constexpr quint64 kRawBit = quint64(1) << 63;
    // Locators live in blocks of 262,144 (2 MiB, one large page) that never
    // move: a growing list never copies them, and a million rows take four.
    static constexpr int kRowBlockShift = 18;
    static constexpr qsizetype kRowBlockMask = (qsizetype(1) << kRowBlockShift) - 1;

    struct Chunk {
        char *data = nullptr;
        qsizetype used = 0;
        qsizetype capacity = 0;
        LargeBlocks::Block block;
    };

    // A new last chunk with room for n bytes at least.
    void openChunk(qsizetype n);
    void openRowBlock();
    quint64 *rowBlock(qsizetype row) const
    {
        return reinterpret_cast<quint64 *>(rowBlocks_[size_t(row >> kRowBlockShift)].data);
    }
    quint64 &locator(qsizetype row) { return rowBlock(row)[row & kRowBlockMask]; }
    quint64 locator(qsizetype row) const { return rowBlock(row)[row & kRowBlockMask]; }

    std::vector<Chunk> chunks_;
    std::vector<LargeBlocks::Block> rowBlocks_; // of locators: raw bit | chunk index << 32 | offset in chunk
    qsizetype size_ = 0;
};
