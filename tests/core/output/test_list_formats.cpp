// The export layouts, byte for byte, both as plain functions and through the
// general procedures on a live list (any number of columns), plus the
// clipboard's retry rule and what the procedures do when the list changes
// under them.
#include "core/shell/platform/CodePage.h"
#include "core/output/ListExport.h"
#include "core/output/ListFormats.h"
#include "support/ListFormatsInMemory.h"
#include "core/output/ListTable.h"
#include "core/output/SaveTarget.h"
#include "core/shell/controls/ListModel.h"
#include "core/shell/platform/RuntimeError.h"
#include "support/TestHelpers.h"
#include "support/ThrowingClipboard.h"

#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using ListFormats::TableData;
using Rows = QList<QStringList>;

namespace {

void fill(ListModel &list, const TableData &data)
{
    for (const QString &title : data.titles)
        list.addColumnHeader(title);
    for (const QStringList &row : data.rows) {
        list.add(row.value(0));
        for (int k = 1; k < row.size(); ++k)
            list.setSubItem(list.count(), k, row.at(k));
    }
}

Rows oneColumn(const QStringList &cells)
{
    Rows rows;
    for (const QString &c : cells)
        rows.append(QStringList{c});
    return rows;
}

// Text as the system's code page writes it: UTF-8 on Linux, the ANSI code
// page on Windows (there a character it lacks becomes "?").
QByteArray inSystemCodePage(const QString &text)
{
    QStringEncoder system(QStringConverter::System);
    return system.encode(text);
}

const QStringList kDomain{QStringLiteral("Domain(s)")};
const QStringList kTU{QStringLiteral("T"), QStringLiteral("U")};

class RecordingRegistry : public SaveRegistry {
public:
    QList<SaveTarget *> open;
    int registered = 0;
    void registerSave(SaveTarget *t) override
    {
        open.append(t);
        ++registered;
    }
    void unregisterSave(SaveTarget *t) override { open.removeAll(t); }
};

} // namespace

class TestListFormats : public QObject {
    Q_OBJECT
private slots:
    void clipboardText_data()
    {
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QString>("expected");

        QTest::newRow("one row") << kDomain << oneColumn({"example.com"}) << "example.com\r\n";
        QTest::newRow("two rows of five: 14 characters") << kDomain << oneColumn({"abcde", "fghij"})
                                                         << "abcde\r\nfghij\r\n";
        QTest::newRow("three rows, no padding in one column")
            << kDomain << oneColumn({"a.com", "longer.example.org", "b.net"})
            << "a.com\r\nlonger.example.org\r\nb.net\r\n";
        QTest::newRow("blanks at the end go") << kDomain << oneColumn({"example.com  "}) << "example.com\r\n";
        QTest::newRow("blanks inside and in front stay") << kDomain << oneColumn({" ex ample.com"})
                                                         << " ex ample.com\r\n";
        QTest::newRow("TAB is not a blank") << kDomain << oneColumn({"a\t", "b\t  ", "c \t"})
                                            << "a\t\r\nb\t\r\nc \t\r\n";
        QTest::newRow("empty row gives an empty line") << kDomain << oneColumn({"a", "", "b"}) << "a\r\n\r\nb\r\n";
        QTest::newRow("blank-only row gives an empty line") << kDomain << oneColumn({"   ", "x"}) << "\r\nx\r\n";
        QTest::newRow("empty first row") << kDomain << oneColumn({"", "x"}) << "\r\nx\r\n";
        QTest::newRow("comma kept") << kDomain << oneColumn({"a,b"}) << "a,b\r\n";

        QTest::newRow("two columns: the worked example")
            << kTU << Rows{{"x", "1"}, {"long", "22"}} << "x   \t1\r\nlong\t22\r\n";
        QTest::newRow("two columns: last column never padded")
            << kTU << Rows{{"a", "b"}, {"c", "dddd"}} << "a\tb\r\nc\tdddd\r\n";
        QTest::newRow("two columns: blanks of the last cell go")
            << kTU << Rows{{"a", "b  "}} << "a\tb\r\n";
        QTest::newRow("two columns: empty last cell keeps padding and TAB")
            << kTU << Rows{{"abc", ""}, {"a", ""}} << "abc\t\r\na  \t\r\n";
        QTest::newRow("two columns: missing sub-item is empty")
            << kTU << Rows{{"abc"}, {"a", "1"}} << "abc\t\r\na  \t1\r\n";
        QTest::newRow("two columns: blank first cell, empty second")
            << kTU << Rows{{"  ", ""}} << "  \t\r\n";
        QTest::newRow("two columns: width counts 16-bit units")
            << kTU << Rows{{QStringLiteral(u"\u00fc"), "1"}, {QStringLiteral(u"\U0001F600"), "2"}, {"abc", "3"}}
            << QStringLiteral(u"\u00fc  \t1\r\n\U0001F600 \t2\r\nabc\t3\r\n");
        QTest::newRow("three columns")
            << QStringList{"A", "B", "C"} << Rows{{"a", "bb", "c"}, {"aaa", "b", "cc"}}
            << "a  \tbb\tc\r\naaa\tb \tcc\r\n";
    }

