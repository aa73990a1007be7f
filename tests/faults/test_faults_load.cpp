// "Load Emails From Text File" against files that change between the dialog
// and the read, a 100 MB line and binary files: each failing file gives at
// most one box, the others still load, nothing hangs, and an ordinary session
// works afterwards.
#include "OrdinarySession.h"

#include "core/shell/platform/CodePage.h"

#include "support/LoadSupport.h"

#include <QRandomGenerator>

namespace {

// Each line's bytes, cut by the plain rule: CR LF, CR or LF end a line; after a
// final CR LF or CR nothing follows, after a final LF one empty line does.
QByteArrayList linesOf(const QByteArray &bytes)
{
    QByteArrayList lines;
    QByteArray line;
    bool open = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines << line;
            line.clear();
            open = c == '\n';
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            line += c;
            open = true;
        }
    }
    if (open)
        lines << line;
    return lines;
}

QByteArray randomBytes(qsizetype n, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray out(n, Qt::Uninitialized);
    for (char &c : out)
        c = char(random.bounded(256));
    return out;
}

} // namespace

class TestFaultsLoad : public QObject {
    Q_OBJECT
private slots:
    // The user picks files; before the program reads them, they go away or
    // become something that is no file.
    void changedAfterTheDialog_data()
    {
        QTest::addColumn<QString>("answer");  // names relative to the folder, joined with NUL for several
        QTest::addColumn<QString>("victim");  // the name that changes
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("boxes");
        const QString notFound = QStringLiteral("File not found");
        const QString access118 = errorBox("PushButton4_Click", "Path/File access error", 118);
        const QString access132 = errorBox("PushButton4_Click", "Path/File access error", 132);
        const QString both = QStringLiteral("<folder>") + QChar(0) + QStringLiteral("a.txt") + QChar(0)
            + QStringLiteral("b.txt");

        QTest::newRow("removed") << "a.txt" << "a.txt" << "remove" << QStringList() << QStringList{notFound};
        QTest::newRow("emptied") << "a.txt" << "a.txt" << "empty" << QStringList() << QStringList();
        QTest::newRow("replaced by a folder") << "a.txt" << "a.txt" << "folder" << QStringList()
                                              << QStringList{access118};
#ifdef Q_OS_UNIX
        QTest::newRow("replaced by a named pipe") << "a.txt" << "a.txt" << "pipe" << QStringList()
                                                  << QStringList{access118};
        QTest::newRow("replaced by a dangling link") << "a.txt" << "a.txt" << "dangling" << QStringList()
                                                     << QStringList{notFound};
        QTest::newRow("replaced by a link to itself") << "a.txt" << "a.txt" << "loop" << QStringList()
                                                      << QStringList{notFound};
#endif
        QTest::newRow("second of two removed") << both << "b.txt" << "remove" << QStringList{"a1", "a2"}
                                               << QStringList{notFound};
        QTest::newRow("first of two replaced by a folder") << both << "a.txt" << "folder" << QStringList{"b1"}
                                                           << QStringList{access132};
        QTest::newRow("the folder of two removed") << both << "" << "remove folder" << QStringList()
                                                   << QStringList{notFound, notFound};
    }
    void changedAfterTheDialog()
    {
        QFETCH(QString, answer);
        QFETCH(QString, victim);
        QFETCH(QString, change);
        QFETCH(QStringList, entries);
        QFETCH(QStringList, boxes);
        WindowFixture r;
        QVERIFY(r.dir.isValid());
        const QDir folder(r.dir.path());
        QVERIFY(folder.mkdir(QStringLiteral("picked")));
        const QString picked = r.path(QStringLiteral("picked"));
        QVERIFY(writeAll(picked + QStringLiteral("/a.txt"), "a1\r\na2\r\n"));
        QVERIFY(writeAll(picked + QStringLiteral("/b.txt"), "b1\r\n"));
        if (answer.contains(QChar(0)))
            answer.replace(QStringLiteral("<folder>"), picked);
        else
            answer = picked + QLatin1Char('/') + answer;
        const QString target = picked + QLatin1Char('/') + victim;

#ifdef Q_OS_UNIX
        // Watched only once it is a pipe: a regular file opens for writing anyway.
        std::unique_ptr<PipeWatch> watch;
#endif
        r.p.afterDialog = [&] {
            if (change == QLatin1String("remove folder")) {
                QVERIFY(QDir(picked).removeRecursively());
                return;
            }
            QVERIFY(QFile::remove(target));
            if (change == QLatin1String("empty"))
                QVERIFY(writeAll(target, QByteArray()));
            else if (change == QLatin1String("folder"))
                QVERIFY(QDir(picked).mkdir(victim));
#ifdef Q_OS_UNIX
            else if (change == QLatin1String("pipe")) {
                QVERIFY(makeFifo(target));
                watch = std::make_unique<PipeWatch>(target);
            }
            else if (change == QLatin1String("dangling"))
                QVERIFY(QFile::link(picked + QStringLiteral("/gone.txt"), target));
            else if (change == QLatin1String("loop"))
                QVERIFY(QFile::link(target, target));
#endif
        };
        r.p.boxes.clear();
        r.p.dialogAnswers = {answer};
        r.w().setMousePointer(Form1::PointerCustom);
        r.click(4);
#ifdef Q_OS_UNIX
        if (watch) {
            QVERIFY2(!watch->readerBlocked(), "the load waited on a named pipe");
            watch.reset();
        }
#endif
        r.p.afterDialog = nullptr;
        QStringList texts;
        for (qsizetype i = 1; i <= r.w().entries().count(); ++i)
            texts << r.w().entries().text(i);
        QCOMPARE(texts, entries);
        QCOMPARE(r.p.boxTexts(), boxes);
        QCOMPARE(r.w().MousePointer(), int(Form1::PointerDefault));
        ordinarySessionWorks(r);
    }

