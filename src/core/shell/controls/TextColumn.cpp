#include "core/shell/controls/TextColumn.h"

#include "core/shell/platform/CodePage.h"
#include "core/shell/platform/RuntimeError.h"

#include <QStringEncoder>

#include <algorithm>
#include <cstring>

namespace {

// A column that grows row by row (a file that tells no size, a paste) takes
// chunks of a quarter of what it holds, up to this: few chunks, and at most a
// quarter more than it needs.
constexpr qsizetype kGrowthLimit = qsizetype(64) << 20;

} // namespace

void TextColumn::openChunk(qsizetype n)
{
    if (qsizetype(chunks_.size()) >= kMaxChunks)
        throw OutOfMemory();
    qsizetype want = std::max(n, kChunkBytes);
    if (reserved_ > 0)
        want = std::max(want, std::min(reserved_, kMaxOffset + 1));
    else
        want = std::max(want, std::min(ownCapacity_ / 4, kGrowthLimit));
    checkMemory(want);
    Chunk c;
    c.store = std::make_shared<Store>(LargeBlocks::take(size_t(want)));
    c.data = c.store->block.data;
    // A block may be larger than asked; all of it takes rows.
    c.capacity = qsizetype(c.store->block.size);
    reserved_ = std::max<qsizetype>(reserved_ - c.capacity, 0);
    ownCapacity_ += c.capacity;
    chunks_.push_back(std::move(c));
    own_ = qsizetype(chunks_.size()) - 1;
}

void TextColumn::openRowBlock(bool compact)
{
    const size_t bytes = size_t(kRowBlockMask + 1) * (compact ? sizeof(quint32) : sizeof(quint64));
    checkMemory(qint64(bytes));
    RowBlock b;
    b.block = LargeBlocks::take(bytes);
    b.compact = compact;
    try {
        rowBlocks_.push_back(b);
    } catch (...) {
        LargeBlocks::give(b.block);
        throw;
    }
    ends_ = compact ? reinterpret_cast<quint32 *>(b.block.data) : nullptr;
    locators_ = compact ? nullptr : reinterpret_cast<quint64 *>(b.block.data);
    run_ = nullptr;
    blockEnd_ = qsizetype(rowBlocks_.size()) << kRowBlockShift;
    end_ = 0;
}

bool TextColumn::startRun(qsizetype chunk, qsizetype offset, qsizetype bytes)
{
    RowBlock &b = rowBlocks_.back();
    const qsizetype i = size_ & kRowBlockMask;
    if (run_ && run_->chunk < 0 && end_ == 0) {
        // A run of empty rows so far: it starts where this row does.
        run_->chunk = chunk;
        run_->base = offset;
        return bytes <= kMaxEnd || (makeFull(), false);
    }
    if (b.runs == kRuns || bytes > kMaxEnd) {
        makeFull();
        return false;
    }
    run_ = &b.run[b.runs++];
    *run_ = Run{i, chunk, offset};
    end_ = 0;
    return true;
}

void TextColumn::makeFull()
{
    const size_t bytes = size_t(kRowBlockMask + 1) * sizeof(quint64);
    checkMemory(qint64(bytes));
    const LargeBlocks::Block full = LargeBlocks::take(bytes);
    RowBlock &b = rowBlocks_.back();
    const qsizetype first = qsizetype(rowBlocks_.size() - 1) << kRowBlockShift;
    auto *locators = reinterpret_cast<quint64 *>(full.data);
    try {
        for (qsizetype row = first; row < size_; ++row) {
            const Where w = where(row);
            if (w.length >= kLongLength)
                noteLongRow(row, w.length);
            locators[row - first] = locatorOf(w.raw, w.length == 0 ? 0 : w.chunk, w.length == 0 ? 0 : w.offset)
                | quint64(std::min<qsizetype>(w.length, kLongLength));
        }
    } catch (...) {
        LargeBlocks::give(full);
        throw;
    }
    LargeBlocks::give(b.block);
    b.block = full;
    b.compact = false;
    ends_ = nullptr;
    locators_ = locators;
    run_ = nullptr;
}