    void clipboardText()
    {
        QFETCH(QStringList, titles);
        QFETCH(Rows, rows);
        QFETCH(QString, expected);
        const TableData data{titles, rows};
        QCOMPARE(ListFormats::ClipboardText(data), expected);

        // The procedure on a live list, whose first column comes from its
        // UTF-8 storage, gives the same text.
        ListModel list;
        fill(list, data);
        ScriptedPlatform p;
        p.clipboard.emplace(QStringLiteral("earlier"));
        Main::CopyListToClipboard(p, list);
        QCOMPARE(p.clipboard, std::optional<QString>(expected));
        QCOMPARE(p.clipboardClearAttempts, 1);
        QCOMPARE(p.clipboardSetAttempts, 1);
        QVERIFY(p.boxes.isEmpty());
    }

    void copyOfEmptyListLeavesClipboard_data()
    {
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("one column") << kDomain;
        QTest::newRow("two columns") << kTU;
        QTest::newRow("no column") << QStringList();
    }

    void copyOfEmptyListLeavesClipboard()
    {
        QFETCH(QStringList, titles);
        ListModel list;
        fill(list, {titles, {}});
        ScriptedPlatform p;
        p.clipboard.emplace(QStringLiteral("earlier"));
        Main::CopyListToClipboard(p, list);
        QCOMPARE(p.clipboard, std::optional<QString>(QStringLiteral("earlier")));
        QCOMPARE(p.clipboardClearAttempts, 0);
        QCOMPARE(p.clipboardSetAttempts, 0);
    }

    void copyTakesTickedRows_data()
    {
        QTest::addColumn<bool>("checkBoxes");
        QTest::addColumn<QList<int>>("ticked");
        QTest::addColumn<QString>("expected");
        // Widths are measured over every row, ticked or not.
        QTest::newRow("check boxes, rows 1 and 3 ticked")
            << true << QList<int>{1, 3} << "a      \t1\r\nbb     \t3\r\n";
        QTest::newRow("check boxes, none ticked") << true << QList<int>{} << "";
        QTest::newRow("check boxes, all ticked")
            << true << QList<int>{1, 2, 3} << "a      \t1\r\nlongest\t2\r\nbb     \t3\r\n";
        QTest::newRow("no check boxes: every row, ticks ignored")
            << false << QList<int>{2} << "a      \t1\r\nlongest\t2\r\nbb     \t3\r\n";
    }

    void copyTakesTickedRows()
    {
        QFETCH(bool, checkBoxes);
        QFETCH(QList<int>, ticked);
        QFETCH(QString, expected);
        ListModel list;
        fill(list, {kTU, Rows{{"a", "1"}, {"longest", "2"}, {"bb", "3"}}});
        list.setCheckBoxes(checkBoxes);
        for (int row : ticked)
            list.setChecked(row, true);
        ScriptedPlatform p;
        Main::CopyListToClipboard(p, list);
        QCOMPARE(p.clipboard, std::optional<QString>(expected));
    }

