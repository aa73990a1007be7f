#include "core/shell/controls/TextColumn.h"
#include "core/shell/handlers/MemoryCheck.h"
#include "core/shell/platform/SystemMemory.h"
#include "support/ScriptedPlatform.h"

#include <QHash>
#include <QTest>

using Files = QHash<QString, QByteArray>;
Q_DECLARE_METATYPE(Files)

namespace {

const char *const kMounts =
    "31 23 0:28 / /sys/fs/cgroup rw,relatime - tmpfs tmpfs rw,mode=755\n"
    "35 31 0:32 / /sys/fs/cgroup/memory rw,relatime - cgroup cgroup rw,memory\n"
    "36 31 0:33 / /sys/fs/cgroup/cpu rw,relatime - cgroup cgroup rw,cpu\n"
    "41 31 0:38 / /sys/fs/cgroup/unified rw,relatime - cgroup2 cgroup2 rw\n";

const qint64 kMiB = qint64(1) << 20;

} // namespace

class TestSystemMemory : public QObject {
    Q_OBJECT
private slots:
    // The room a cgroup leaves: its limit less what it uses, inactive file
    // cache counted as room (the active part holds the program's own code); every cgroup above the process's own counts on the
    // unified hierarchy, the stated hierarchical limit on v1.
    void cgroups_data()
    {
        QTest::addColumn<QByteArray>("cgroups");
        QTest::addColumn<Files>("files");
        QTest::addColumn<qint64>("room");
        const QString v2 = QStringLiteral("/sys/fs/cgroup/unified/user/app");
        QTest::newRow("v2 limit") << QByteArray("0::/user/app\n")
                                  << Files{{v2 + "/memory.max", "104857600\n"},
                                           {v2 + "/memory.current", "41943040\n"},
                                           {v2 + "/memory.stat", "anon 30000000\nactive_file 1048576\ninactive_file 2097152\n"}}
                                  << 60 * kMiB + 2 * kMiB;
        QTest::newRow("v2 no limit anywhere") << QByteArray("0::/user/app\n")
                                              << Files{{v2 + "/memory.max", "max\n"},
                                                       {v2 + "/memory.current", "41943040\n"},
                                                       {"/sys/fs/cgroup/unified/user/memory.max", "max\n"}}
                                              << qint64(-1);
        QTest::newRow("v2 a lower limit above") << QByteArray("0::/user/app\n")
                                                << Files{{v2 + "/memory.max", "max\n"},
                                                         {"/sys/fs/cgroup/unified/user/memory.max", "52428800"},
                                                         {"/sys/fs/cgroup/unified/user/memory.current", "31457280"}}
                                                << 20 * kMiB;
        QTest::newRow("v2 over its limit") << QByteArray("0::/user/app\n")
                                           << Files{{v2 + "/memory.max", "10485760"}, {v2 + "/memory.current", "20971520"}}
                                           << qint64(0);
        const QString v1 = QStringLiteral("/sys/fs/cgroup/memory/process_api/x");
        QTest::newRow("v1 limit") << QByteArray("5:memory:/process_api/x\n4:cpu:/\n0::/\n")
                                  << Files{{v1 + "/memory.usage_in_bytes", "209715200\n"},
                                           {v1 + "/memory.stat", "cache 1\nhierarchical_memory_limit 314572800\n"
                                                                 "total_active_file 1048576\ntotal_inactive_file 52428800\n"}}
                                  << 150 * kMiB;
        QTest::newRow("v1 unlimited") << QByteArray("5:memory:/process_api/x\n")
                                      << Files{{v1 + "/memory.usage_in_bytes", "209715200\n"},
                                               {v1 + "/memory.stat", "hierarchical_memory_limit 9223372036854771712\n"}}
                                      << qint64(-1);
        QTest::newRow("v1 among other controllers") << QByteArray("5:cpu,memory:/process_api/x\n")
                                                    << Files{{v1 + "/memory.usage_in_bytes", "0"},
                                                             {v1 + "/memory.stat", "hierarchical_memory_limit 1048576\n"}}
                                                    << kMiB;
        QTest::newRow("files that cannot be read") << QByteArray("0::/user/app\n5:memory:/process_api/x\n") << Files{}
                                                   << qint64(-1);
    }
    void cgroups()
    {
        QFETCH(QByteArray, cgroups);
        QFETCH(Files, files);
        QFETCH(qint64, room);
        QCOMPARE(SystemMemory::FromCgroups(cgroups, kMounts, [&](const QString &path) { return files.value(path); }),
                 room);
    }

