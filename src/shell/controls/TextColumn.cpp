#include "shell/controls/TextColumn.h"

#include "shell/platform/CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <cstring>

char *TextColumn::reserve(qsizetype n)
{
    if (chunks_.empty() || chunks_.back().capacity - chunks_.back().used < n) {
        Chunk c;
        c.capacity = std::max(n, kChunkBytes);
        c.data.reset(new char[size_t(c.capacity)]);
        chunks_.push_back(std::move(c));
    }
    Chunk &c = chunks_.back();
    return c.data.get() + c.used;
}

void TextColumn::commit(qsizetype n)
{
    Chunk &c = chunks_.back();
    rows_.push_back((quint64(chunks_.size() - 1) << 32) | quint64(c.used));
    c.used += n;
}

void TextColumn::append(QByteArrayView utf8)
{
    char *out = reserve(utf8.size());
    if (!utf8.isEmpty())
        std::memcpy(out, utf8.data(), size_t(utf8.size()));
    commit(utf8.size());
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
        char *out = reserve(n);
        for (qsizetype k = 0; k < n; ++k)
            out[k] = char(s[k]);
        commit(n);
        return;
    }
    QStringEncoder encoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    char *out = reserve(encoder.requiredSpace(n));
    char *end = encoder.appendToBuffer(out, text);
    commit(end - out);
}

void TextColumn::appendRaw(QByteArrayView bytes)
{
    append(bytes);
    rows_.back() |= kRawBit;
}

QByteArrayView TextColumn::bytesAt(qsizetype row, bool *raw) const
{
    quint64 loc = rows_[size_t(row)];
    if (raw)
        *raw = (loc & kRawBit) != 0;
    loc &= ~kRawBit;
    const size_t chunk = size_t(loc >> 32);
    const qsizetype offset = qsizetype(loc & 0xffffffffu);
    qsizetype end = chunks_[chunk].used;
    if (row + 1 < size()) {
        const quint64 next = rows_[size_t(row) + 1] & ~kRawBit;
        if (size_t(next >> 32) == chunk)
            end = qsizetype(next & 0xffffffffu);
    }
    return QByteArrayView(chunks_[chunk].data.get() + offset, end - offset);
}

QString TextColumn::at(qsizetype row) const
{
    return isRaw(row) ? TextOfWindows1252(bytesAt(row)) : decode(bytesAt(row));
}

QString TextColumn::prefixAt(qsizetype row, qsizetype chars) const
{
    const QByteArrayView bytes = bytesAt(row);
    if (isRaw(row))
        return TextOfWindows1252(bytes.first(std::min(bytes.size(), chars)));
    // A UTF-16 unit never takes more than three bytes of UTF-8.
    return decode(bytes.size() > 3 * chars ? bytes.first(3 * chars) : bytes);
}

QString TextColumn::decode(QByteArrayView bytes)
{
    // fromUtf8 would drop a byte-order mark at the start; an entry keeps it.
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        QStringDecoder decoder(QStringConverter::Utf8,
                               QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        return decoder(bytes);
    }
    return QString::fromUtf8(bytes);
}

void TextColumn::clear()
{
    std::vector<Chunk>().swap(chunks_);
    std::deque<quint64>().swap(rows_);
}

qsizetype TextColumn::allocatedBytes() const
{
    qsizetype total = qsizetype(rows_.size() * sizeof(quint64));
    for (const Chunk &c : chunks_)
        total += c.capacity;
    return total;
}