    void clipboardAttempts_data()
    {
        QTest::addColumn<bool>("throwing");
        QTest::addColumn<int>("clearFailures");
        QTest::addColumn<int>("setFailures");
        QTest::addColumn<int>("clearAttempts");
        QTest::addColumn<int>("setAttempts");
        QTest::addColumn<bool>("placed");
        for (bool throwing : {false, true}) {
            const char *how = throwing ? "throwing" : "refusing";
            QTest::addRow("%s: free", how) << throwing << 0 << 0 << 1 << 1 << true;
            QTest::addRow("%s: busy a few times", how) << throwing << 5 << 3 << 6 << 4 << true;
            QTest::addRow("%s: works on the 1000th", how) << throwing << 999 << 999 << 1000 << 1000 << true;
            QTest::addRow("%s: never works within 1000", how) << throwing << 1000 << 1000 << 1000 << 1000 << false;
            QTest::addRow("%s: held for good", how) << throwing << 5000 << 5000 << 1000 << 1000 << false;
            QTest::addRow("%s: clear gives up, set works", how) << throwing << 5000 << 0 << 1000 << 1 << true;
        }
    }

    void clipboardAttempts()
    {
        QFETCH(bool, throwing);
        QFETCH(int, clearFailures);
        QFETCH(int, setFailures);
        QFETCH(int, clearAttempts);
        QFETCH(int, setAttempts);
        QFETCH(bool, placed);
        ThrowingClipboard thrower;
        ScriptedPlatform refuser;
        ScriptedPlatform &p = throwing ? thrower : refuser;
        p.clipboard.emplace(QStringLiteral("earlier"));
        p.clipboardClearFailures = clearFailures;
        p.clipboardSetFailures = setFailures;

        Main::ClearClipboard(p);
        QCOMPARE(Main::SetClipboardText(p, QByteArrayLiteral("new"), 0), placed);
        QCOMPARE(p.clipboardClearAttempts, clearAttempts);
        QCOMPARE(p.clipboardSetAttempts, setAttempts);
        QVERIFY(p.boxes.isEmpty());
        const bool cleared = clearFailures < Main::kClipboardAttempts;
        const std::optional<QString> held = placed ? std::optional<QString>(QStringLiteral("new"))
            : cleared                              ? std::nullopt
                                                   : std::optional<QString>(QStringLiteral("earlier"));
        QCOMPARE(p.clipboard, held);
    }

    void commaDelimited_data()
    {
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("empty list: 0 bytes") << kDomain << Rows{} << QByteArray();
        QTest::newRow("one row, no line end") << kDomain << oneColumn({"example.com"}) << QByteArray("example.com");
        QTest::newRow("two rows") << kDomain << oneColumn({"a.com", "b.com"}) << QByteArray("a.com,b.com");
        QTest::newRow("three rows, two commas") << kDomain << oneColumn({"a.com", "b.org", "c.net"})
                                                << QByteArray("a.com,b.org,c.net");
        QTest::newRow("blanks at the end kept") << kDomain << oneColumn({"a.com  ", " b"}) << QByteArray("a.com  , b");
        QTest::newRow("comma inside written as is") << kDomain << oneColumn({"a,b", "c"}) << QByteArray("a,b,c");
        QTest::newRow("quotes and line breaks as is")
            << kDomain << oneColumn({"say \"hi\"", "x\r\ny"}) << QByteArray("say \"hi\",x\r\ny");
        QTest::newRow("empty row in the middle") << kDomain << oneColumn({"a", "", "c"}) << QByteArray("a,,c");
        QTest::newRow("one empty row") << kDomain << oneColumn({""}) << QByteArray();
        QTest::newRow("two empty rows") << kDomain << oneColumn({"", ""}) << QByteArray(",");
        QTest::newRow("non-ASCII in the system code page")
            << kDomain << oneColumn({QStringLiteral(u"b\u00fccher.example"), QStringLiteral(u"\u4f8b.jp")})
            << inSystemCodePage(QStringLiteral(u"b\u00fccher.example,\u4f8b.jp"));

        QTest::newRow("two columns: the worked example")
            << kTU << Rows{{"a", "b"}, {"c", "d"}} << QByteArray("T,U,\r\na,b\r\nc,d\r\n");
        QTest::newRow("two columns, no rows: header only") << kTU << Rows{} << QByteArray("T,U,\r\n");
        QTest::newRow("two columns, missing sub-item") << kTU << Rows{{"a"}} << QByteArray("T,U,\r\na,\r\n");
        QTest::newRow("two columns, cells not trimmed") << kTU << Rows{{" a ", "b,c"}}
                                                        << QByteArray("T,U,\r\n a ,b,c\r\n");
        QTest::newRow("three columns") << QStringList{"A", "B", "C"} << Rows{{"1", "2", "3"}}
                                       << QByteArray("A,B,C,\r\n1,2,3\r\n");

        for (int n : {32766, 32767, 32768, 40000}) {
            const QStringList cells = numbered(n);
            QTest::addRow("%d rows, one column", n) << kDomain << oneColumn(cells) << cells.join(',').toUtf8();
        }
        Rows pairs;
        QByteArray expected("T,U,\r\n");
        for (int i = 1; i <= 33000; ++i) {
            pairs.append({QString::number(i), QStringLiteral("x")});
            expected += QByteArray::number(i) + ",x\r\n";
        }
        QTest::newRow("33000 rows, two columns") << kTU << pairs << expected;
    }

