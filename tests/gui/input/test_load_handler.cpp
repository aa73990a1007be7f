// "Load Emails From Text File" through the real window, with the dialog
// answered by the scripted platform.
#include "core/shell/handlers/MemoryCheck.h"
#include "core/shell/platform/RuntimeError.h"
#include "support/WindowFixture.h"
#include "support/LoadSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString kCancel = QStringLiteral("<cancel>");
const QString kTooMany = QStringLiteral("You've selected too many files to add.\r\r"
                                        "Please try adding via the \"Add All\" button.");

QString joined(const QStringList &pieces)
{
    return pieces.join(QChar(0));
}

} // namespace

class TestLoadHandler : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        QVERIFY(writeAll(file("abc.txt"), "a\r\nb\r\nc\r\n"));
        QVERIFY(writeAll(file("lf.txt"), "x\ny\n"));
        QVERIFY(writeAll(file("empty.txt"), ""));
        QVERIFY(writeAll(file("spaced name.txt"), " s \r\n"));
        QVERIFY(QDir(dir_.path()).mkdir(QStringLiteral("sub")));
        QVERIFY(writeAll(file("big.txt"), QByteArray("someone@somewhere.example\r\n").repeated(40000))); // 1.1 MB
#ifdef Q_OS_UNIX
        QVERIFY(makeFifo(file("pipe")));