    // The system's available memory, and in strict overcommit what may still
    // be committed, whichever is less.
    void meminfo_data()
    {
        QTest::addColumn<QByteArray>("meminfo");
        QTest::addColumn<bool>("strict");
        QTest::addColumn<qint64>("room");
        const QByteArray info = "MemTotal:       24000000 kB\nMemFree:          100000 kB\n"
                                "MemAvailable:    2048000 kB\nCommitLimit:     1024000 kB\nCommitted_AS:     512000 kB\n";
        QTest::newRow("available") << info << false << qint64(2048000) * 1024;
        QTest::newRow("strict overcommit") << info << true << qint64(512000) * 1024;
        QTest::newRow("an old kernel without MemAvailable") << QByteArray("MemTotal: 1 kB\n") << false << qint64(-1);
    }
    void meminfo()
    {
        QFETCH(QByteArray, meminfo);
        QFETCH(bool, strict);
        QFETCH(qint64, room);
        QCOMPARE(SystemMemory::FromMeminfo(meminfo, strict), room);
    }

    // What a text added a row per line will take is never less than what its
    // rows take stored: their UTF-8 bytes and a locator each.
    void textEstimate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("lines of addresses") << QStringLiteral("a@b.example\r\nc@d.example\nwww.e.example\r");
        QTest::newRow("one line") << QStringLiteral("a@b.example");
        QTest::newRow("empty lines") << QStringLiteral("\n\n\r\n\r");
        QTest::newRow("two- and three-byte letters") << QStringLiteral(u"j\u00F6ran@b\u00FCcher.example\n\u4F8B.jp");
        QTest::newRow("four-byte letters") << QStringLiteral(u"\U0001F600@\U0001F601.example");
        QTest::newRow("nothing") << QString();
        QTest::newRow("a pair across two blocks of counting")
            << QString(65535, u'x') + QStringLiteral(u"\U0001F600\r\n") + QString(70000, QChar(0x4F8B));
    }
    void textEstimate()
    {
        QFETCH(QString, text);
        TextColumn rows;
        QString line;
        for (const QChar c : text) {
            if (c == u'\n' || c == u'\r') {
                rows.append(QStringView(line));
                line.clear();
            } else {
                line += c;
            }
        }
        rows.append(QStringView(line));
        const qint64 stored = rows.usedBytes() + rows.size() * qint64(sizeof(quint64));
        QVERIFY(Main::MemoryForText(text) >= stored);
        QVERIFY(Main::MemoryForText(text) <= stored + text.size()); // the line breaks, at most
    }

    // A paste's check reads its text only where the most it could take does
    // not fit; what it really takes decides.
    void textCheck_data()
    {
        const QString text = QStringLiteral(u"ann@alpha.example\r\nj\u00F6ran@b\u00FCcher.example\n\U0001F600.example");
        const qint64 needs = Main::MemoryForText(text);
        const qint64 most = Main::MemoryForRows(3 * text.size(), text.size() + 1);
        QVERIFY(needs < most);
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("room"); // past the headroom; -1: the system tells nothing
        QTest::addColumn<bool>("refused");
        QTest::newRow("the system tells nothing") << text << qint64(-1) << false;
        QTest::newRow("room for the most") << text << most << false;
        QTest::newRow("room for what it needs only") << text << needs << false;
        QTest::newRow("a byte short") << text << needs - 1 << true;
    }
    void textCheck()
    {
        QFETCH(QString, text);
        QFETCH(qint64, room);
        QFETCH(bool, refused);
        ScriptedPlatform p;
        p.availableMemory = room < 0 ? room : room + Main::kMemoryHeadroom;
        int error = 0;
        try {
            Main::EnsureMemoryForText(p, text);
        } catch (const RuntimeError &e) {
            error = e.number();
        }
        QCOMPARE(error, refused ? 7 : 0);
    }

    // The system answers for the running process, on Linux and Windows alike.
    void thisProcess() { QVERIFY(SystemMemory::Available() > 0); }
};

QTEST_GUILESS_MAIN(TestSystemMemory)
#include "test_system_memory.moc"
