// The result list's exports when the outside world fails them: a disk that
// fills up under an existing file, names the system refuses, a clipboard that
// throws; and texts that only some export paths used to mangle (a leading
// byte-order mark, half a surrogate pair).
#include "core/shell/platform/CodePage.h"
#include "OrdinarySession.h"
#include "support/ThrowingClipboard.h"

#include "core/output/ListExport.h"
#include "core/output/ListFormats.h"
#include "support/ListFormatsInMemory.h"
#include "core/output/SaveTarget.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

QByteArray textFile(const QStringList &rows)
{
    QByteArray out;
    for (const QString &r : rows)
        out += r.toUtf8() + "\r\n";
    return out;
}

#ifdef Q_OS_UNIX
// Files of this process may not grow past `bytes` while it lives: the next
// best thing to a full disk that a test can arrange alone. A write past the
// limit then fails with EFBIG instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        ok_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    bool ok() const { return ok_; }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
    bool ok_ = false;
};
#endif

} // namespace

class TestFaultsOutput : public QObject {
    Q_OBJECT
private slots:
    // The disk fills up while a save replaces an existing file: one box at
    // the step that hit the limit, the old file exactly as it was, no
    // temporary file left behind.
    void diskFullUnderAnExistingFile_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("limit"); // bytes a file may hold
        QTest::addColumn<QString>("error"); // empty: the save fits
        const int textSize = int(textFile(numbered(10)).size());
        const int commaSize = int(numbered(10).join(QLatin1Char(',')).size());
        const QString text136 = errorBox("PushButton6_Click", "Device I/O error", 136);
        const QString comma122 = errorBox("PushButton7_Click", "Device I/O error", 122);
        // Few rows go out in one block with the last row; many go out block
        // by block while the rows are written. Either way the row fails.
        QTest::newRow("text: full at the last write") << 6 << 10 << 60 << text136;
        QTest::newRow("text: one byte short") << 6 << 10 << textSize - 1 << text136;
        QTest::newRow("text: fits exactly") << 6 << 10 << textSize << QString();
        QTest::newRow("text: full after blocks went out") << 6 << 100000 << 300000 << text136;
        QTest::newRow("comma: full at the last write") << 7 << 10 << 60 << comma122;
        QTest::newRow("comma: one byte short") << 7 << 10 << commaSize - 1 << comma122;
        QTest::newRow("comma: fits exactly") << 7 << 10 << commaSize << QString();
        QTest::newRow("comma: full after blocks went out") << 7 << 100000 << 300000 << comma122;
    }
    void diskFullUnderAnExistingFile()
    {
#ifdef Q_OS_UNIX
        QFETCH(int, button);
        QFETCH(int, rows);
        QFETCH(int, limit);
        QFETCH(QString, error);
        WindowFixture r;
        const QString target = r.path(QStringLiteral("results.txt"));
        const QByteArray old("previous results\r\n");
        QVERIFY(writeAll(target, old));
        const QStringList domains = numbered(rows);
        for (const QString &d : domains)
            r.w().results().add(d);
        r.p.boxes.clear();
        r.p.dialogAnswers = {target};
        r.p.msgAnswers = {Msg::Yes};
        {
            FileSizeLimit full{rlim_t(limit)};
            QVERIFY(full.ok());
            r.click(button);
        }
        QCOMPARE(r.p.boxes.size(), error.isEmpty() ? 1 : 2);
        QCOMPARE(r.p.boxes[0].prompt, Main::OverwriteQuestion(target));
        QCOMPARE(r.errorTexts(), error.isEmpty() ? QStringList() : QStringList{error});
        const QByteArray expected = button == 6 ? textFile(domains) : domains.join(QLatin1Char(',')).toUtf8();
        QCOMPARE(readAll(target), error.isEmpty() ? expected : old);
        QCOMPARE(r.files(), QStringList{QStringLiteral("results.txt")});
        QCOMPARE(r.w().MousePointer(), int(Form1::PointerArrow));
        QCOMPARE(r.w().results().count(), qsizetype(rows));
        ordinarySessionWorks(r);
#else
        QSKIP("the disk is filled by a POSIX file size limit");
#endif
    }

    // A file written in place that fails after the disk had room for it: the
    // error names the staged file, which holds every row.
    void inPlaceWriteFailsLate()
    {
#ifdef Q_OS_UNIX
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old.txt"));
        QVERIFY(writeAll(path, "old\r\n"));
        SaveTarget target;
        target.open(path, SaveTarget::Placement::InPlace);
        const QByteArray expected = textFile(numbered(20000));
        target.append(expected);
        target.writeRows();
        RuntimeError error(0, QString());
        {
            FileSizeLimit full{rlim_t(expected.size() / 2)};
            QVERIFY(full.ok());
            try {
                target.commit();
            } catch (const RuntimeError &e) {
                error = e;
            }
        }
        QCOMPARE(error.number(), ErrNo::DeviceIO);
        const QString kept = error.description().section(QStringLiteral(" kept in "), 1);
        QVERIFY2(QFileInfo(kept).isFile(), qPrintable(error.description()));
        QCOMPARE(readAll(kept), expected);
        QVERIFY(QFile::remove(kept));
#else
        QSKIP("the disk is filled by a POSIX file size limit");
#endif
    }

    // Names the system will not write: one box, no question, nothing created.
    void refusedName_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("error");
        const QString tooLong = QString(300, QLatin1Char('n')) + QStringLiteral(".txt");
        QTest::newRow("text: a name longer than the system allows")
            << 6 << tooLong << errorBox("PushButton6_Click", "Path/File access error", 130);
        QTest::newRow("comma: a name longer than the system allows")
            << 7 << tooLong << errorBox("PushButton7_Click", "Path/File access error", 122);
        QTest::newRow("text: a folder that is a file")
            << 6 << "plain.txt/out.txt" << errorBox("PushButton6_Click", "Path not found", 130);
        QTest::newRow("comma: a folder that is a file")
            << 7 << "plain.txt/out.txt" << errorBox("PushButton7_Click", "Path not found", 122);
    }
    void refusedName()
    {
        QFETCH(int, button);
        QFETCH(QString, name);
        QFETCH(QString, error);
        WindowFixture r;
        QVERIFY(writeAll(r.path(QStringLiteral("plain.txt")), "plain"));
        r.w().results().add(u"a.example");
        r.p.boxes.clear();
        r.p.dialogAnswers = {r.path(name)};
        r.click(button);
        QCOMPARE(r.p.boxTexts(), QStringList{error});
        QCOMPARE(r.files(), QStringList{QStringLiteral("plain.txt")});
        QCOMPARE(readAll(r.path(QStringLiteral("plain.txt"))), QByteArray("plain"));
        QCOMPARE(r.w().MousePointer(), int(Form1::PointerArrow));
        ordinarySessionWorks(r);
    }

    // A name that is a link: the file it leads to is written (created when the
    // link leads nowhere yet), and the link stays a link.
    void savedThroughALink_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("targetExists");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("text: link to a file") << 6 << true << QByteArray("a.example\r\nb.example\r\n");
        QTest::newRow("text: link that leads nowhere") << 6 << false << QByteArray("a.example\r\nb.example\r\n");
        QTest::newRow("comma: link to a file") << 7 << true << QByteArray("a.example,b.example");
        QTest::newRow("comma: link that leads nowhere") << 7 << false << QByteArray("a.example,b.example");
    }
    void savedThroughALink()
    {
#ifdef Q_OS_UNIX
        QFETCH(int, button);
        QFETCH(bool, targetExists);
        QFETCH(QByteArray, expected);
        WindowFixture r;
        const QString target = r.path(QStringLiteral("target.txt"));
        const QString link = r.path(QStringLiteral("link.txt"));
        if (targetExists)
            QVERIFY(writeAll(target, "old"));
        QVERIFY(QFile::link(target, link));
        r.w().results().add(u"a.example");
        r.w().results().add(u"b.example");
        r.p.boxes.clear();
        r.p.dialogAnswers = {link};
        r.click(button);
        QCOMPARE(r.p.boxTexts(), targetExists ? QStringList{Main::OverwriteQuestion(link)} : QStringList());
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readAll(target), expected);
        QCOMPARE(r.files(), (QStringList{QStringLiteral("link.txt"), QStringLiteral("target.txt")}));
