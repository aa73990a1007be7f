// The list widget over a model of a million rows: scroll range, selection
// movement and header widening follow the rows without a pass over them.
#include "shell/ListView.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTest>

class TestListView : public QObject {
    Q_OBJECT
private slots:
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