    void commaDelimited()
    {
        QFETCH(QStringList, titles);
        QFETCH(Rows, rows);
        QFETCH(QByteArray, expected);
        const TableData data{titles, rows};
        QCOMPARE(ListFormats::CommaDelimitedBytes(data), expected);

        ListModel list;
        fill(list, data);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("out.csv"));
        ScriptedPlatform p;
        RecordingRegistry saves;
        Main::SaveListCommaDelimited(p, list, path, &saves);
        QCOMPARE(readAll(path), expected);
        QVERIFY(p.boxes.isEmpty()); // no question for a new file, no message after
        QCOMPARE(entriesOf(dir.path()), QStringList{QStringLiteral("out.csv")});
        QCOMPARE(saves.registered, 1);
        QVERIFY(saves.open.isEmpty());
        QCOMPARE(p.yields, long(rows.size())); // once per row
    }

    void textFile_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringConverter::Encoding>("encoding");
        QTest::addColumn<QByteArray>("expected");
        const auto system = QStringConverter::System;
        QTest::newRow("empty list: 0 bytes") << QStringList() << system << QByteArray();
        QTest::newRow("one row") << QStringList{"example.com"} << system << QByteArray("example.com\r\n");
        QTest::newRow("two rows") << QStringList{"a.com", "b.com"} << system << QByteArray("a.com\r\nb.com\r\n");
        QTest::newRow("three rows") << QStringList{"a", "b", "c"} << system << QByteArray("a\r\nb\r\nc\r\n");
        QTest::newRow("blanks at the end kept") << QStringList{"a.com  "} << system << QByteArray("a.com  \r\n");
        QTest::newRow("empty row") << QStringList{"a", "", "b"} << system << QByteArray("a\r\n\r\nb\r\n");
        QTest::newRow("comma") << QStringList{"a,b"} << system << QByteArray("a,b\r\n");
        QTest::newRow("UTF-8 system code page")
            << QStringList{QStringLiteral(u"b\u00fccher.example")} << QStringConverter::Utf8
            << QByteArray("b\xc3\xbc" "cher.example\r\n");
        QTest::newRow("8-bit code page") << QStringList{QStringLiteral(u"b\u00fccher.example")}
                                         << QStringConverter::Latin1 << QByteArray("b\xfc" "cher.example\r\n");
        QTest::newRow("8-bit code page, ASCII") << QStringList{"a.com"} << QStringConverter::Latin1
                                                << QByteArray("a.com\r\n");
        const QStringList many = numbered(40000);
        QTest::newRow("40000 rows") << many << system << (many.join(QStringLiteral("\r\n")) + "\r\n").toUtf8();
    }

    void textFile()
    {
        QFETCH(QStringList, rows);
        QFETCH(QStringConverter::Encoding, encoding);
        QFETCH(QByteArray, expected);
        QCOMPARE(ListFormats::TextFileBytes(rows, encoding), expected);
        // A row straight from the list's UTF-8 storage encodes alike.
        CodePageEncoder encoder(encoding);
        QByteArray fromStorage;
        for (const QString &row : rows) {
            const QByteArray utf8 = row.toUtf8();
            ListFormats::AppendTextFileLine(fromStorage, ListFormats::CellText::fromUtf8(utf8), encoder);
        }
        QCOMPARE(fromStorage, expected);
    }

    void systemCodePage()
    {
#ifdef Q_OS_LINUX
        // Qt takes the system's text encoding on Linux to be UTF-8: the saves
        // may then write the list's bytes untouched.
        QVERIFY(SystemCodePageIsUtf8());
        QVERIFY(CodePageEncoder().passesUtf8Through());
#elif defined(Q_OS_WIN)
        // The ANSI code page, as Windows names it.
        QCOMPARE(SystemCodePageIsUtf8(), GetACP() == CP_UTF8);
        QCOMPARE(CodePageEncoder().passesUtf8Through(), GetACP() == CP_UTF8);
#endif
        QVERIFY(!CodePageEncoder(QStringConverter::Latin1).passesUtf8Through());
        QVERIFY(CodePageEncoder(QStringConverter::Utf8).passesUtf8Through());
    }

    void commaDelimitedInAnotherCodePage_data()
    {
        QTest::addColumn<QStringConverter::Encoding>("encoding");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("Latin-1") << QStringConverter::Latin1 << QByteArray("T\xc4,U,\r\nb\xfc,x\r\n");
        QTest::newRow("UTF-8") << QStringConverter::Utf8 << QByteArray("T\xc3\x84,U,\r\nb\xc3\xbc,x\r\n");
    }

    void commaDelimitedInAnotherCodePage()
    {
        QFETCH(QStringConverter::Encoding, encoding);
        QFETCH(QByteArray, expected);
        const TableData data{{QStringLiteral(u"T\u00c4"), QStringLiteral("U")},
                             {{QStringLiteral(u"b\u00fc"), QStringLiteral("x")}}};
        QCOMPARE(ListFormats::CommaDelimitedBytes(data, encoding), expected);
    }

    // A raw row next to a text row in a two-column list: its bytes go to the
    // files untouched in every code page; the clipboard pads it by the
    // characters Windows-1252 gives, one per byte.
    void rawRows_data()
    {
        QTest::addColumn<QStringConverter::Encoding>("encoding");
        QTest::addColumn<QByteArray>("comma");
        QTest::addColumn<QByteArray>("text");
        const QByteArray u = inSystemCodePage(QStringLiteral(u"\u00FC"));
        QTest::newRow("system") << QStringConverter::System << "T,U,\r\n\x93\xE9\x81,x\r\n" + u + ",y\r\n"
                                << "\x93\xE9\x81\r\n" + u + "\r\n";
        QTest::newRow("Latin-1") << QStringConverter::Latin1 << QByteArray("T,U,\r\n\x93\xE9\x81,x\r\n\xFC,y\r\n")
                                 << QByteArray("\x93\xE9\x81\r\n\xFC\r\n");
    }

    void rawRows()
    {
        QFETCH(QStringConverter::Encoding, encoding);
        QFETCH(QByteArray, comma);
        QFETCH(QByteArray, text);
        ListModel list;
        list.addColumnHeader(QStringLiteral("T"));
        list.addColumnHeader(QStringLiteral("U"));
        list.addRaw("\x93\xE9\x81");
        list.setSubItem(1, 1, QStringLiteral("x"));
        list.addUtf8("\xC3\xBC");
        list.setSubItem(2, 1, QStringLiteral("y"));
        const ListFormats::ListTable table(list);

        QCOMPARE(QString::fromUtf8(ListFormats::BuildClipboardText(table, [] {})),
                 QStringLiteral(u"\u201C\u00E9\uFFFD\tx\r\n\u00FC  \ty\r\n"));
        CodePageEncoder encoder(encoding);
        struct {
            QByteArray bytes;
            QByteArray &buffer() { return bytes; }
            void rowDone() {}
        } sink;
        ListFormats::WriteCommaDelimited(table, sink, encoder, [] {});
        QCOMPARE(sink.bytes, comma);
        QByteArray lines;
        for (qsizetype r = 1; r <= table.rowCount(); ++r)
            ListFormats::AppendTextFileLine(lines, table.cell(r, 1), encoder);
        QCOMPARE(lines, text);
    }

    // The list changes while the procedure lets events run.
    void listChangesMidCopy_data()
    {
        QTest::addColumn<int>("yieldAt");
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("errorNumber"); // 0: the copy completes
        QTest::addColumn<QString>("expected");
        // Three rows, two columns: yields 1-6 measure, then per row one for
        // the row and one per cell.
        QTest::newRow("cleared while measuring") << 2 << "clear" << ErrNo::IndexOutOfBounds << "";
        QTest::newRow("cleared before the first line") << 7 << "clear" << ErrNo::IndexOutOfBounds << "";
        QTest::newRow("cleared at the last cell") << 15 << "clear" << ErrNo::IndexOutOfBounds << "";
        QTest::newRow("row added while measuring is copied unmeasured")
            << 1 << "add" << 0 << "a  \t1\r\nbbb\t2\r\nc  \t3\r\nnewest\t\r\n";
        QTest::newRow("column added while measuring has no width") << 6 << "column" << 9 << "";
    }

    void listChangesMidCopy()
    {
        QFETCH(int, yieldAt);
        QFETCH(QString, change);
        QFETCH(int, errorNumber);
        QFETCH(QString, expected);
        ListModel list;
        fill(list, {kTU, Rows{{"a", "1"}, {"bbb", "2"}, {"c", "3"}}});
        ScriptedPlatform p;
        p.clipboard.emplace(QStringLiteral("earlier"));
        p.onYield = [&] {
            if (p.yields != yieldAt)
                return;
            if (change == QLatin1String("clear"))
                list.clear();
            else if (change == QLatin1String("add"))
                list.add(QStringLiteral("newest"));
            else
                list.addColumnHeader(QStringLiteral("V"));
        };
        int thrown = 0;
        try {
            Main::CopyListToClipboard(p, list);
        } catch (const RuntimeError &e) {
            thrown = e.number();
        }
        QCOMPARE(thrown, errorNumber);
        QCOMPARE(p.clipboard, std::optional<QString>(errorNumber ? QStringLiteral("earlier") : expected));
    }

    void listClearedMidSave_data()
    {
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<int>("yieldAt");
        QTest::newRow("one column, before the first row") << kDomain << 1;
        QTest::newRow("one column, before the last row") << kDomain << 5;
        QTest::newRow("two columns, in the middle") << kTU << 3;
        // Far enough in that whole blocks already went to the file.
        QTest::newRow("one column, after blocks were written") << kDomain << 4000;
    }

    void listClearedMidSave()
    {
        QFETCH(QStringList, titles);
        QFETCH(int, yieldAt);
        ListModel list;
        Rows rows;
        for (int i = 1; i <= std::max(5, yieldAt); ++i)
            rows.append({QStringLiteral("row%1.example.com").arg(i, 40, 10, QLatin1Char('0')), "x"});
        fill(list, {titles, rows});
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("old.csv"));
        const QByteArray old("the old file\r\n");
        QVERIFY(writeAll(path, old));
        ScriptedPlatform p;
        RecordingRegistry saves;
        int openDuringRun = -1;
        p.onYield = [&] {
            if (p.yields == yieldAt) {
                openDuringRun = int(saves.open.size());
                list.clear();
            }
        };
        int thrown = 0;
        try {
            Main::SaveListCommaDelimited(p, list, path, &saves);
        } catch (const RuntimeError &e) {
            thrown = e.number();
        }
        QCOMPARE(thrown, ErrNo::IndexOutOfBounds);
        QCOMPARE(p.boxes.size(), 1); // the overwrite question, answered Yes
        QCOMPARE(openDuringRun, 1);
        QVERIFY(saves.open.isEmpty());
        QCOMPARE(readAll(path), old);
        QCOMPARE(entriesOf(dir.path()), QStringList{QStringLiteral("old.csv")});
    }

    // Until commit nothing touches the old file, also where it is replaced in
    // place; a committed save holds every row, however many blocks it took.
    void saveTargetKeepsOldFileUntilCommit_data()
    {
        QTest::addColumn<SaveTarget::Placement>("placement");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("commit");
        QTest::addColumn<bool>("linked"); // the old file has a second name
        QTest::addColumn<bool>("held"); // another program holds it open, sharing all but its deletion
        using P = SaveTarget::Placement;
        QTest::newRow("beside, abandoned after blocks") << P::Replace << 60000 << false << false << false;
        QTest::newRow("in place, abandoned at once") << P::InPlace << 0 << false << false << false;
        QTest::newRow("in place, abandoned after blocks") << P::InPlace << 60000 << false << false << false;
        QTest::newRow("in place, committed") << P::InPlace << 60000 << true << false << false;
        QTest::newRow("in place, nothing committed") << P::InPlace << 0 << true << false << false;
        // Every name of a file with two reads the new rows.
        QTest::newRow("two names, committed") << P::Replace << 60000 << true << true << false;
        QTest::newRow("two names, abandoned") << P::Replace << 60000 << false << true << false;
#ifdef Q_OS_WIN
        // No new file can take its place: the rows go into it.
        QTest::newRow("held by another program, committed") << P::Replace << 60000 << true << false << true;
        QTest::newRow("held by another program, abandoned") << P::Replace << 60000 << false << false << true;
#endif
    }
    void saveTargetKeepsOldFileUntilCommit()
    {
        QFETCH(SaveTarget::Placement, placement);
        QFETCH(int, rows);
        QFETCH(bool, commit);
        QFETCH(bool, linked);
        QFETCH(bool, held);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("old.txt"));
        const QByteArray old = QByteArray("old line\r\n").repeated(1000);
        QVERIFY(writeAll(path, old));