#else
        QSKIP("links made by POSIX means only");
#endif
    }

    // A clipboard that throws counts each throw as one failed attempt: no
    // error box, at most 1000 attempts per operation, the confirmation all
    // the same.
    void throwingClipboard_data()
    {
        QTest::addColumn<int>("throws");
        QTest::addColumn<int>("clearAttempts");
        QTest::addColumn<int>("setAttempts");
        QTest::addColumn<bool>("copied");
        QTest::newRow("throws on every attempt") << 1000000 << 1000 << 1000 << false;
        QTest::newRow("throws a while, then works") << 1500 << 1000 << 501 << true;
        QTest::newRow("throws once") << 1 << 2 << 1 << true;
    }
    void throwingClipboard()
    {
        QFETCH(int, throws);
        QFETCH(int, clearAttempts);
        QFETCH(int, setAttempts);
        QFETCH(bool, copied);
        BasicWindowFixture<ThrowingClipboard> f;
        ThrowingClipboard &p = f.p;
        Form1 &w = f.w();
        w.results().add(u"a.example");
        p.clipboard = QStringLiteral("earlier");
        p.boxes.clear();
        p.throwsLeft = throws;
        w.button(5)->click();
        QCOMPARE(p.clipboardClearAttempts, clearAttempts);
        QCOMPARE(p.clipboardSetAttempts, setAttempts);
        QCOMPARE(p.boxes.size(), 1);
        QVERIFY(p.boxes[0].prompt.startsWith(QStringLiteral("Results have been copied to the clipboard.")));
        QCOMPARE(p.clipboard, copied ? std::optional<QString>(QStringLiteral("a.example\r\n"))
                                     : std::optional<QString>(QStringLiteral("earlier")));
        // The next copy, with the clipboard free again, works.
        p.throwsLeft = 0;
        w.results().add(u"b.example");
        w.button(5)->click();
        QCOMPARE(p.clipboard, std::optional<QString>(QStringLiteral("a.example\r\nb.example\r\n")));
    }

    // A domain that begins with a byte-order mark (the first line of a file
    // saved with one) reaches every export with it, counted in the column
    // width like any character; half a surrogate pair in a text cell is
    // written as U+FFFD, as the list's own storage keeps it.
    void markedTexts_data()
    {
        QTest::addColumn<QList<QStringList>>("rows"); // cells, column order
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QByteArray>("latin1");
        QTest::addColumn<QByteArray>("utf8");
        const QString bom = QStringLiteral("\uFEFF");
        QTest::newRow("one column, mark first") << QList<QStringList>{{bom + "ab.example"}, {"c.example"}}
                                                << bom + "ab.example\r\nc.example\r\n"
                                                << QByteArray("?ab.example,c.example")
                                                << QByteArray("\xEF\xBB\xBF" "ab.example,c.example");
        QTest::newRow("two columns, mark widens the first")
            << QList<QStringList>{{bom + "ab", "1"}, {"abc", "2"}} << bom + "ab\t1\r\nabc\t2\r\n"
            << QByteArray("?ab,1\r\nabc,2\r\n") << QByteArray("\xEF\xBB\xBF" "ab,1\r\nabc,2\r\n");
        QTest::newRow("mark alone") << QList<QStringList>{{bom}} << bom + "\r\n" << QByteArray("?")
                                    << QByteArray("\xEF\xBB\xBF");
        QTest::newRow("half a pair in a sub-item")
            << QList<QStringList>{{"a", QStringLiteral("x") + QChar(0xD800)}}
            << QStringLiteral("a\tx\uFFFD\r\n") // the clipboard takes UTF-8, as the file does
            << QByteArray("a,x?\r\n") << QByteArray("a,x\xEF\xBF\xBD\r\n");
    }
    void markedTexts()
    {
        QFETCH(QList<QStringList>, rows);
        QFETCH(QString, clipboard);
        QFETCH(QByteArray, latin1);
        QFETCH(QByteArray, utf8);
        ScriptedPlatform p;
        ListModel list;
        list.addColumnHeader(QStringLiteral("T"));
        if (rows.first().size() > 1)
            list.addColumnHeader(QStringLiteral("U"));
        for (const QStringList &cells : rows) {
            list.add(cells.first());
            for (qsizetype k = 1; k < cells.size(); ++k)
                list.setSubItem(list.count(), int(k), cells[k]);
        }
        Main::CopyListToClipboard(p, list);
        QCOMPARE(p.clipboard, std::optional<QString>(clipboard));

        ListFormats::TableData table;
        table.titles = list.columnHeaderCount() > 1 ? QStringList{"T", "U"} : QStringList{"T"};
        for (qsizetype i = 1; i <= list.count(); ++i) {
            QStringList cells{list.text(i)};
            for (int k = 1; k < list.columnHeaderCount(); ++k)
                cells << list.subItem(i, k);
            table.rows << cells;
        }
        const QByteArray header = list.columnHeaderCount() > 1 ? QByteArray("T,U,\r\n") : QByteArray();
        QCOMPARE(ListFormats::CommaDelimitedBytes(table, QStringConverter::Latin1), header + latin1);
        QCOMPARE(ListFormats::CommaDelimitedBytes(table, QStringConverter::Utf8), header + utf8);

        // The file the comma-delimited save writes, through the list's storage.
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("out.csv"));
        Main::SaveListCommaDelimited(p, list, file);
        if (SystemCodePageIsUtf8())
            QCOMPARE(readAll(file), header + utf8);
    }

    // The whole way through the window: a file saved with a byte-order mark
    // is loaded, extracted and copied; the mark is no part of the first domain.
    void markThroughTheWindow()
    {
        WindowFixture r;
        const QString list = r.path(QStringLiteral("marked.txt"));
        QVERIFY(writeAll(list, "\xEF\xBB\xBFwww.marked.example\r\nb@c.example\r\n"));
        r.p.dialogAnswers = {list};
        r.click(4);
        r.click(2);
        r.click(5);
        QCOMPARE(r.p.clipboard, std::optional<QString>(QStringLiteral("marked.example\r\nc.example\r\n")));
        ordinarySessionWorks(r);
    }
};

QTEST_MAIN(TestFaultsOutput)
#include "test_faults_output.moc"
