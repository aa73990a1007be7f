// Paste into the input list and drops onto the window, through the real
// window on a scripted platform: what goes in, the boxes, the hourglass.
#include "core/input/DropData.h"
#include "core/shell/controls/ListModel.h"
#include "gui/shell/controls/ListView.h"
#include "support/LoadSupport.h"
#include "support/ThrowingClipboard.h"
#include "support/WindowFixture.h"

#include <QAction>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <optional>

using PasteFixture = BasicWindowFixture<ThrowingClipboard>;

namespace {

// Drops the data at a point of the window as a drag source would, offering
// `actions`; returns whether the window took it, and which way.
Qt::DropAction drop(Form1 &window, const QMimeData &data, QPoint at, Qt::DropActions actions = Qt::CopyAction)
{
    QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    if (!enter.isAccepted())
        return Qt::IgnoreAction;
    QDropEvent dropped(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &dropped);
    QCoreApplication::processEvents(); // the queued handler
    return dropped.isAccepted() ? dropped.dropAction() : Qt::IgnoreAction;
}

QPoint onEntries(Form1 &w)
{
    return w.ListView1->geometry().center();
}

} // namespace

class TestPasteDrop : public QObject {
    Q_OBJECT
private slots:
    // Each way in: the menu item, its two keys in the focused input list.
    void paste_data()
    {
        QTest::addColumn<std::optional<QString>>("clipboard");
        QTest::addColumn<int>("how"); // 0 the menu item, 1 Ctrl+V, 2 Shift+Insert
        QTest::addColumn<int>("readFailures");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("errors");
        QTest::addColumn<qint64>("memoryLeft"); // -1: the system tells nothing
        const QString column = QStringLiteral("ann@alpha.example\r\nbeta.example\r\nbob@gamma.example\r\n");
        const QStringList three{"ann@alpha.example", "beta.example", "bob@gamma.example"};
        QTest::newRow("menu: a column ending in CR LF") << std::optional(column) << 0 << 0 << three << QStringList() << qint64(-1);
        QTest::newRow("Ctrl+V") << std::optional(column) << 1 << 0 << three << QStringList() << qint64(-1);
        QTest::newRow("Shift+Insert") << std::optional(column) << 2 << 0 << three << QStringList() << qint64(-1);
        QTest::newRow("empty clipboard") << std::optional<QString>() << 1 << 0 << QStringList() << QStringList() << qint64(-1);
        QTest::newRow("empty text") << std::optional(QString()) << 0 << 0 << QStringList() << QStringList() << qint64(-1);
        QTest::newRow("cells with TABs, no final break")
            << std::optional(QStringLiteral("a@x\tAnn\n\nb@y\t")) << 0 << 0 << QStringList{"a@x\tAnn", "", "b@y\t"}
            << QStringList() << qint64(-1);
        QTest::newRow("the clipboard cannot be read")
            << std::optional(column) << 0 << 1 << QStringList()
            << QStringList{errorBox("mnuEntriesPaste_Click", "Can't open clipboard", 104)} << qint64(-1);
        // Refused before a row goes in: the list as it was, one box.
        QTest::newRow("more than the memory left")
            << std::optional(column) << 0 << 0 << QStringList()
            << QStringList{errorBox("mnuEntriesPaste_Click", "Out of memory", 108)} << qint64(1);
    }
    void paste()
    {
        QFETCH(std::optional<QString>, clipboard);
        QFETCH(int, how);
        QFETCH(int, readFailures);
        QFETCH(QStringList, added);
        QFETCH(QStringList, errors);
        QFETCH(qint64, memoryLeft);
        PasteFixture f(PasteFixture::Start::Shown);
        f.w().entries().add(u"already@there.example");
        f.p.availableMemory = memoryLeft;
        f.p.clipboard = clipboard;
        f.p.throwsLeft = readFailures;
        QList<int> pointers; // when the clipboard is read, and at every yield
        f.p.onYield = [&] { pointers << f.w().MousePointer(); };
        f.p.onClipboardRead = [&] { pointers << f.w().MousePointer(); };
        if (how == 0) {
            f.w().mnuEntriesPaste->trigger();
        } else {
            QApplication::setActiveWindow(&f.w());
            QVERIFY(QTest::qWaitForWindowActive(&f.w()));
            f.w().ListView1->setFocus();
            QTest::keyClick(f.w().ListView1, how == 1 ? Qt::Key_V : Qt::Key_Insert,
                            how == 1 ? Qt::ControlModifier : Qt::ShiftModifier);
        }
        QCOMPARE(rowsOf(f.w().entries()), QStringList{"already@there.example"} + added);
        QCOMPARE(f.errorTexts(), errors);
        QCOMPARE(f.p.boxes.size(), errors.size());
        QCOMPARE(f.p.clipboardGetAttempts, 1);
        // The hourglass while lines go in, the normal pointer after.
        QCOMPARE(pointers, QList<int>(added.isEmpty() ? 1 : 2, Form1::PointerHourglass));
        QCOMPARE(f.w().MousePointer(), Form1::PointerDefault);
        QVERIFY(!f.w().IsPasting);
    }

