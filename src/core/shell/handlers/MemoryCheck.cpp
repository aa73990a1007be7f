#include "core/shell/handlers/MemoryCheck.h"

#include "core/shell/platform/Platform.h"
#include "core/shell/platform/RuntimeError.h"

#include <algorithm>

namespace Main {

namespace {

// What the lists may take between two questions, at most.
constexpr qint64 kMostTrusted = qint64(32) << 20;

bool MemoryIsThereFor(Platform &platform, qint64 bytes)
{
    const qint64 room = platform.AvailableMemory();
    return room < 0 || bytes <= room - kMemoryHeadroom;
}

} // namespace

void EnsureMemoryFor(Platform &platform, qint64 bytes)
{
    if (!MemoryIsThereFor(platform, bytes))
        throw OutOfMemory();
}

qint64 MemoryForRows(qint64 bytes, qint64 rows)
{
    // Rounding up to whole large pages is left to the headroom.
    return bytes + rows * qint64(sizeof(quint64));
}

qint64 MemoryForText(QStringView text)
{
    // Counted before the first row goes in, in one go: a block at a time in
    // small integers, without branches, which the compiler turns into wide
    // compares, so that 30 MB of pasted text keeps the window waiting for
    // milliseconds, not tens of them.
    constexpr qsizetype kBlock = qsizetype(1) << 16;
    const char16_t *const units = text.utf16();
    qint64 bytes = text.size();
    qint64 lines = 1;
    for (qsizetype at = 0; at < text.size(); at += kBlock) {
        const qsizetype end = std::min(text.size(), at + kBlock);
        quint32 extra = 0;
        quint32 breaks = 0;
        for (qsizetype i = at; i < end; ++i) {
            const char16_t u = units[i];
            // A second byte from U+0080, a third from U+0800; each half of a
            // pair takes two of its four bytes.
            extra += quint32(u >= 0x80) + quint32(u >= 0x800) - quint32((u & 0xF800) == 0xD800);
            breaks += quint32(u == u'\n') + quint32(u == u'\r');
        }
        bytes += extra;
        lines += breaks;
    }
    return MemoryForRows(bytes, lines);
}

void EnsureMemoryForText(Platform &platform, QStringView text)
{
    if (!MemoryIsThereFor(platform, MemoryForRows(3 * qint64(text.size()), qint64(text.size()) + 1)))
        EnsureMemoryFor(platform, MemoryForText(text));
}

void MemoryBudget::ensure(qint64 bytes)
{
    if (bytes <= trusted_) {
        trusted_ -= bytes;
        return;
    }
    const qint64 room = platform_.AvailableMemory();
    if (room < 0)
        return;
    const qint64 spare = room - kMemoryHeadroom;
    if (bytes > spare)
        throw OutOfMemory();
    // Others take memory meanwhile, this program's load among them.
    trusted_ = std::min((spare - bytes) / 2, kMostTrusted);
}

} // namespace Main