#ifdef Q_OS_WIN
        const HANDLE holder = held ? CreateFileW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()),
                                                 GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                                   : INVALID_HANDLE_VALUE;
        QVERIFY(!held || holder != INVALID_HANDLE_VALUE);
        const auto letGo = qScopeGuard([holder] {
            if (holder != INVALID_HANDLE_VALUE)
                CloseHandle(holder);
        });
#else
        QVERIFY(!held);
#endif
        const QString link = dir.filePath(QStringLiteral("second name.txt"));
        if (linked) {
            std::error_code error;
            std::filesystem::create_hard_link(QFileInfo(path).filesystemFilePath(), QFileInfo(link).filesystemFilePath(), error);
            QVERIFY2(!error, error.message().c_str());
        }
        QByteArray expected;
        {
            RecordingRegistry saves;
            SaveTarget target(&saves);
            target.open(path, placement);
            QCOMPARE(saves.open.size(), 1);
            for (int i = 0; i < rows; ++i) {
                const QByteArray row = QByteArray::number(i) + ".example.com\r\n";
                // Rows copied straight in and rows appended to the buffer
                // keep their order, across blocks.
                if (i % 3 == 0) {
                    target.appendLine(QByteArrayView(row).chopped(2));
                } else if (i % 3 == 1) {
                    target.buffer() += row;
                } else {
                    target.append(QByteArrayView(row).chopped(2));
                    target.append("\r\n");
                }
                expected += row;
                target.rowDone();
            }
            QCOMPARE(readAll(path), old);
            if (commit) {
                target.commit();
                QVERIFY(saves.open.isEmpty());
            }
        }
        QCOMPARE(readAll(path), commit ? expected : old);
        if (linked)
            QCOMPARE(readAll(link), commit ? expected : old);
        const QStringList names{QStringLiteral("old.txt"), QStringLiteral("second name.txt")};
        QCOMPARE(entriesOf(dir.path()), names.first(linked ? 2 : 1));
    }

    void overwriteQuestion_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("Yes") << int(Msg::Yes) << true;
        QTest::newRow("No") << int(Msg::No) << false;
    }

    void overwriteQuestion()
    {
        QFETCH(int, answer);
        QFETCH(bool, replaced);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("results"));
        const QByteArray old("old,content");
        QVERIFY(writeAll(path, old));
        ListModel list;
        fill(list, {kDomain, oneColumn({"a.com", "b.com"})});
        ScriptedPlatform p;
        p.setAppTitle(QStringLiteral("Kestrune Domain Extractor"));
        p.msgAnswers = {answer};
        Main::SaveListCommaDelimited(p, list, path);
        QCOMPARE(p.boxes.size(), 1);
        QCOMPARE(p.boxes[0].prompt, QStringLiteral("Are you sure you wish to overwrite ") + path + QStringLiteral(" ?"));
        QCOMPARE(p.boxes[0].buttons, int(Msg::YesNo));
        QCOMPARE(p.boxes[0].title, QStringLiteral("Kestrune Domain Extractor"));
        QCOMPARE(readAll(path), replaced ? QByteArray("a.com,b.com") : old);
        QCOMPARE(p.yields, replaced ? 2L : 0L);
    }
};

QTEST_GUILESS_MAIN(TestListFormats)
#include "test_list_formats.moc"
