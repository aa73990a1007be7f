// "Copy" on either list through the real window: rows picked with clicks and
// keys go to the clipboard, one per line, in list order.
#include "core/shell/controls/ListModel.h"
#include "gui/shell/controls/ListView.h"
#include "support/WindowFixture.h"

#include <QAction>
#include <QTest>

class TestCopyRows : public QObject {
    Q_OBJECT
private slots:
    // Picks: "5" a click on row 5 (from 0), "s5" Shift+click, "c5" Ctrl+click,
    // "D" and "U" Shift with Down and Up, "A" Ctrl+A.
    void copy_data()
    {
        QTest::addColumn<int>("list");
        QTest::addColumn<QStringList>("picks");
        QTest::addColumn<int>("how"); // 0 the menu item, 1 Ctrl+C, 2 Ctrl+Insert
        QTest::addColumn<QString>("clipboard");
        QTest::newRow("rows 2 to 4, Shift+click") << 1 << QStringList{"1", "s3"} << 1
                                                  << "beta.example\r\n  cy@gamma.example  \r\n\r\n";
        QTest::newRow("rows 2 to 4, Shift+Down") << 2 << QStringList{"1", "D", "D"} << 0
                                                 << "beta.example\r\n  cy@gamma.example  \r\n\r\n";
        QTest::newRow("Shift+Up turns back") << 1 << QStringList{"3", "U", "U", "U"} << 2
                                             << "ann@alpha.example\r\nbeta.example\r\n  cy@gamma.example  \r\n\r\n";
        QTest::newRow("Ctrl+click: list order, not the order of clicks")
            << 1 << QStringList{"5", "c0"} << 1 << "ann@alpha.example\r\nd\u00fc@delta.example\r\n";
        QTest::newRow("Ctrl+click takes one out") << 2 << QStringList{"0", "s3", "c1"} << 0
                                                  << "ann@alpha.example\r\n  cy@gamma.example  \r\n\r\n";
        QTest::newRow("Ctrl+A") << 1 << QStringList{"A"} << 1
                                << "ann@alpha.example\r\nbeta.example\r\n  cy@gamma.example  \r\n\r\n"
                                   "%raw\r\nd\u00fc@delta.example\r\n";
        // %raw: the row as the list shows it, in the system's code page.
        QTest::newRow("a row kept as bytes copies as shown") << 2 << QStringList{"4"} << 0 << "%raw\r\n";
        QTest::newRow("nothing picked leaves the clipboard") << 1 << QStringList() << 1 << "before";
    }
    void copy()
    {
        QFETCH(int, list);
        QFETCH(QStringList, picks);
        QFETCH(int, how);
        QFETCH(QString, clipboard);
        WindowFixture f(WindowFixture::Start::Shown);
        ListView *view = list == 1 ? f.w().ListView1 : f.w().ListView2;
        ListModel &rows = view->items();
        for (const char *row : {"ann@alpha.example", "beta.example", "  cy@gamma.example  ", ""})
            rows.addUtf8(row);
        rows.addRaw("caf\xE9@x.example"); // Windows-1252 on a UTF-8 system
        rows.addUtf8("d\xC3\xBC@delta.example");
        rows.flush();
        clipboard.replace(QStringLiteral("%raw"), rows.text(5));
        QVERIFY(rows.text(5).startsWith(u"caf"));
        f.p.clipboard = QStringLiteral("before");
        QApplication::setActiveWindow(&f.w());
        QVERIFY(QTest::qWaitForWindowActive(&f.w()));
        view->setFocus(Qt::MouseFocusReason);
        for (const QString &pick : picks) {
            const auto at = [&](int row) { return QPoint(20, row * view->rowHeight() + view->rowHeight() / 2); };
            if (pick == u"A")
                QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
            else if (pick == u"D" || pick == u"U")
                QTest::keyClick(view, pick == u"D" ? Qt::Key_Down : Qt::Key_Up, Qt::ShiftModifier);
            else if (pick.front().isLetter())
                QTest::mouseClick(view->viewport(), Qt::LeftButton,
                                  pick.front() == u's' ? Qt::ShiftModifier : Qt::ControlModifier, at(pick.mid(1).toInt()));
            else
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at(pick.toInt()));
        }
        if (how == 0)
            (list == 1 ? f.w().mnuEntriesCopy : f.w().mnuResultsCopy)->trigger();
        else
            QTest::keyClick(view, how == 1 ? Qt::Key_C : Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(f.p.clipboard.value_or(QStringLiteral("(empty)")), clipboard);
        QVERIFY(f.p.boxes.isEmpty());
        // Copying changes neither list.
        QCOMPARE(rows.count(), 6);
    }

    // A list cleared while the copy lets events run: the one box of the
    // handler, and the clipboard as it was.
    void clearedMidCopy()
    {
        WindowFixture f;
        for (int i = 0; i < 1000; ++i)
            f.w().results().add(QStringLiteral("d%1.example").arg(i));
        f.w().results().flush();
        f.w().ListView2->selectAll();
        f.p.clipboard = QStringLiteral("before");
        f.p.onYield = [&] {
            if (f.p.yields == 500)
                f.w().PushButton3->click();
        };
        f.w().mnuResultsCopy->trigger();
        QCOMPARE(f.errorTexts(), QStringList{errorBox("mnuResultsCopy_Click", "Index out of bounds", 100)});
        QCOMPARE(f.p.clipboard, std::optional(QStringLiteral("before")));
    }
};

QTEST_MAIN(TestCopyRows)
#include "test_copy_rows.moc"
