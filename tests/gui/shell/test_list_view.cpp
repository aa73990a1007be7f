// The list widget over a model of a million rows: scroll range, selection
// movement and header widening follow the rows without a pass over them.
#include "gui/shell/controls/ListAccessible.h"
#include "gui/shell/controls/Contrast.h"
#include "gui/shell/controls/ListView.h"
#include "support/Palettes.h"

#include <QAccessible>
#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

#include <climits>

// Reports as many rows as asked for without holding any, so that a list of
// thousands of millions costs nothing; row 1 alone starts with "b".
class ManyRows : public ListModel {
public:
    explicit ManyRows(int rows) : rows_(rows) {}
    int rowCount(const QModelIndex &parent = QModelIndex()) const override { return parent.isValid() ? 0 : rows_; }
    bool rowStartsWith(int row, QStringView prefix) const override
    {
        return row == 1 && QStringView(u"bravo").startsWith(prefix, Qt::CaseInsensitive);
    }

private:
    int rows_;
};

class TestListView : public QObject {
    Q_OBJECT
private slots:
    // As the program does where it starts.
    void initTestCase() { installAccessibleFactory(); }

    // What a screen reader reads of the list and what the eye sees of it: its
    // role and name, its header, each row's text, and the current row, which
    // a list reached from the keyboard has at once and which shows brighter in
    // the focused list than in the other one.
    void accessibleTable_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("focusBy"); // Qt::FocusReason
        QTest::addColumn<int>("downPresses");
        QTest::addColumn<int>("current");
        const QStringList three{"one.example", "two.example", "three.example"};
        QTest::newRow("empty") << "Email(s)" << QStringList{} << int(Qt::TabFocusReason) << 1 << -1;
        QTest::newRow("three rows, Tab in, one down") << "Domain(s)" << three << int(Qt::TabFocusReason) << 1 << 1;
        QTest::newRow("three rows, Shift+Tab in") << "Domain(s)" << three << int(Qt::BacktabFocusReason) << 0 << 0;
        QTest::newRow("non-ASCII and empty rows, clicked into, none current")
            << "Email(s)" << QStringList{u"\u00fc@\u4f8b\u3048.jp"_qs, QString(), u"x@\U0001F600.example"_qs}
            << int(Qt::MouseFocusReason) << 0 << -1;
    }
    void accessibleTable()
    {
        QFETCH(QString, title);
        QFETCH(QStringList, rows);
        QFETCH(int, focusBy);
        QFETCH(int, downPresses);
        QFETCH(int, current);
        QWidget window; // beside another list, which has a current row
        auto *layout = new QVBoxLayout(&window);
        auto *other = new ListView;
        ListView &view = *new ListView;
        layout->addWidget(other);
        layout->addWidget(&view);
        view.setFixedSize(520, 185);
        other->items().addColumnHeader(QStringLiteral("Other"));
        other->items().add(u"other.example");
        view.items().addColumnHeader(title);
        window.show();
        for (const QString &row : rows)
            view.items().add(row);
        QCoreApplication::processEvents();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(other, Qt::Key_Home);
        view.setFocus(Qt::FocusReason(focusBy));
        for (int i = 0; i < downPresses; ++i)
            QTest::keyClick(&view, Qt::Key_Down);
        QCOMPARE(view.currentRow(), qsizetype(current));

        // The focused list's row in the active highlight (a focus frame may tint
        // it a little), the other list's in a colour of its own, unlike the background.
        const QImage shown = window.grab().toImage();
        const auto rowColour = [&](ListView *list, int row) {
            const QPoint at(list->viewport()->width() - 5, (2 * row + 1) * list->rowHeight() / 2);
            return shown.pixelColor(list->viewport()->mapTo(&window, at) * shown.devicePixelRatio());
        };
        const auto near = [](const QColor &a, const QColor &b) {
            return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue()) < 16;
        };
        const QColor active = view.palette().color(QPalette::Active, QPalette::Highlight);
        QVERIFY(current < 0 || near(rowColour(&view, current), active));
        QVERIFY(!near(rowColour(other, 0), active) && !near(rowColour(other, 0), other->palette().color(QPalette::Base)));

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

    // In every colour scheme the current row stands out 3:1 from the rows
    // around it, in the focused list and in the other one (under high
    // contrast its text reads 4.5:1 on it too); the two lists' rows differ, so
    // the one the keys act on shows.
    void selectionStandsOut_data()
    {
        QTest::addColumn<QString>("palette");
        for (const QString &palette : paletteNames())
            QTest::newRow(qPrintable(palette)) << palette;
    }
    void selectionStandsOut()
    {
        QFETCH(QString, palette);
        const PaletteInEffect colours(palette);
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        ListView *lists[] = {new ListView, new ListView};
        for (ListView *list : lists) {
            layout->addWidget(list);
            list->setFixedSize(520, 120);
            list->items().addColumnHeader(QStringLiteral("Domain(s)"));
            for (const char *row : {"one.example", "two.example", "three.example"})
                list->items().add(QString::fromLatin1(row));
        }
        window.show();
        QCoreApplication::processEvents();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        lists[1]->setFocus(Qt::TabFocusReason);
        QTest::keyClick(lists[1], Qt::Key_Down);
        lists[0]->setFocus(Qt::TabFocusReason);
        QTest::keyClick(lists[0], Qt::Key_Down);
        QCOMPARE(lists[0]->currentRow(), 1);
        QCOMPARE(lists[1]->currentRow(), 1);
        const QImage shown = window.grab().toImage();
        QColor rowColours[2];
        for (int i = 0; i < 2; ++i) {
            ListView *list = lists[i];
            const int h = list->rowHeight();
            const auto at = [&](QPoint p) { return shown.pixelColor(list->viewport()->mapTo(&window, p)); };
            const QColor row = at({list->viewport()->width() - 5, h + h / 2});
            const QColor base = at({list->viewport()->width() - 5, 4 * h});
            QVERIFY2(contrastRatio(row, base) >= 3, qPrintable(row.name() + QStringLiteral(" on ") + base.name()));
            double text = 1;
            for (int y = h + 2; y < 2 * h - 2; ++y)
                for (int x = 3; x < 60; ++x)
                    text = std::max(text, contrastRatio(at({x, y}), row));
            if (palette.startsWith(QLatin1String("high contrast")))
                QVERIFY2(text >= 4.5, qPrintable(QStringLiteral("text reads %1:1").arg(text)));
            rowColours[i] = row;
        }
        QVERIFY(rowColours[0] != rowColours[1]);
    }

    // The cells a screen reader was handed stay alive while it may still hold
    // them: the header's, the current row's and those it keeps asking for. The
    // cache still stays bounded: a cell asked for once, long ago, goes.
    void cellCache_data()
    {
        QTest::addColumn<int>("heldRow"); // -1: the header
        QTest::addColumn<bool>("askedAgain");
        QTest::addColumn<bool>("kept");
        QTest::newRow("header cell") << -1 << false << true;
        QTest::newRow("current row's cell") << 5 << false << true;
        QTest::newRow("cell asked for again and again") << 7 << true << true;
        QTest::newRow("cell asked for once, long ago") << 7 << false << false;
    }
    void cellCache()
    {
        QFETCH(int, heldRow);
        QFETCH(bool, askedAgain);
        QFETCH(bool, kept);
        ListView view(std::make_unique<ManyRows>(100000));
        view.items().addColumnHeader(QStringLiteral("Email(s)"));
        for (int i = 0; i <= 5; ++i)
            QTest::keyClick(&view, Qt::Key_Down);
        QCOMPARE(view.currentRow(), qsizetype(5));
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(&view);
        QAccessibleInterface *held = heldRow < 0 ? list->child(0) : list->tableInterface()->cellAt(heldRow, 0);
        const QAccessible::Id id = QAccessible::uniqueId(held);
        for (int row = 1000; row < 1000 + 3 * int(ListAccessible::kCachedCells); ++row) {
            list->tableInterface()->cellAt(row, 0);
            if (askedAgain && row % 1000 == 0)
                QCOMPARE(list->tableInterface()->cellAt(heldRow, 0), held);
        }
        QCOMPARE(QAccessible::accessibleInterface(id) == held, kept);
        if (kept)
            QCOMPARE(held->tableCellInterface()->rowIndex(), heldRow);
    }

    // Rows hundreds of millions away from the rows in sight: a screen reader
    // is told where they are (above or below, never wrapped around, and out
    // of sight), and
    // type-ahead from the last row wraps to the first.
    void farRows_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("key"); // where the current row goes
        QTest::addColumn<int>("probe");
        QTest::addColumn<QString>("place");
        QTest::newRow("a few rows") << 10 << int(Qt::Key_End) << 0 << "shown";
        QTest::newRow("200 M rows from the top, the last far below")
            << 200000000 << int(Qt::Key_Home) << 199999999 << "below";
        QTest::newRow("200 M rows from the end, the first far above") << 200000000 << int(Qt::Key_End) << 0 << "above";
        QTest::newRow("2^31 - 1 rows from the end, the first far above") << INT_MAX << int(Qt::Key_End) << 0 << "above";
        QTest::newRow("2^31 - 1 rows from the end, the last shown") << INT_MAX << int(Qt::Key_End) << INT_MAX - 1 << "shown";
    }
    void farRows()
    {
        QFETCH(int, rows);
        QFETCH(int, key);
        QFETCH(int, probe);
        QFETCH(QString, place);
        ListView view(std::make_unique<ManyRows>(rows));
        view.resize(520, 185);
        view.items().addColumnHeader(QStringLiteral("Email(s)"));
        view.show();
        QTest::keyClick(&view, Qt::Key(key));
        QAccessibleInterface *probed = QAccessible::queryAccessibleInterface(&view)->tableInterface()->cellAt(probe, 0);
        QCOMPARE(probed->state().invisible, place != QLatin1String("shown"));
        const QRect cell = probed->rect();
        const QRect shown(view.viewport()->mapToGlobal(QPoint(0, 0)), view.viewport()->size());
        QCOMPARE(cell.bottom() < shown.top()   ? QStringLiteral("above")
                 : cell.top() > shown.bottom() ? QStringLiteral("below")
                                               : QStringLiteral("shown"),
                 place);
        view.keyboardSearch(QStringLiteral("b"), 1000);
        QCOMPARE(view.currentRow(), qsizetype(1));
    }

    // Typed letters jump to the next row starting with the typed text; a pause
    // longer than the keyboard input interval starts over. Keys that reach the
    // list through a screen reader carry no timestamp: their pauses are timed
    // by the list's clock, which stands still while stamped keys are typed.
    void typeAhead_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QList<int>>("pausesBefore"); // ms before each key
        QTest::addColumn<bool>("stamped");
        QTest::addColumn<int>("rowAfter");
        const int pause = QApplication::keyboardInputInterval() + 1;
        QTest::newRow("first match from no row") << "b" << QList<int>{0} << true << 1;
        QTest::newRow("case ignored, typed text grows") << "BR" << QList<int>{0, 10} << true << 2;
        QTest::newRow("same letter steps through matches") << "bbb" << QList<int>{0, 10, 10} << true << 3;
        QTest::newRow("pause starts a new search") << "bc" << QList<int>{0, pause} << true << 4;
        QTest::newRow("without pause no row matches") << "bc" << QList<int>{0, 10} << true << 1;
        QTest::newRow("wraps past the last row") << "ca" << QList<int>{0, pause} << true << 0;
        QTest::newRow("no match keeps the row") << "bq" << QList<int>{0, pause} << true << 1;
        QTest::newRow("non-ASCII text") << u"\u00e9"_qs << QList<int>{0} << true << 5;
        QTest::newRow("no timestamps, each pause starts over") << "bca" << QList<int>{0, pause, pause} << false << 0;
        QTest::newRow("no timestamps, typed text grows after a pause") << "cbr" << QList<int>{0, pause, 10} << false << 2;
    }
    void typeAhead()
    {
        QFETCH(QString, keys);
        QFETCH(QList<int>, pausesBefore);
        QFETCH(bool, stamped);
        QFETCH(int, rowAfter);
        ListView view;
        qint64 clock = 7000;
        view.setClock([&clock] { return clock; });
        view.resize(520, 185);
        view.items().addColumnHeader(QStringLiteral("Email(s)"));
        for (const char *row : {"alpha@a.example", "beta@b.example", "Bravo@b.example", "bz@b.example",
                                "charlie@c.example", "\xc3\x89mile@e.example"})
            view.items().addUtf8(row);
        view.items().flush();
        quint64 time = 100000;
        for (int i = 0; i < keys.size(); ++i) {
            if (stamped)
                time += quint64(pausesBefore[i]);
            else
                clock += pausesBefore[i];
            QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, keys.mid(i, 1));
            key.setTimestamp(stamped ? time : 0);
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

    // A screen reader reads the selection as the eye sees it, its rows and
    // its count, also when it is all of ten million rows; only the current
    // row has the focus. Keys: "H" Home, "S" Shift+Down, "E" Shift+End, "A" Ctrl+A.
    void accessibleSelection_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("listed"); // rows the list of selected rows names
        QTest::addColumn<int>("current");
        QTest::newRow("one row") << 10 << "H" << 1 << 1 << 0;
        QTest::newRow("Shift+Down twice") << 10 << "HSS" << 3 << 3 << 2;
        QTest::newRow("Shift+End") << 10 << "HSE" << 10 << 10 << 9;
        QTest::newRow("Ctrl+A on ten million rows") << 10000000 << "HSA" << 10000000
                                                    << ListAccessible::kListedCells << 1;
    }
    void accessibleSelection()
    {
        QFETCH(int, rows);
        QFETCH(QString, keys);
        QFETCH(int, count);
        QFETCH(int, listed);
        QFETCH(int, current);
        ListView view(std::make_unique<ManyRows>(rows));
        view.items().addColumnHeader(QStringLiteral("Email(s)"));
        view.resize(520, 185);
        view.show();
        QApplication::setActiveWindow(&view);
        QVERIFY(QTest::qWaitForWindowActive(&view));
        view.setFocus();
        for (const QChar key : keys) {
            const auto [code, mods] = key == u'H'   ? std::pair(Qt::Key_Home, Qt::NoModifier)
                                      : key == u'S' ? std::pair(Qt::Key_Down, Qt::ShiftModifier)
                                      : key == u'E' ? std::pair(Qt::Key_End, Qt::ShiftModifier)
                                                    : std::pair(Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(&view, code, mods);
        }
        QCOMPARE(view.currentRow(), qsizetype(current));
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(&view);
        QVERIFY(list->state().multiSelectable);
        QAccessibleTableInterface *table = list->tableInterface();
        QCOMPARE(table->selectedRowCount(), count);
        QCOMPARE(table->selectedCellCount(), count);
        const QList<int> named = table->selectedRows();
        QCOMPARE(named.size(), listed);
        for (int i = 0; i < named.size(); ++i)
            QCOMPARE(named[i], i);
        QCOMPARE(table->selectedCells().size(), listed);
        QVERIFY(table->isRowSelected(count - 1));
        QVERIFY(!table->isRowSelected(count));
        for (const int row : {0, current, count - 1}) {
            const QAccessible::State state = table->cellAt(row, 0)->state();
            QVERIFY(state.selected);
            QCOMPARE(bool(state.focused), row == current);
        }
    }

    // The context menu holds the list's actions and opens from the right
    // button, the Menu key (Qt's keyboard context event) and Shift+F10;
    // opened from the keyboard, its first item is active. The right button
    // on a row outside the selection selects that row alone.
    void contextMenu_data()
    {
        QTest::addColumn<int>("how"); // 0 the right button on row 2, 1 the Menu key, 2 Shift+F10
        QTest::addColumn<bool>("firstActive");
        QTest::addColumn<QList<int>>("selected");
        QTest::newRow("right button") << 0 << false << QList<int>{2};
        QTest::newRow("Menu key") << 1 << true << QList<int>{0, 1};
        QTest::newRow("Shift+F10") << 2 << true << QList<int>{0, 1};
    }
    void contextMenu()
    {
        QFETCH(int, how);
        QFETCH(bool, firstActive);
        QFETCH(QList<int>, selected);
        ListView view;
        view.items().addColumnHeader(QStringLiteral("Email(s)"));
        for (const char *row : {"a", "b", "c"})
            view.items().addUtf8(row);
        view.items().flush();
        auto *copy = new QAction(QStringLiteral("&Copy"), &view);
        auto *paste = new QAction(QStringLiteral("&Paste"), &view);
        view.addActions({copy, paste});
        view.resize(520, 185);
        view.show();
        QApplication::setActiveWindow(&view);
        QVERIFY(QTest::qWaitForWindowActive(&view));
        view.setFocus();
        QTest::keyClick(&view, Qt::Key_Home);
        QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
        const QPoint onRow2(20, 2 * view.rowHeight() + 2);
        if (how == 0) {
            QTest::mousePress(view.viewport(), Qt::RightButton, {}, onRow2);
            QContextMenuEvent event(QContextMenuEvent::Mouse, onRow2, view.viewport()->mapToGlobal(onRow2));
            QCoreApplication::sendEvent(view.viewport(), &event);
        } else if (how == 1) {
            QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(), QCursor::pos());
            QCoreApplication::sendEvent(view.viewport(), &event);
        } else {
            QTest::keyClick(&view, Qt::Key_F10, Qt::ShiftModifier);
        }
        QMenu *menu = view.findChild<QMenu *>();
        QVERIFY(menu);
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(menu->actions(), (QList<QAction *>{copy, paste}));
        QCOMPARE(menu->activeAction(), firstActive ? copy : nullptr);
        QCOMPARE(view.selection().firstRows(10), selected);
        menu->close();
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
