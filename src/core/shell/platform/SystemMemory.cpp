#include "core/shell/platform/SystemMemory.h"

#include <QList>

#include <algorithm>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace SystemMemory {

namespace {

// A limit this high is no limit: cgroup v1 writes "unlimited" as 2^63 less a page.
constexpr qint64 kNoLimit = qint64(1) << 62;

// The number after `key` at the start of a line ("MemAvailable:", "file "),
// -1 when no line has it.
qint64 field(QByteArrayView text, QByteArrayView key)
{
    for (qsizetype from = 0; from < text.size();) {
        qsizetype end = text.indexOf('\n', from);
        if (end < 0)
            end = text.size();
        const QByteArrayView line = text.sliced(from, end - from);
        if (line.startsWith(key)) {
            bool ok = false;
            QByteArrayView rest = line.sliced(key.size()).trimmed();
            const qsizetype blank = rest.indexOf(' ');
            const qint64 value = (blank < 0 ? rest : rest.first(blank)).toLongLong(&ok);
            if (ok)
                return value;
        }
        from = end + 1;
    }
    return -1;
}

qint64 number(const QByteArray &text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    return ok ? value : -1;
}

// What a cgroup's limit leaves. The file cache the kernel would reclaim
// first, the inactive part (files read or written once), counts as room; the
// active part holds the program's own code among others, and a program whose
// code is reclaimed crawls.
qint64 room(qint64 limit, qint64 usage, qint64 inactiveFile)
{
    if (limit < 0 || limit >= kNoLimit || usage < 0)
        return -1;
    return std::max<qint64>(limit - std::max<qint64>(usage - std::max<qint64>(inactiveFile, 0), 0), 0);
}

struct Mount {
    QByteArray root;  // the part of the hierarchy mounted there
    QString point;
};

// The mount of the cgroup2 hierarchy, or of the v1 one holding the memory
// controller: "id parent dev root point options - type source superoptions".
Mount findMount(QByteArrayView mounts, bool v2)
{
    for (const QByteArray &line : QByteArray(mounts.data(), mounts.size()).split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        const qsizetype dash = f.indexOf("-");
        if (dash < 5 || dash + 3 >= f.size())
            continue;
        const bool wanted = v2 ? f[dash + 1] == "cgroup2"
                               : f[dash + 1] == "cgroup" && f[dash + 3].split(',').contains("memory");
        if (wanted)
            return {f[3], QString::fromUtf8(f[4])};
    }
    return {};
}

// The folder of a cgroup whose path /proc/self/cgroup gives.
QString folderOf(const Mount &mount, QByteArray path)
{
    if (mount.root != "/" && path.startsWith(mount.root))
        path = path.mid(mount.root.size());
    QString folder = mount.point + QString::fromUtf8(path);
    while (folder.endsWith(QLatin1Char('/')) && folder.size() > mount.point.size())
        folder.chop(1);
    return folder;
}

} // namespace

qint64 FromMeminfo(QByteArrayView meminfo, bool strictOvercommit)
{
    const qint64 available = field(meminfo, "MemAvailable:");
    qint64 least = available < 0 ? -1 : available * 1024;
    if (strictOvercommit) {
        const qint64 limit = field(meminfo, "CommitLimit:");
        const qint64 committed = field(meminfo, "Committed_AS:");
        if (limit >= 0 && committed >= 0)
            least = Least(least, std::max<qint64>(limit - committed, 0) * 1024);
    }
    return least;
}