void TextColumn::noteLongRow(qsizetype row, qsizetype length)
{
    longRows_.emplace_back(row, length);
}

qsizetype TextColumn::longLength(qsizetype row) const
{
    const auto it = std::lower_bound(longRows_.begin(), longRows_.end(), row,
                                     [](const std::pair<qsizetype, qsizetype> &e, qsizetype r) { return e.first < r; });
    return it != longRows_.end() && it->first == row ? it->second : kLongLength;
}

void TextColumn::reserveBytes(qsizetype bytes)
{
    reserved_ = std::max<qsizetype>(bytes, 0);
    if (bytes > kChunkBytes
        && (own_ < 0 || chunks_[size_t(own_)].capacity - chunks_[size_t(own_)].used < bytes
            || chunks_[size_t(own_)].used > kMaxOffset))
        openChunk(0);
    else
        reserved_ = 0;
}

qsizetype TextColumn::usedBytes() const
{
    qsizetype total = 0;
    for (const Chunk &c : chunks_)
        total += c.used;
    return total;
}

qsizetype TextColumn::borrow(const Chunk &sourceChunk)
{
    if (borrowed_ >= 0 && chunks_[size_t(borrowed_)].store == sourceChunk.store)
        return borrowed_;
    for (qsizetype k = qsizetype(chunks_.size()) - 1; k >= 0; --k) {
        if (chunks_[size_t(k)].store == sourceChunk.store)
            return borrowed_ = k;
    }
    if (qsizetype(chunks_.size()) >= kMaxChunks)
        throw OutOfMemory();
    Chunk c;
    c.data = sourceChunk.data;
    c.store = sourceChunk.store;
    chunks_.push_back(std::move(c));
    return borrowed_ = qsizetype(chunks_.size()) - 1;
}

void TextColumn::appendPartOfAnother(const TextColumn &source, qsizetype sourceRow, QByteArrayView part, bool raw)
{
    const Where w = source.where(sourceRow);
    if (part.isEmpty()) {
        addLocator(raw ? kRawBit : 0, 0);
        return;
    }
    const Chunk &from = source.chunks_[size_t(w.chunk)];
    const qsizetype offset = part.data() - from.data;
    // A part that starts further into a very long row than a locator reaches
    // is copied.
    if (&source == this || offset < 0 || offset > kMaxOffset) {
        appendBytes(part, raw);
        return;
    }
    const qsizetype chunk = borrow(from);
    borrowedFrom_ = from.data;
    borrowedTo_ = from.data + from.store->block.size;
    addLocator(locatorOf(raw, chunk, offset), part.size());
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
    // Each store goes back to LargeBlocks once no column has rows in it.
    std::vector<Chunk>().swap(chunks_);
    for (const RowBlock &b : rowBlocks_)
        LargeBlocks::give(b.block);
    std::vector<RowBlock>().swap(rowBlocks_);
    end_ = 0;
    std::vector<std::pair<qsizetype, qsizetype>>().swap(longRows_);
    own_ = borrowed_ = -1;
    reserved_ = ownCapacity_ = 0;
    ends_ = nullptr;
    locators_ = nullptr;
    run_ = nullptr;
    blockEnd_ = 0;
    borrowedFrom_ = borrowedTo_ = nullptr;
    size_ = 0;
}

qsizetype TextColumn::allocatedBytes() const
{
    qsizetype total = qsizetype(longRows_.capacity() * sizeof(longRows_[0]));
    for (const RowBlock &b : rowBlocks_)
        total += qsizetype(b.block.size);
    for (const Chunk &c : chunks_)
        if (c.capacity > 0)
            total += qsizetype(c.store->block.size);
    return total;
}
