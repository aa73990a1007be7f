// The list widget over a model of a million rows: scroll range, selection
// movement and header widening follow the rows without a pass over them.
#include "shell/controls/ListView.h"

#include <QAccessible>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>

class TestListView : public QObject {
    Q_OBJECT
private slots:
    // What a screen reader reads of the list: its role and name, its header,
    // each row's text and the current row.
    void accessibleTable_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("downPresses"); // from no current row
        QTest::newRow("empty") << "Email(s)" << QStringList{} << 1;
        QTest::newRow("three rows, second current")
            << "Domain(s)" << QStringList{"one.example", "two.example", "three.example"} << 2;
        QTest::newRow("non-ASCII and empty rows, none current")
            << "Email(s)" << QStringList{u"\u00fc@\u4f8b\u3048.jp"_qs, QString(), u"x@\U0001F600.example"_qs} << 0;
    }
    void accessibleTable()
    {
        QFETCH(QString, title);
        QFETCH(QStringList, rows);
        QFETCH(int, downPresses);
        ListView view;
        view.resize(520, 185);
        view.items().addColumnHeader(title);
        view.show();
        for (const QString &row : rows)
            view.items().add(row);
        QCoreApplication::processEvents();
        view.setFocus();
        QApplication::setActiveWindow(&view);
        QVERIFY(QTest::qWaitForWindowActive(&view));
        for (int i = 0; i < downPresses; ++i)
            QTest::keyClick(&view, Qt::Key_Down);
        const int current = rows.isEmpty() ? -1 : downPresses - 1;

        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(&view);
        QVERIFY(list);
        QCOMPARE(list->role(), QAccessible::Table);
        QCOMPARE(list->text(QAccessible::Name), title);
        QAccessibleTableInterface *table = list->tableInterface();
        QVERIFY(table);
        QCOMPARE(table->rowCount(), rows.size());
        QCOMPARE(table->columnCount(), 1);
        QCOMPARE(list->childCount(), rows.size() + 1);
        QCOMPARE(list->child(0)->role(), QAccessible::ColumnHeader);
        QCOMPARE(list->child(0)->text(QAccessible::Name), title);
        for (int r = 0; r < rows.size(); ++r) {
            QAccessibleInterface *cell = list->child(r + 1);
            QCOMPARE(cell->role(), QAccessible::Cell);
            QCOMPARE(cell->text(QAccessible::Name), rows[r]);
            QCOMPARE(cell, table->cellAt(r, 0));
            QCOMPARE(list->indexOfChild(cell), r + 1);
            QCOMPARE(cell->tableCellInterface()->columnHeaderCells().value(0), list->child(0));
            QCOMPARE(cell->state().selected, r == current);
            QCOMPARE(cell->state().focused, r == current);
        }
        QCOMPARE(table->selectedRows(), current < 0 ? QList<int>{} : QList<int>{current});
        QAccessibleInterface *focused = list->focusChild();
        QCOMPARE(focused ? focused->text(QAccessible::Name) : QStringLiteral("none"),
                 current < 0 ? QStringLiteral("none") : rows[current]);
        QCOMPARE(list->child(rows.size() + 1), nullptr);
    }

    // Typed letters jump to the next row starting with the typed text; a pause
    // longer than the keyboard input interval starts over.
    void typeAhead_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QList<int>>("pausesBefore"); // ms before each key
        QTest::addColumn<int>("rowAfter");
        const int pause = QApplication::keyboardInputInterval() + 1;
        QTest::newRow("first match from no row") << "b" << QList<int>{0} << 1;
        QTest::newRow("case ignored, typed text grows") << "BR" << QList<int>{0, 10} << 2;
        QTest::newRow("same letter steps through matches") << "bbb" << QList<int>{0, 10, 10} << 3;
        QTest::newRow("pause starts a new search") << "bc" << QList<int>{0, pause} << 4;
        QTest::newRow("without pause no row matches") << "bc" << QList<int>{0, 10} << 1;
        QTest::newRow("wraps past the last row") << "ca" << QList<int>{0, pause} << 0;
        QTest::newRow("no match keeps the row") << "bq" << QList<int>{0, pause} << 1;
        QTest::newRow("non-ASCII text") << u"\u00e9"_qs << QList<int>{0} << 5;
    }
    void typeAhead()
    {
        QFETCH(QString, keys);
        QFETCH(QList<int>, pausesBefore);
        QFETCH(int, rowAfter);
        ListView view;
        view.resize(520, 185);
        view.items().addColumnHeader(QStringLiteral("Email(s)"));
        for (const char *row : {"alpha@a.example", "beta@b.example", "Bravo@b.example", "bz@b.example",
                                "charlie@c.example", "\xc3\x89mile@e.example"})
            view.items().addUtf8(row);
        view.items().flush();
        quint64 time = 100000;
        for (int i = 0; i < keys.size(); ++i) {
            time += quint64(pausesBefore[i]);
            QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, keys.mid(i, 1));
            key.setTimestamp(time);
            QCoreApplication::sendEvent(&view, &key);
        }
        QCOMPARE(view.currentRow(), qsizetype(rowAfter));
    }

    void scrollRangeFollowsTheRows_data()
    {
        QTest::addColumn<int>("rows");
        QTest::newRow("none") << 0;
        QTest::newRow("fewer than a page") << 3;
        QTest::newRow("a million") << 1000000;
    }
    void scrollRangeFollowsTheRows()
    {
        QFETCH(int, rows);
        ListView view;
        view.resize(520, 185);
        view.items().addColumnHeader(QStringLiteral("Domain(s)"));
        view.items().setColumnHeaderWidth(1, 7000);
        view.show();
        for (int i = 0; i < rows; ++i)
            view.items().addUtf8("row.example");
        QCoreApplication::processEvents();
        const int page = view.viewport()->height() / view.rowHeight();
        QVERIFY(page > 3);
        QCOMPARE(view.verticalScrollBar()->maximum(), std::max(0, rows - page));

        // End shows the last row at the bottom; Home goes back.
        view.setFocus();
        QTest::keyClick(&view, Qt::Key_End);
        QCOMPARE(view.currentRow(), qsizetype(rows - 1 >= 0 ? rows - 1 : -1));
        QCOMPARE(view.verticalScrollBar()->value(), std::max(0, rows - page));
        QTest::keyClick(&view, Qt::Key_Home);
        QCOMPARE(view.verticalScrollBar()->value(), 0);

        // Clearing empties the range and the selection.
        view.items().clear();
        QCoreApplication::processEvents();
        QCOMPARE(view.verticalScrollBar()->maximum(), 0);
        QCOMPARE(view.currentRow(), qsizetype(-1));
        view.grab(); // paints an empty list without touching rows that are gone
    }

    void headerWiderThanTheListScrollsSideways()
    {
        ListView view;
        view.resize(520, 185);
        view.items().addColumnHeader(QStringLiteral("Email(s)"));
        view.items().setColumnHeaderWidth(1, 7000);
        view.show();
        QCoreApplication::processEvents();
        QCOMPARE(view.header()->sectionSize(0), 467);
        QCOMPARE(view.horizontalScrollBar()->maximum(), 0);
        // Dragging the divider past the right edge widens the column.
        view.header()->resizeSection(0, 900);
        QCOMPARE(view.horizontalScrollBar()->maximum(), 900 - view.viewport()->width());
        view.horizontalScrollBar()->setValue(100);
        QCOMPARE(view.header()->offset(), 100);
    }

    void clickSelectsOnlyExistingRows()
    {
        ListView view;
        view.resize(520, 185);
        view.items().addColumnHeader(QStringLiteral("Email(s)"));
        view.show();
        view.items().addUtf8("a");
        view.items().addUtf8("b");
        QCoreApplication::processEvents();
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(10, view.rowHeight() + 2));
        QCOMPARE(view.currentRow(), qsizetype(1));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(10, view.rowHeight() * 5 + 2));
        QCOMPARE(view.currentRow(), qsizetype(1)); // below the last row: unchanged
    }
};

QTEST_MAIN(TestListView)
#include "test_list_view.moc"
