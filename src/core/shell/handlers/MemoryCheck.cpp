#include "core/shell/handlers/MemoryCheck.h"

#include "core/shell/platform/Platform.h"
#include "core/shell/platform/RuntimeError.h"

#include <algorithm>

namespace Main {

namespace {

// What the lists may take between two questions, at most.
constexpr qint64 kMostTrusted = qint64(32) << 20;

} // namespace

void EnsureMemoryFor(Platform &platform, qint64 bytes)
{
    const qint64 room = platform.AvailableMemory();
    if (room >= 0 && bytes > room - kMemoryHeadroom)
        throw OutOfMemory();
}

qint64 MemoryForRows(qint64 bytes, qint64 rows)
{
    // Rounding up to whole large pages is left to the headroom.
    return bytes + rows * qint64(sizeof(quint64));
}

qint64 MemoryForText(QStringView text)
{
    qint64 bytes = 0;
    qint64 lines = 1;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        // Each half of a pair takes two of its four bytes.
        bytes += u < 0x80 ? 1 : u < 0x800 || c.isSurrogate() ? 2 : 3;
        lines += u == u'\n' || u == u'\r';
    }
    return MemoryForRows(bytes, lines);
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
