#include "core/shell/controls/ListModel.h"
#include "core/shell/controls/RowSelection.h"
#include "core/shell/platform/RuntimeError.h"
#include "core/shell/controls/TextColumn.h"
#include "core/shell/platform/LargeBlocks.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <cstring>
#include <new>

class TestListModel : public QObject {
    Q_OBJECT
private slots:
    void storageRoundTrip_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<qsizetype>("reserved"); // bytes announced before the rows
        QTest::newRow("ascii") << QStringList{"user@example.com", "example.org", "x"} << qsizetype(0);
        QTest::newRow("empty rows kept") << QStringList{"", "a", "", ""} << qsizetype(0);
        QTest::newRow("blanks kept") << QStringList{"  a  ", " ", "\t"} << qsizetype(0);
        QTest::newRow("non-ascii") << QStringList{QStringLiteral("jöran@bücher.example"), QStringLiteral("例え.jp"),
                                                  QStringLiteral("😀@x")} << qsizetype(0);
        QTest::newRow("byte-order mark kept") << QStringList{QString(QChar(0xFEFF)) + "bom@x", QString(QChar(0xFEFF))}
                                              << qsizetype(0);
        QTest::newRow("NUL and controls") << QStringList{QString(QChar(0)) + "a", "\r", "\n", "a\x01z"} << qsizetype(0);
        // Rows straddling the 1 MiB chunk boundary, one row larger than a chunk,
        // and rows in more chunks than a block of short locators follows.
        QStringList edges{QString(1048570, 'a'), "bbbbbbbbbbbb", QString(3 << 20, 'c'), "d", ""};
        for (int i = 0; i < 20; ++i)
            edges << QString(700000, QChar(u'e' + i)) << "";
        QTest::newRow("chunk edges") << edges << qsizetype(0);
        // Storage sized beforehand: exactly, or too small so the rows run on
        // into chunks of their own.
        QTest::newRow("chunk edges, all reserved") << edges << qsizetype(1048570 + 12 + (3 << 20) + 1 + 14000000);
        QTest::newRow("chunk edges, reserved short") << edges << qsizetype(2 << 20);
        // More rows than one block of locators holds.
        QStringList many;
        for (int i = 0; i < 524288 + 3; ++i)
            many << QString::number(i) + QStringLiteral("@x");
        QTest::newRow("locator blocks") << many << qsizetype(0);
    }
    void storageRoundTrip()
    {
        QFETCH(QStringList, rows);
        QFETCH(qsizetype, reserved);
        TextColumn column;
        column.reserveBytes(reserved);
        qsizetype bytes = 0;
        for (const QString &r : rows) {
            column.append(QStringView(r));
            bytes += r.toUtf8().size();
        }
        QCOMPARE(column.size(), rows.size());
        QCOMPARE(column.usedBytes(), bytes);
        QVERIFY(column.allocatedBytes() >= std::max(reserved, bytes));
        for (qsizetype i = 0; i < rows.size(); ++i) {
            QCOMPARE(column.at(i), rows[i]);
            QCOMPARE(column.bytesAt(i), rows[i].toUtf8());
        }
        // Appending more never disturbs what is stored.
        column.append(QByteArrayView("tail"));
        QCOMPARE(column.at(rows.size() - 1), rows.last());
        QCOMPARE(column.at(rows.size()), QStringLiteral("tail"));
    }

    // A raw row among text rows keeps its bytes, leaves its neighbours alone
    // and reads as Windows-1252, in whole and as the start a view paints.
    void rawRows()
    {
        TextColumn column;
        column.append(QByteArrayView("before"));
        column.appendRaw("\x93q\x94\x81\xE9");
        column.append(QStringView(u"after"));
        QCOMPARE(column.bytesAt(0), QByteArrayView("before"));
        QCOMPARE(column.bytesAt(1), QByteArrayView("\x93q\x94\x81\xE9"));
        QCOMPARE(column.bytesAt(2), QByteArrayView("after"));
        QCOMPARE((QList<bool>{column.isRaw(0), column.isRaw(1), column.isRaw(2)}), (QList<bool>{false, true, false}));
        QCOMPARE(column.at(1), QStringLiteral(u"\u201Cq\u201D\uFFFD\u00E9"));
        QCOMPARE(column.prefixAt(1, 3), QStringLiteral(u"\u201Cq\u201D"));
    }

    void displayPrefix_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<int>("chars");
        QTest::newRow("shorter than asked") << "user@example.com" << 100;
        QTest::newRow("long ascii") << QString(100000, 'a') << 468;
        QTest::newRow("long three-byte text") << QString(5000, QChar(0x4F8B)) << 50;
        QTest::newRow("long four-byte text") << QString::fromUcs4(std::u32string(3000, U'\U0001F600').c_str(), 3000) << 41;
        QTest::newRow("byte-order mark first") << QString(QChar(0xFEFF)) + QString(1000, 'b') << 10;
    }
    void displayPrefix()
    {
        QFETCH(QString, row);
        QFETCH(int, chars);
        ListModel m;
        m.addColumnHeader(QStringLiteral("Email(s)"));
        m.add(row);
        m.flush();
        const QString shown = m.displayText(0, 0, chars);
        // At least what was asked for, exactly the row's own start, and no more
        // than a few characters beyond (what three bytes a character allow).
        QVERIFY(shown.size() >= std::min<qsizetype>(chars, row.size()));
        QVERIFY(shown.size() <= std::max<qsizetype>(3 * chars, chars + 1));
        const qsizetype exact = std::min<qsizetype>(chars, row.size());
        QCOMPARE(shown.left(exact), row.left(exact));
        QCOMPARE(m.displayText(1, 0, chars), QString()); // no such row
    }

    void clearReleasesMemory()
    {
        LargeBlocks::releaseKept(); // no larger block given back by an earlier test is taken again
        TextColumn column;
        for (int i = 0; i < 200000; ++i)
            column.append(QByteArrayView("someone@somewhere.example"));
        QVERIFY(column.allocatedBytes() > 200000 * 25);
        // Compact: the bytes themselves plus about a locator per row, never a QString's worth.
        QVERIFY(column.allocatedBytes() < 200000 * (25 + 8) + (2 << 20));
        column.clear();
        QCOMPARE(column.size(), 0);
        QCOMPARE(column.allocatedBytes(), 0);
        column.append(QByteArrayView("again"));
        QCOMPARE(column.at(0), QStringLiteral("again"));
    }

    // Rows longer than a locator's field, or starting past what an offset of
    // 32 bits reaches, read back whole and leave their neighbours where they
    // were. The long rows are written in place and never touched: they cost
    // address space, not memory.
    void rowsOfAnyLength_data()
    {
        QTest::addColumn<QList<qint64>>("lengths"); // rows of 1 GiB or more stay untouched
        const qint64 gib = qint64(1) << 30;
        // Empty rows (blank lines) take no room, so they stand right after a long row in its chunk.
        QTest::newRow("a quarter past 4 GiB, then an empty row") << QList<qint64>{4 * gib + gib / 4, 0};
        QTest::newRow("exactly 4 GiB, then blank lines") << QList<qint64>{4 * gib, 0, 0};
        QTest::newRow("5 GiB among rows") << QList<qint64>{1, 5 * gib + 3, 0, 1};
    }
    void rowsOfAnyLength()
    {
        QFETCH(QList<qint64>, lengths);
        TextColumn column;
        try {
            for (qsizetype i = 0; i < lengths.size(); ++i) {
                char *out = column.beginRow(lengths[i]);
                if (lengths[i] > 0 && lengths[i] < (qint64(1) << 30))
                    std::memset(out, 'a' + int(i), size_t(lengths[i]));
                column.endRow(lengths[i]);
            }
        } catch (const std::bad_alloc &) {
            QSKIP("this system gives no 4 GiB of address space in one piece");
        }
        QCOMPARE(column.size(), lengths.size());
        for (qsizetype i = 0; i < lengths.size(); ++i) {
            const QByteArrayView row = column.bytesAt(i);
            QCOMPARE(row.size(), lengths[i]);
            if (lengths[i] > 0 && lengths[i] < (qint64(1) << 30))
                QCOMPARE(row, QByteArray(lengths[i], char('a' + int(i))));
        }
        column.clear();
        QCOMPARE(column.allocatedBytes(), 0);
        LargeBlocks::releaseKept();
    }

    // A domain cut from its entry shares the entry's bytes: the result list
    // takes a locator a row, and keeps reading right after the entries are
    // cleared or their storage is handed on.
    void partsShareTheirEntry_data()
    {
        QTest::addColumn<QList<QByteArray>>("entries");
        QTest::addColumn<QList<bool>>("raw");
        QTest::addColumn<QList<QByteArray>>("parts"); // each part lies in its entry
        QTest::newRow("domains") << QList<QByteArray>{"a@x.example", "https://www.y.example/", "www.z.example"}
                                 << QList<bool>{false, false, false}
                                 << QList<QByteArray>{"x.example", "y.example/", "z.example"};
        QTest::newRow("raw entries give raw parts") << QList<QByteArray>{"j@caf\xE9.example", "b@c"}
                                                    << QList<bool>{true, false}
                                                    << QList<QByteArray>{"caf\xE9.example", "c"};
        QTest::newRow("empty parts and entries") << QList<QByteArray>{"user@", "", "a@@b"} << QList<bool>{false, false, true}
                                                 << QList<QByteArray>{"", "", ""};
    }
    void partsShareTheirEntry()
    {
        QFETCH(QList<QByteArray>, entries);
        QFETCH(QList<bool>, raw);
        QFETCH(QList<QByteArray>, parts);
        ListModel in;
        ListModel out;
        // Enough rows that a copy of their bytes would show.
        const int rounds = 20000;
        for (int r = 0; r < rounds; ++r)
            for (qsizetype i = 0; i < entries.size(); ++i)
                raw[i] ? in.addRaw(entries[i]) : in.addUtf8(entries[i]);
        for (qsizetype item = 1; item <= in.count(); ++item) {
            const QByteArrayView entry = in.textBytes(item);
            const QByteArray &part = parts[(item - 1) % entries.size()];
            out.addPartOf(in, item, entry.sliced(entry.indexOf(part), part.size()), raw[(item - 1) % entries.size()]);
        }
        QVERIFY(out.allocatedBytes() <= out.count() * qsizetype(sizeof(quint64)) + (qsizetype(4) << 20));
        in.clear();
        in.addUtf8(QByteArray(4 << 20, 'z')); // the entries' old storage would be reused here
        QCOMPARE(out.count(), qsizetype(rounds) * entries.size());
        for (qsizetype item = 1; item <= out.count(); ++item) {
            const qsizetype i = (item - 1) % entries.size();
            bool isRaw = false;
            QCOMPARE(out.textBytes(item, &isRaw), QByteArrayView(parts[i]));
            QCOMPARE(isRaw, bool(raw[i]));
        }
        out.clear();
        QCOMPARE(out.allocatedBytes(), 0);
    }

    void positionsOutsideTheListRaise_data()
    {
        QTest::addColumn<int>("item");
        QTest::newRow("zero") << 0;
        QTest::newRow("negative") << -1;
        QTest::newRow("past the end") << 3;
    }
    void positionsOutsideTheListRaise()
    {
        QFETCH(int, item);
        ListModel m;
        m.addColumnHeader(QStringLiteral("Email(s)"));
        m.add(u"a");
        m.add(u"b");
        auto raises = [](auto &&f) {
            try {
                f();
            } catch (const RuntimeError &e) {
                return e.number() == ErrNo::IndexOutOfBounds;
            }
            return false;
        };
        QVERIFY(raises([&] { m.text(item); }));
        QVERIFY(raises([&] { m.textBytes(item); }));
        QVERIFY(raises([&] { m.subItem(item, 1); }));
        QVERIFY(raises([&] { m.checked(item); }));
        QVERIFY(raises([&] { m.columnHeaderTitle(item == 3 ? 2 : item); }));
    }

    void itemOperations()
    {
        ListModel m;
        m.addColumnHeader(QStringLiteral("T"));
        m.addColumnHeader(QStringLiteral("U"));
        QCOMPARE(m.columnHeaderCount(), 2);
        QCOMPARE(m.columnHeaderTitle(2), QStringLiteral("U"));
        m.setColumnHeaderWidth(1, 7000);
        QCOMPARE(m.columnHeaderWidth(1), 7000);
        m.add(u"a");
        m.add(u"a");
        QCOMPARE(m.count(), 2);
        QCOMPARE(m.text(2), QStringLiteral("a"));
        QCOMPARE(m.subItem(1, 1), QString()); // never set reads empty
        QCOMPARE(m.subItem(1, 5), QString());
        m.setSubItem(2, 1, QStringLiteral("b"));
        QCOMPARE(m.subItem(2, 1), QStringLiteral("b"));
        QCOMPARE(m.subItem(1, 1), QString());
        QVERIFY(!m.checked(1));
        m.setChecked(1, true);
        QVERIFY(m.checked(1));
        QVERIFY(!m.checked(2));
        m.clear();
        QCOMPARE(m.count(), 0);
        QCOMPARE(m.columnHeaderCount(), 2); // headers stay
        m.add(u"c");
        QCOMPARE(m.subItem(1, 1), QString()); // sub-items went with the rows
        QVERIFY(!m.checked(1));
    }

    void viewsLearnOfRowsInBatches()
    {
        ListModel m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        m.addColumnHeader(QStringLiteral("Domain(s)"));
        QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
        for (int i = 0; i < 1000; ++i)
            m.add(QString::number(i));
        // Counted at once, announced later.
        QCOMPARE(m.count(), 1000);
        QCOMPARE(m.rowCount(), 0);
        QVERIFY(inserted.isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(inserted[0][1].toInt(), 0);
        QCOMPARE(inserted[0][2].toInt(), 999);
        QCOMPARE(m.rowCount(), 1000);
        QCOMPARE(m.data(m.index(999, 0)).toString(), QStringLiteral("999"));

        m.add(u"more");
        m.flush();
        QCOMPARE(inserted.size(), 2);
        QCOMPARE(m.rowCount(), 1001);

        // A clear also drops rows not yet announced.
        m.add(u"pending");
        m.clear();
        QCoreApplication::processEvents();
        QCOMPARE(m.rowCount(), 0);
        QCOMPARE(inserted.size(), 2);
    }

    // What each click or key does to a selection, step by step: "o5" a
    // click on row 5, "e5" Shift with it, "t5" Ctrl with it, "a10" Ctrl+A on
    // ten rows, "c" the list emptied. The runs come out apart and in order.
    void rowSelection_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("runs"); // "first-last first-last"
        QTest::addColumn<qsizetype>("anchor");
        QTest::newRow("one click") << QStringList{"o5"} << "5-5" << qsizetype(5);
        QTest::newRow("Shift+click downwards") << QStringList{"o1", "e3"} << "1-3" << qsizetype(1);
        QTest::newRow("Shift+click upwards, then shorter") << QStringList{"o6", "e2", "e4"} << "4-6" << qsizetype(6);
        QTest::newRow("Shift without an anchor") << QStringList{"e4"} << "4-4" << qsizetype(4);
        QTest::newRow("Ctrl+click adds apart") << QStringList{"o1", "t5"} << "1-1 5-5" << qsizetype(5);
        QTest::newRow("Ctrl+click joins both neighbours") << QStringList{"o1", "t3", "t2"} << "1-3" << qsizetype(2);
        QTest::newRow("Ctrl+click joins the run before") << QStringList{"o1", "e3", "t4"} << "1-4" << qsizetype(4);
        QTest::newRow("Ctrl+click joins the run after") << QStringList{"o4", "e6", "t3"} << "3-6" << qsizetype(3);
        QTest::newRow("Ctrl+click splits a run") << QStringList{"o1", "e5", "t3"} << "1-2 4-5" << qsizetype(3);
        QTest::newRow("Ctrl+click takes a run's ends") << QStringList{"o1", "e3", "t1", "t3"} << "2-2" << qsizetype(3);
        QTest::newRow("Ctrl+click empties") << QStringList{"o2", "t2"} << "" << qsizetype(2);
        QTest::newRow("Shift after Ctrl extends from the new anchor")
            << QStringList{"o1", "t5", "e7"} << "5-7" << qsizetype(5);
        QTest::newRow("Ctrl+A keeps the anchor") << QStringList{"o3", "a10"} << "0-9" << qsizetype(3);
        QTest::newRow("Ctrl+A then Ctrl+click") << QStringList{"a10", "t0", "t9"} << "1-8" << qsizetype(9);
        QTest::newRow("ten million rows: one run, split by a Ctrl+click") << QStringList{"a10000000", "t5000000"}
                                                      << "0-4999999 5000001-9999999" << qsizetype(5000000);
        QTest::newRow("Ctrl+A on an empty list") << QStringList{"o2", "a0"} << "" << qsizetype(2);
        QTest::newRow("emptied") << QStringList{"o1", "e4", "c"} << "" << qsizetype(-1);
    }
    void rowSelection()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, runs);
        QFETCH(qsizetype, anchor);
        RowSelection selection;
        for (const QString &step : steps) {
            const qsizetype row = step.mid(1).toLongLong();
            switch (step.at(0).toLatin1()) {
            case 'o': selection.selectOnly(row); break;
            case 'e': selection.extendTo(row); break;
            case 't': selection.toggle(row); break;
            case 'a': selection.selectAll(row); break;
            case 'c': selection.clear(); break;
            default: QFAIL("unknown step");
            }
        }
        QStringList shown;
        qsizetype count = 0;
        for (const RowSelection::Range &r : selection.ranges()) {
            shown << QStringLiteral("%1-%2").arg(r.first).arg(r.last);
            count += r.last - r.first + 1;
        }
        QCOMPARE(shown.join(u' '), runs);
        QCOMPARE(selection.anchor(), anchor);
        QCOMPARE(selection.count(), count);
        QCOMPARE(selection.isEmpty(), runs.isEmpty());
        // Every row at a run's edge, and beside it, answers as the runs say.
        for (const RowSelection::Range &r : selection.ranges()) {
            QVERIFY(selection.contains(r.first) && selection.contains(r.last));
            QVERIFY(!selection.contains(r.first - 1) && !selection.contains(r.last + 1));
        }
        const QList<int> first = selection.firstRows(3);
        QCOMPARE(first.size(), std::min<qsizetype>(3, count));
        for (const int row : first)
            QVERIFY(selection.contains(row));
    }
};

QTEST_GUILESS_MAIN(TestListModel)
#include "test_list_model.moc"