#endif
    }

    void init() { window_ = std::make_unique<WindowFixture>(); }
    void cleanup() { window_.reset(); }

    void load_data()
    {
        QTest::addColumn<QStringList>("answers"); // one per click
        QTest::addColumn<QStringList>("entries"); // after "before"
        QTest::addColumn<QStringList>("boxes");

        const QString d = folder();
        const QString abc = file("abc.txt");
        const QStringList abcLines{"a", "b", "c"};
        const QStringList lfLines{"x", "y", ""};

        QTest::newRow("cancel") << QStringList{kCancel} << QStringList() << QStringList();
        QTest::newRow("cancel after a load does not load again")
            << QStringList{abc, kCancel} << abcLines << QStringList();
        QTest::newRow("one file") << QStringList{abc} << abcLines << QStringList();
        QTest::newRow("one file, LF ends") << QStringList{file("lf.txt")} << lfLines << QStringList();
        QTest::newRow("two files") << QStringList{joined({d, "abc.txt", "lf.txt"})} << abcLines + lfLines
                                   << QStringList();
        QTest::newRow("two files in the dialog's order") << QStringList{joined({d, "lf.txt", "abc.txt"})}
                                                         << lfLines + abcLines << QStringList();
        QTest::newRow("same file twice in one pick") << QStringList{joined({d, "abc.txt", "abc.txt"})}
                                                     << abcLines + abcLines << QStringList();
        QTest::newRow("same file in two clicks") << QStringList{abc, abc} << abcLines + abcLines << QStringList();
        QTest::newRow("empty file adds nothing") << QStringList{joined({d, "empty.txt", "abc.txt"})} << abcLines
                                                 << QStringList();
        QTest::newRow("spaces in name and line") << QStringList{joined({d, "spaced name.txt", "abc.txt"})}
                                                 << QStringList{" s "} + abcLines << QStringList();
        QTest::newRow("folder with a trailing separator") << QStringList{joined({d + QDir::separator(), "abc.txt"})}
                                                          << abcLines << QStringList();
        QTest::newRow("missing among existing") << QStringList{joined({d, "abc.txt", "nosuch.txt", "lf.txt"})}
                                                << abcLines + lfLines << QStringList{"File not found"};
        QTest::newRow("missing alone") << QStringList{file("nosuch.txt")} << QStringList()
                                       << QStringList{"File not found"};
        QTest::newRow("all missing") << QStringList{joined({d, "n1.txt", "n2.txt"})} << QStringList()
                                     << QStringList{"File not found", "File not found"};
        QTest::newRow("folder among files") << QStringList{joined({d, "abc.txt", "sub", "lf.txt"})}
                                            << abcLines + lfLines
                                            << QStringList{errorBox(4, "Path/File access error", 132)};
        QTest::newRow("folder alone") << QStringList{file("sub")} << QStringList()
                                      << QStringList{errorBox(4, "Path/File access error", 118)};
        QTest::newRow("empty name after the folder") << QStringList{joined({d, "abc.txt", ""})} << abcLines
                                                     << QStringList{errorBox(4, "Path/File access error", 132)};
#ifdef Q_OS_UNIX
        QTest::newRow("named pipe among files") << QStringList{joined({d, "pipe", "abc.txt"})} << abcLines
                                                << QStringList{errorBox(4, "Path/File access error", 132)};
        QTest::newRow("named pipe alone") << QStringList{file("pipe")} << QStringList()
                                          << QStringList{errorBox(4, "Path/File access error", 118)};
#endif
#ifdef Q_OS_LINUX
        QTest::newRow("failed read, then the next load")
            << QStringList{QStringLiteral("/proc/self/mem"), abc} << abcLines
            << QStringList{errorBox(4, "Device I/O error", 118)};
#endif
    }

    void load()
    {
        QFETCH(QStringList, answers);
        QFETCH(QStringList, entries);
        QFETCH(QStringList, boxes);
        for (const QString &a : answers)
            window_->p.dialogAnswers.append(a == kCancel ? std::nullopt : std::optional<QString>(a));
        window_->w().entries().add(u"before");
        // The user clicked a button, so the pointer shows the hand.
        window_->w().setMousePointer(Form1::PointerCustom);
        QList<int> pointerAtBox;
        window_->p.onBox = [&](const ScriptedPlatform::Box &) { pointerAtBox << window_->w().MousePointer(); };

        {
#ifdef Q_OS_UNIX
            PipeWatch watch(file("pipe"));
#endif
            for (qsizetype i = 0; i < answers.size(); ++i)
                window_->w().PushButton4_Click();
#ifdef Q_OS_UNIX
            QVERIFY(!watch.readerBlocked());
#endif
        }

        QCOMPARE(texts(), QStringList{"before"} + entries);
        QCOMPARE(window_->p.boxTexts(), boxes);
        for (const ScriptedPlatform::Box &box : std::as_const(window_->p.boxes)) {
            if (box.prompt == QLatin1String("File not found")) {
                QCOMPARE(box.buttons, Msg::OkOnly);
                QCOMPARE(box.title, window_->p.appTitle());
            } else {
                QCOMPARE(box.buttons, Msg::Exclamation);
                QCOMPARE(box.title, QStringLiteral("Application Error"));
            }
        }
        // The hourglass while files load, the default pointer afterwards.
        QCOMPARE(pointerAtBox, QList<int>(boxes.size(), Form1::PointerHourglass));
        QCOMPARE(window_->w().MousePointer(), int(Form1::PointerDefault));
        QCOMPARE(window_->p.dialogs.size(), answers.size());
        QCOMPARE(window_->p.yields, 0);
    }

    // Every click asks the same question afresh, whatever the last use left.
    void dialogSettings_data()
    {
        QTest::addColumn<QString>("leftName");
        QTest::addColumn<long>("leftFlags");
        QTest::newRow("first use") << QString() << 0L;
        QTest::newRow("after a save") << QStringLiteral("/tmp/results.txt") << 2L;
    }

    void dialogSettings()
    {
        QFETCH(QString, leftName);
        QFETCH(long, leftFlags);
        window_->w().CommonDialog1.setFileName(leftName);
        window_->w().CommonDialog1.setFlags(leftFlags);
        window_->w().CommonDialog1.setDialogTitle(QStringLiteral("Save"));
        window_->w().CommonDialog1.setFilter(QStringLiteral("x|*.x|"));
        window_->w().PushButton4_Click();
        QCOMPARE(window_->p.dialogs.size(), 1);
        const FileDialogRequest &r = window_->p.dialogs.first();
        QCOMPARE(r.kind, FileDialogRequest::Kind::Open);
        QCOMPARE(r.fileName, QString());
        QCOMPARE(r.flags, 2621953L);
        QCOMPARE(r.title, QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files"));
        QCOMPARE(r.filter, QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|"));
    }

    // A selection whose names overflow the dialog's buffer loads nothing and
    // leaves the pointer as it was.
    void tooManyFiles_data()
    {
        QTest::addColumn<int>("names");
        QTest::addColumn<int>("pointer");
        const int fitting = int((30000 - folder().size()) / QStringLiteral("_abc.txt").size());
        QTest::newRow("just over, hand") << fitting + 1 << int(Form1::PointerCustom);
        QTest::newRow("far over, default") << 10000 << int(Form1::PointerDefault);
        QTest::newRow("far over, arrow") << 10000 << int(Form1::PointerArrow);
    }

    void tooManyFiles()
    {
        QFETCH(int, names);
        QFETCH(int, pointer);
        QStringList pieces{folder()};
        for (int i = 0; i < names; ++i)
            pieces << QStringLiteral("abc.txt");
        QVERIFY(joined(pieces).size() >= 30000);
        window_->p.dialogAnswers.append(joined(pieces));
        window_->w().entries().add(u"before");
        window_->w().setMousePointer(pointer);
        window_->w().PushButton4_Click();

        QCOMPARE(texts(), QStringList{"before"});
        QCOMPARE(window_->p.boxTexts(), QStringList{kTooMany});
        QCOMPARE(window_->p.boxes.first().buttons, Msg::OkOnly);
        QCOMPARE(window_->p.boxes.first().title, window_->p.appTitle());
        QCOMPARE(window_->w().MousePointer(), pointer);

        // The next click works as usual.
        window_->p.dialogAnswers.append(file("abc.txt"));
        window_->w().PushButton4_Click();
        QCOMPARE(texts(), (QStringList{"before", "a", "b", "c"}));
    }

    // As many names as the buffer holds still load.
    void manyFilesThatFit()
    {
        const int fitting = int((30000 - 1 - folder().size()) / QStringLiteral("_abc.txt").size());
        QStringList pieces{folder()};
        for (int i = 0; i < fitting; ++i)
            pieces << QStringLiteral("abc.txt");
        QVERIFY(joined(pieces).size() < 30000);
        window_->p.dialogAnswers.append(joined(pieces));
        window_->w().PushButton4_Click();
        QVERIFY(window_->p.boxes.isEmpty());
        QCOMPARE(window_->w().entries().count(), 3 * fitting);
        QCOMPARE(window_->w().entries().text(3 * fitting), QStringLiteral("c"));
    }

    // A file the memory left cannot hold is refused before a line of it is
    // added; the load goes on with the next file. A system file that tells no
    // size and never ends is read until memory would run out, keeping the
    // lines it read.
    void memoryForTheLoad_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<qint64>("room"); // beyond what the window keeps
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("error");
        QTest::newRow("a file too large") << file("big.txt") << qint64(500000) << QStringList()
                                          << errorBox(4, "Out of memory", 118);
        QTest::newRow("too large among files") << joined({folder(), "abc.txt", "big.txt", "lf.txt"}) << qint64(500000)
                                               << QStringList{"a", "b", "c", "x", "y", ""}
                                               << errorBox(4, "Out of memory", 132);
#ifdef Q_OS_LINUX
        QTest::newRow("a system file without end") << QStringLiteral("/proc/self/pagemap") << (qint64(64) << 20)
                                                   << QStringList() << errorBox(4, "Out of memory", 118);
#endif
    }
    void memoryForTheLoad()
    {
        QFETCH(QString, answer);
        QFETCH(qint64, room);
        QFETCH(QStringList, entries);
        QFETCH(QString, error);
        window_->w().entries().add(u"before");
        window_->p.availableMemory = Main::kMemoryHeadroom + room;
        window_->p.dialogAnswers.append(answer);
        window_->w().PushButton4_Click();
        QCOMPARE(window_->p.boxTexts(), QStringList{error});
        QCOMPARE(window_->w().MousePointer(), int(Form1::PointerDefault));
        const QStringList now = texts();
        if (answer.startsWith(QLatin1String("/proc/")))
            QCOMPARE(now.first(), QStringLiteral("before")); // and whatever lines the file had
        else
            QCOMPARE(now, QStringList{"before"} + entries);
    }

private:
    QString folder() const { return QDir::toNativeSeparators(dir_.path()); }
    QString file(const char *name) const { return folder() + QDir::separator() + QLatin1String(name); }
    QStringList texts() const { return rowsOf(window_->w().entries()); }

    QTemporaryDir dir_;
    std::unique_ptr<WindowFixture> window_;
};

QTEST_MAIN(TestLoadHandler)
#include "test_load_handler.moc"
