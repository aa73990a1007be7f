#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <deque>
#include <memory>
#include <vector>

// Append-only storage for millions of short texts: the UTF-8 bytes of every row
// packed into 1 MiB chunks that never move, plus one 8-byte locator per row.
// A 27-character address costs 35 bytes instead of the ~100 of a QString.
// Rows are 0-based here; the list operations above it count from 1.
//
// A raw row holds a line's own bytes that were not text in the system's code
// page; they go back out exactly as they came. The locator's top bit marks it,
// so ordinary rows cost nothing more.
class TextColumn {
public:
    qsizetype size() const { return qsizetype(rows_.size()); }
    bool isEmpty() const { return rows_.empty(); }

    void append(QByteArrayView utf8);
    void append(QStringView text);
    void appendRaw(QByteArrayView bytes);

    // The stored bytes: UTF-8, or a raw row's own. Valid until the next
    // clear(); appends never move earlier rows.
    QByteArrayView bytesAt(qsizetype row, bool *raw = nullptr) const;
    bool isRaw(qsizetype row) const { return (rows_[size_t(row)] & kRawBit) != 0; }
    // As text; a raw row as Windows-1252 reads it (TextOfWindows1252).
    QString at(qsizetype row) const;
    // At least the first `chars` characters of a row (all of it when shorter):
    // enough to paint it without decoding a line of a hundred million characters.
    QString prefixAt(qsizetype row, qsizetype chars) const;

    // Stored bytes as text; a byte-order mark at the start is kept.
    static QString decode(QByteArrayView utf8);

    // Drops every row and gives the memory back.
    void clear();

    // Bytes held, for benchmarks and tests of clear().
    qsizetype allocatedBytes() const;

private:
    static constexpr qsizetype kChunkBytes = qsizetype(1) << 20;
    static constexpr quint64 kRawBit = quint64(1) << 63;

    struct Chunk {
        std::unique_ptr<char[]> data;
        qsizetype used = 0;
        qsizetype capacity = 0;
    };

    // Room for n more bytes at the end of the last chunk, opening a new one
    // (sized for n when n exceeds a chunk) if needed.
    char *reserve(qsizetype n);
    void commit(qsizetype n);

    std::vector<Chunk> chunks_;
    std::deque<quint64> rows_; // raw bit | chunk index << 32 | offset in chunk
};
