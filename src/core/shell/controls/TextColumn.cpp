#include "core/shell/controls/TextColumn.h"

#include "core/shell/platform/CodePage.h"

#include <QStringEncoder>

#include <algorithm>
#include <cstring>

void TextColumn::openChunk(qsizetype n)
{
    n = std::max(n, kChunkBytes);
    const LargeBlocks::Block block = LargeBlocks::take(size_t(n));
    Chunk c;
    c.block = block;
    c.data = block.data;
    // A block may be larger than asked; all of it takes rows, as far as a
    // locator's 32-bit offset reaches.
    c.capacity = std::max(n, qsizetype(std::min<size_t>(block.size, size_t(kMaxChunkBytes) * 2 - 1)));
    chunks_.push_back(c);
}

void TextColumn::openRowBlock()
{
    rowBlocks_.push_back(LargeBlocks::take(size_t(kRowBlockMask + 1) * sizeof(quint64)));
}

void TextColumn::reserveBytes(qsizetype bytes)
{
    bytes = std::min(bytes, kMaxChunkBytes);
    if (bytes > kChunkBytes && (chunks_.empty() || chunks_.back().capacity - chunks_.back().used < bytes))
        openChunk(bytes);
}

qsizetype TextColumn::usedBytes() const
{
    qsizetype total = 0;
    for (const Chunk &c : chunks_)
        total += c.used;
    return total;
}

void TextColumn::append(QStringView text)
{
    // Pure ASCII (the usual address) is copied byte for byte; anything else
    // goes through the encoder straight into the chunk.
    const char16_t *s = text.utf16();
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && s[i] < 0x80)
        ++i;
    if (i == n) {
        char *out = beginRow(n);
        for (qsizetype k = 0; k < n; ++k)
            out[k] = char(s[k]);
        endRow(n);
        return;
    }
    QStringEncoder encoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    char *out = beginRow(encoder.requiredSpace(n));
    char *end = encoder.appendToBuffer(out, text);
    endRow(end - out);
}

QString TextColumn::at(qsizetype row) const
{
    return isRaw(row) ? TextOfRawBytes(bytesAt(row)) : TextOfStoredUtf8(bytesAt(row));
}

QString TextColumn::prefixAt(qsizetype row, qsizetype chars) const
{
    const QByteArrayView bytes = bytesAt(row);
    if (isRaw(row)) {
        // A character takes two bytes at most of a line kept as bytes, and
        // one unless the code page is a double-byte one.
        const qsizetype most = CodePage::system().isDoubleByte() ? 2 * chars : chars;
        return TextOfRawBytes(bytes.first(std::min(bytes.size(), most)));
    }
    // A UTF-16 unit never takes more than three bytes of UTF-8.
    return TextOfStoredUtf8(bytes.size() > 3 * chars ? bytes.first(3 * chars) : bytes);
}

void TextColumn::clear()
{
    for (const Chunk &c : chunks_)
        LargeBlocks::give(c.block);
    for (const LargeBlocks::Block &block : rowBlocks_)
        LargeBlocks::give(block);
    std::vector<Chunk>().swap(chunks_);
    std::vector<LargeBlocks::Block>().swap(rowBlocks_);
    size_ = 0;
}

qsizetype TextColumn::allocatedBytes() const
{
    qsizetype total = 0;
    for (const LargeBlocks::Block &block : rowBlocks_)
        total += qsizetype(block.size);
    for (const Chunk &c : chunks_)
        total += qsizetype(c.block.size);
    return total;
}
