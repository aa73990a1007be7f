#pragma once

#include <QStringView>

class Platform;

namespace Main {

// What the window keeps for itself: its boxes and repaints must never be what
// runs out.
constexpr qint64 kMemoryHeadroom = qint64(48) << 20;

// Throws OutOfMemory() (error 7) unless `bytes` more fit in what the system
// and the process's own limits leave (Platform::AvailableMemory), the headroom
// kept. A load, a paste, a run or a copy that will hold much more asks first:
// refused, it leaves the lists as they were, and the handler reports the
// error in its usual box.
void EnsureMemoryFor(Platform &platform, qint64 bytes);

// What a list takes for rows of this many bytes in all: the bytes and a
// locator each.
qint64 MemoryForRows(qint64 bytes, qint64 rows);

// What a list takes for a text added a row per line (a paste): its UTF-8
// bytes, and one row per line break and one more.
qint64 MemoryForText(QStringView text);

// EnsureMemoryFor(MemoryForText(text)), reading the text only where memory
// is too short for the most it could take (three bytes and a row a unit):
// counting 30 MB of text is a pass over all of it before the first row.
void EnsureMemoryForText(Platform &platform, QStringView text);

// The lists' check before they take more memory (TextColumn::MemoryCheck):
// asks the platform only now and then, trusting half of the room it last
// told and never more than 32 MiB, so that a list growing a chunk at a time
// costs no system call a chunk.
class MemoryBudget {
public:
    explicit MemoryBudget(Platform &platform) : platform_(platform) {}
    // Throws OutOfMemory() where EnsureMemoryFor would.
    void ensure(qint64 bytes);

private:
    Platform &platform_;
    qint64 trusted_ = 0;
};

} // namespace Main