qint64 FromCgroups(QByteArrayView cgroups, QByteArrayView mounts, const std::function<QByteArray(const QString &)> &read)
{
    qint64 least = -1;
    for (const QByteArray &line : QByteArray(cgroups.data(), cgroups.size()).split('\n')) {
        // "0::/path" for the unified hierarchy, "4:memory:/path" for v1.
        const qsizetype a = line.indexOf(':');
        const qsizetype b = a < 0 ? -1 : line.indexOf(':', a + 1);
        if (b < 0)
            continue;
        const QByteArray controllers = line.mid(a + 1, b - a - 1);
        const QByteArray path = line.mid(b + 1);
        if (line.left(a) == "0" && controllers.isEmpty()) {
            const Mount mount = findMount(mounts, true);
            if (mount.point.isEmpty())
                continue;
            // Every cgroup from the process's own up to the top can hold it back.
            for (QString folder = folderOf(mount, path);; folder.truncate(folder.lastIndexOf(QLatin1Char('/')))) {
                const QByteArray max = read(folder + QStringLiteral("/memory.max")).trimmed();
                if (!max.isEmpty() && max != "max") {
                    const QByteArray stat = read(folder + QStringLiteral("/memory.stat"));
                    least = Least(least, room(number(max), number(read(folder + QStringLiteral("/memory.current"))),
                                              field(stat, "inactive_file ")));
                }
                if (folder.size() <= mount.point.size())
                    break;
            }
        } else if (controllers.split(',').contains("memory")) {
            const Mount mount = findMount(mounts, false);
            if (mount.point.isEmpty())
                continue;
            // v1 states the limit in force from all the cgroups above.
            const QString folder = folderOf(mount, path);
            const QByteArray stat = read(folder + QStringLiteral("/memory.stat"));
            least = Least(least, room(field(stat, "hierarchical_memory_limit "),
                                      number(read(folder + QStringLiteral("/memory.usage_in_bytes"))),
                                      field(stat, "total_inactive_file ")));
        }
    }
    return least;
}

qint64 FromLimit(qint64 limit, qint64 held)
{
    if (limit < 0 || held < 0)
        return -1;
    return std::max<qint64>(limit - held, 0);
}

#ifdef Q_OS_WIN

qint64 Available()
{
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status))
        return -1;
    // The page file figure is the commit limit less what is committed.
    return Least(qint64(std::min<DWORDLONG>(status.ullAvailPageFile, DWORDLONG(kNoLimit))),
                 qint64(std::min<DWORDLONG>(status.ullAvailVirtual, DWORDLONG(kNoLimit))));
}

#else

namespace {

// The whole of a small system file (their sizes read as 0).
QByteArray readSmall(const QString &path)
{
    QByteArray text;
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return text;
    char block[4096];
    for (ssize_t got; text.size() < (1 << 20) && (got = ::read(fd, block, sizeof block)) > 0;)
        text.append(block, qsizetype(got));
    ::close(fd);
    return text;
}

qint64 limitOf(int resource)
{
    rlimit limit = {};
    if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return -1;
    return qint64(std::min<rlim_t>(limit.rlim_cur, rlim_t(kNoLimit)));
}

} // namespace

qint64 Available()
{
    qint64 least = FromMeminfo(readSmall(QStringLiteral("/proc/meminfo")),
                               readSmall(QStringLiteral("/proc/sys/vm/overcommit_memory")).trimmed() == "2");
    least = Least(least, FromCgroups(readSmall(QStringLiteral("/proc/self/cgroup")),
                                     readSmall(QStringLiteral("/proc/self/mountinfo")), readSmall));
    const qint64 as = limitOf(RLIMIT_AS);
    const qint64 data = limitOf(RLIMIT_DATA);
    if (as >= 0 || data >= 0) {
        // statm: size, resident, shared, text, lib, data (and stack), in pages.
        const QList<QByteArray> statm = readSmall(QStringLiteral("/proc/self/statm")).split(' ');
        const qint64 page = sysconf(_SC_PAGESIZE);
        const auto pages = [&](int i) { return statm.size() > i ? number(statm[i]) * page : qint64(-1); };
        least = Least(least, FromLimit(as, pages(0)));
        least = Least(least, FromLimit(data, pages(5)));
    }
    return least;
}

#endif

} // namespace SystemMemory
