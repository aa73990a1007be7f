#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

// How much memory this process may still take, as the system and the
// process's own limits allow. A list or a clipboard text that needs more is
// better refused than begun: past an address-space limit (or Windows' commit
// limit) allocations fail half way, and past a cgroup's memory.max the kernel
// kills the program without a word.
namespace SystemMemory {

// Bytes, the least of what each of these leaves:
// - Linux: the system's available memory (MemAvailable; in strict overcommit
//   also CommitLimit - Committed_AS), the process's cgroup and each cgroup
//   above it (v2 memory.max - memory.current, v1 the hierarchical limit -
//   usage; inactive file cache counts as room, the kernel reclaims it first), the
//   address-space limit (RLIMIT_AS) and the data limit (RLIMIT_DATA) against
//   the process's size;
// - Windows: the commit limit's room (what the page file and memory can
//   still back) and the free address space.
// -1 when the system tells nothing.
qint64 Available();

// The pieces, each from the text of the files it reads; -1 where they tell
// nothing. Bytes.
qint64 FromMeminfo(QByteArrayView meminfo, bool strictOvercommit);
// `cgroups` is /proc/self/cgroup, `mounts` /proc/self/mountinfo; `read`
// gives a file's text, empty when it cannot be read.
qint64 FromCgroups(QByteArrayView cgroups, QByteArrayView mounts, const std::function<QByteArray(const QString &)> &read);
// A limit (RLIM_INFINITY as -1) against what the process holds.
qint64 FromLimit(qint64 limit, qint64 held);

// The least of two amounts, -1 being "nothing told".
inline qint64 Least(qint64 a, qint64 b)
{
    if (a < 0)
        return b;
    if (b < 0)
        return a;
    return a < b ? a : b;
}

} // namespace SystemMemory