    // Files no one would pick on purpose: a single line of 100 MB, and bytes
    // that are no text at all. Every line arrives whole and exact.
    void oddContent_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("100 MB line without a line end") << "long";
        QTest::newRow("100 MB line ended by CR LF") << "long CR LF";
        QTest::newRow("100 MB line ended by LF") << "long LF";
        QTest::newRow("a picture's header") << "png";
        QTest::newRow("every byte value once") << "bytes";
        QTest::newRow("1 MiB of random bytes") << "random";
        QTest::newRow("NULs only") << "nuls";
    }
    void oddContent()
    {
        QFETCH(QString, kind);
        constexpr qsizetype kLong = 100 * 1000 * 1000;
        QByteArray bytes;
        if (kind.startsWith(QLatin1String("long"))) {
            bytes = "first@" + QByteArray(kLong, 'a');
            bytes += kind.endsWith(QLatin1String("CR LF")) ? "\r\n" : kind.endsWith(QLatin1String("LF")) ? "\n" : "";
        } else if (kind == QLatin1String("png")) {
            bytes = QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
        } else if (kind == QLatin1String("bytes")) {
            for (int b = 0; b < 256; ++b)
                bytes += char(b);
        } else if (kind == QLatin1String("random")) {
            bytes = randomBytes(1 << 20, 20211);
        } else {
            bytes = QByteArray(5000, '\0');
        }
        const QByteArrayList lines = linesOf(bytes);

        WindowFixture r;
        const QString file = r.path(QStringLiteral("odd.txt"));
        QVERIFY(writeAll(file, bytes));
        r.p.boxes.clear();
        r.p.dialogAnswers = {file};
        r.click(4);
        QVERIFY(r.p.boxes.isEmpty());
        const ListModel &entries = r.w().entries();
        QCOMPARE(entries.count(), lines.size());
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QByteArrayView stored = entries.textBytes(i + 1);
            // Every line is kept byte for byte: valid text as UTF-8, the rest
            // as a raw entry of its own bytes.
            QVERIFY(entries.isRaw(i + 1) || stored.isValidUtf8());
            if (!SystemCodePageIsUtf8())
                continue;
            QCOMPARE(entries.isRaw(i + 1), !lines[i].isValidUtf8());
            if (stored != QByteArrayView(lines[i]))
                QFAIL(qPrintable(QStringLiteral("line %1 changed").arg(i + 1)));
        }

        // Extraction takes every entry, the long one too.
        r.click(2);
        QCOMPARE(r.w().results().count(), lines.size());
        if (kind.startsWith(QLatin1String("long")))
            QVERIFY(r.w().results().textBytes(1) == QByteArrayView(QByteArray(kLong, 'a')));
        bytes.clear();
        ordinarySessionWorks(r);
    }
};

QTEST_MAIN(TestFaultsLoad)
#include "test_faults_load.moc"