    // A paste or drop that arrives while pasted lines go in is ignored, and
    // so is "Clear List"; the lines go in whole, in order.
    void secondPasteWhileOneGoesIn()
    {
        PasteFixture f;
        QString many;
        for (int i = 0; i < 100000; ++i)
            many += QStringLiteral("u%1@h.example\r\n").arg(i);
        f.p.clipboard = many;
        int asked = 0;
        f.p.onYield = [&] {
            if (asked++ == 0) {
                f.w().mnuEntriesPaste->trigger();
                QMimeData text;
                text.setText(QStringLiteral("dropped@x.example"));
                QCOMPARE(drop(f.w(), text, onEntries(f.w())), Qt::CopyAction);
                f.w().PushButton8->click();
            }
        };
        f.w().mnuEntriesPaste->trigger();
        QVERIFY(asked > 1);
        QCOMPARE(f.w().entries().count(), 100000);
        QCOMPARE(f.w().entries().text(100000), QStringLiteral("u99999@h.example"));
        QCOMPARE(f.p.clipboardGetAttempts, 1);
        QVERIFY(f.p.boxes.isEmpty());
    }

    // Local files load as the load dialog loads them; text goes in as a
    // paste; anything else is refused. A drop is only ever taken as a copy.
    void dropped_data()
    {
        QTest::addColumn<QStringList>("files"); // written with two lines each; "-" ones left missing
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("offered"); // Qt::DropActions
        QTest::addColumn<bool>("onList");
        QTest::addColumn<int>("taken");   // Qt::DropAction
        QTest::addColumn<QStringList>("boxes");
        const int copyMove = int(Qt::CopyAction | Qt::MoveAction);
        QTest::newRow("two files and a missing one, in order")
            << QStringList{"b.txt", "-gone.txt", "a.txt"} << QString() << copyMove << true << int(Qt::CopyAction)
            << QStringList{"File not found"};
        QTest::newRow("on the window beside the list") << QStringList{"a.txt"} << QString() << copyMove << false
                                                       << int(Qt::CopyAction) << QStringList();
        QTest::newRow("text") << QStringList() << "x@one.example\r\ny@two.example\r\n" << copyMove << true
                              << int(Qt::CopyAction) << QStringList();
        QTest::newRow("a source that only moves") << QStringList{"a.txt"} << QString() << int(Qt::MoveAction) << true
                                                  << int(Qt::IgnoreAction) << QStringList();
        QTest::newRow("a folder") << QStringList{"a.txt", "folder/"} << QString() << copyMove << true
                                  << int(Qt::IgnoreAction) << QStringList();
        QTest::newRow("nothing the window takes") << QStringList() << QString() << copyMove << true
                                                  << int(Qt::IgnoreAction) << QStringList();
#ifdef Q_OS_UNIX
        QTest::newRow("a pipe fails, the next file loads")
            << QStringList{"|pipe", "a.txt"} << QString() << copyMove << true << int(Qt::CopyAction)
            << QStringList{errorBox("ListView1_OLEDragDrop", "Path/File access error", 106)};
        QTest::newRow("a pipe beside the list") << QStringList{"|pipe"} << QString() << copyMove << false
                                                << int(Qt::CopyAction)
                                                << QStringList{errorBox("Form_OLEDragDrop", "Path/File access error", 106)};
#endif
    }
    void dropped()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, text);
        QFETCH(int, offered);
        QFETCH(bool, onList);
        QFETCH(int, taken);
        QFETCH(QStringList, boxes);
        WindowFixture f(WindowFixture::Start::Shown);
        QList<QUrl> urls;
        QStringList expected{"already@there.example"};
        for (QString name : files) {
            if (name.startsWith(u'|')) {
#ifdef Q_OS_UNIX
                QVERIFY(makeFifo(f.path(name.mid(1))));
#endif
            } else if (name.endsWith(u'/')) {
                QVERIFY(QDir(f.dir.path()).mkdir(name.chopped(1)));
            } else if (!name.startsWith(u'-')) {
                QVERIFY(writeAll(f.path(name), (name + "@1.example\r\n" + name + "@2.example\r\n").toUtf8()));
                expected << name + "@1.example" << name + "@2.example";
            }
            urls << QUrl::fromLocalFile(f.path(name.startsWith(u'-') || name.startsWith(u'|') ? name.mid(1) : name));
        }
        if (!text.isEmpty())
            expected << "x@one.example" << "y@two.example";
        f.w().entries().add(u"already@there.example");
        QMimeData data;
        if (!urls.isEmpty())
            data.setUrls(urls);
        if (!text.isEmpty())
            data.setText(text);
        const QPoint at = onList ? onEntries(f.w()) : f.w().PushButton2->geometry().center();
        QCOMPARE(int(drop(f.w(), data, at, Qt::DropActions(offered))), taken);
        QCOMPARE(rowsOf(f.w().entries()), taken == Qt::IgnoreAction ? QStringList{"already@there.example"} : expected);
        QCOMPARE(f.p.boxTexts(), boxes);
        QCOMPARE(f.w().MousePointer(), Form1::PointerDefault);
    }

    // The load dialog's name buffer belongs to the dialog: ten thousand
    // dropped files all load, in order.
    void tenThousandFiles()
    {
        WindowFixture f;
        QList<QUrl> urls;
        for (int i = 0; i < 10000; ++i) {
            const QString name = f.path(QStringLiteral("list %1.txt").arg(i, 5, 10, QLatin1Char('0')));
            QVERIFY(writeAll(name, QStringLiteral("x%1@many.example\r\n").arg(i).toUtf8()));
            urls << QUrl::fromLocalFile(name);
        }
        QMimeData data;
        data.setUrls(urls);
        QCOMPARE(drop(f.w(), data, onEntries(f.w())), Qt::CopyAction);
        QCOMPARE(f.w().entries().count(), 10000);
        QCOMPARE(f.w().entries().text(1), QStringLiteral("x0@many.example"));
        QCOMPARE(f.w().entries().text(10000), QStringLiteral("x9999@many.example"));
        QVERIFY(f.p.boxes.isEmpty());
    }
};

QTEST_MAIN(TestPasteDrop)
#include "test_paste_drop.moc"
