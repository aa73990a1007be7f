// The result list's four buttons through the real window: what reaches the
// clipboard and the files, the boxes shown, the pointer left behind, and what
// happens when the list is cleared or the program ends in the middle.
#include "core/output/ListExport.h"
#include "core/shell/platform/CodePage.h"
#include "gui/shell/window/Form1.h"
#include "core/shell/handlers/HandlerSteps.h"
#include "core/shell/handlers/MemoryCheck.h"
#include "core/shell/controls/ListModel.h"
#include "support/WindowFixture.h"

#include <QFileInfo>
#include <QTest>

namespace {

const char *const kCopied = "Results have been copied to the clipboard.\r\r"
                            "Click a text area where you normally type and press Ctrl+V to paste the clipboard.";
const char *const kFilter = "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|";
// The domains of the mixed file in legacyFile, as the list shows them, one per line.
const QString kLegacyShown = QStringLiteral(u"mail.example\r\nb\u00FCcher.example\r\ncaf\u00E9.example\r\n"
                                            u"\u201Cq\u201D.example\r\nodd\uFFFD.example\r\n\u00FF.example\r\n");
constexpr int kStartPointer = Form1::PointerCustom; // the hand: the mouse was on the button

void fill(WindowFixture &r, const QStringList &rows)
{
    for (const QString &row : rows)
        r.w().results().add(row);
}

} // namespace

class TestOutputHandlers : public QObject {
    Q_OBJECT
private slots:
    void clearList_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("pointer");
        QTest::newRow("empty list") << 0 << kStartPointer;
        QTest::newRow("full list") << 500 << kStartPointer;
        // Unlike the input list's, this one clears under the hourglass too.
        QTest::newRow("under the hourglass") << 3 << int(Form1::PointerHourglass);
    }

    void clearList()
    {
        QFETCH(int, rows);
        QFETCH(int, pointer);
        WindowFixture r;
        r.w().setMousePointer(kStartPointer);
        fill(r, numbered(rows));
        r.w().setMousePointer(pointer);
        r.click(3);
        QCOMPARE(r.w().results().count(), 0);
        QCOMPARE(r.w().results().columnHeaderCount(), 1);
        QCOMPARE(r.w().results().columnHeaderTitle(1), QStringLiteral("Domain(s)"));
        QVERIFY(r.p.boxes.isEmpty());
        QCOMPARE(r.w().MousePointer(), pointer);
        // The list takes rows again afterwards.
        r.w().results().add(QStringLiteral("again.example"));
        QCOMPARE(r.w().results().text(1), QStringLiteral("again.example"));
    }

    void copy_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("clearFailures");
        QTest::addColumn<int>("setFailures");
        QTest::addColumn<qint64>("room"); // memory beyond what the window keeps; -1: the system tells nothing
        QTest::addColumn<QString>("clipboard"); // null: left as it was
        QTest::addColumn<QStringList>("errors");
        QTest::newRow("empty list leaves the clipboard") << QStringList() << 0 << 0 << qint64(-1) << QString()
                                                         << QStringList();
        QTest::newRow("two rows of five: 14 characters") << QStringList{"abcde", "fghij"} << 0 << 0 << qint64(-1)
                                                         << "abcde\r\nfghij\r\n" << QStringList();
        QTest::newRow("trailing blanks dropped, inner kept") << QStringList{"exa mple.com  ", "b.org"} << 0 << 0
                                                             << qint64(-1) << "exa mple.com\r\nb.org\r\n"
                                                             << QStringList();
        QTest::newRow("empty row") << QStringList{"a", "", "b"} << 0 << 0 << qint64(-1) << "a\r\n\r\nb\r\n"
                                   << QStringList();
        QTest::newRow("clipboard busy a while") << QStringList{"a"} << 40 << 999 << qint64(-1) << "a\r\n"
                                                << QStringList();
        QTest::newRow("clipboard held by another program") << QStringList{"a"} << 100000 << 100000 << qint64(-1)
                                                           << QString() << QStringList();
        // The text is measured first: one that the memory left cannot hold is
        // never made, and the clipboard keeps what it had.
        QTest::newRow("no memory for the text") << QStringList{"abcde", "fghij"} << 0 << 0 << qint64(10) << QString()
                                                << QStringList{errorBox(5, "Out of memory", 106)};
        QTest::newRow("memory just for the text") << QStringList{"abcde", "fghij"} << 0 << 0 << qint64(16)
                                                  << "abcde\r\nfghij\r\n" << QStringList();
    }

    void copy()
    {
        QFETCH(QStringList, rows);
        QFETCH(int, clearFailures);
        QFETCH(int, setFailures);
        QFETCH(qint64, room);
        QFETCH(QString, clipboard);
        QFETCH(QStringList, errors);
        WindowFixture r;
        r.w().setMousePointer(kStartPointer);
        fill(r, rows);
        r.p.clipboard.emplace(QStringLiteral("earlier"));
        r.p.clipboardClearFailures = clearFailures;
        r.p.clipboardSetFailures = setFailures;
        r.p.availableMemory = room < 0 ? -1 : Main::kMemoryHeadroom + room;
        r.click(5);
        QCOMPARE(r.p.clipboard, std::optional<QString>(clipboard.isNull() ? QStringLiteral("earlier") : clipboard));
        // The confirmation, after any error box, whatever the copy did.
        QCOMPARE(r.p.boxTexts(), errors + QStringList{QLatin1String(kCopied)});
        QCOMPARE(r.p.boxes.last().buttons, int(Msg::OkOnly));
        QCOMPARE(r.p.boxes.last().title, r.p.appTitle());
        QVERIFY(!r.p.appTitle().isEmpty());
        QCOMPARE(r.w().MousePointer(), kStartPointer);
        QCOMPARE(r.w().results().count(), rows.size()); // the copy never changes the list
        if (!rows.isEmpty() && errors.isEmpty()) {
            QCOMPARE(r.p.clipboardClearAttempts, std::min(clearFailures + 1, Main::kClipboardAttempts));
            QCOMPARE(r.p.clipboardSetAttempts, std::min(setFailures + 1, Main::kClipboardAttempts));
        }
    }

    void saveBytes_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QByteArray>("expected");
        const QStringList many = numbered(40000);
        const QStringList edge = numbered(32767);
        struct Case {
            const char *name;
            QStringList rows;
            QByteArray text;
            QByteArray comma;
        };
        const Case cases[] = {
            {"empty list", {}, "", ""},
            {"one row", {"example.com"}, "example.com\r\n", "example.com"},
            {"two rows", {"a.com", "b.com"}, "a.com\r\nb.com\r\n", "a.com,b.com"},
            {"three rows", {"a.com", "b.org", "c.net"}, "a.com\r\nb.org\r\nc.net\r\n", "a.com,b.org,c.net"},
            {"blanks at the end kept", {"a.com  ", "b"}, "a.com  \r\nb\r\n", "a.com  ,b"},
            {"comma inside", {"a,b", "c"}, "a,b\r\nc\r\n", "a,b,c"},
            {"empty row", {"a", "", "c"}, "a\r\n\r\nc\r\n", "a,,c"},
            {"32767 rows", edge, (edge.join("\r\n") + "\r\n").toUtf8(), edge.join(',').toUtf8()},
            {"40000 rows", many, (many.join("\r\n") + "\r\n").toUtf8(), many.join(',').toUtf8()},
            // A row larger than the block the save writes out at a time.
            {"row longer than a block", {"a", QString(3 << 20, 'x'), "b"},
             "a\r\n" + QByteArray(3 << 20, 'x') + "\r\nb\r\n", "a," + QByteArray(3 << 20, 'x') + ",b"},
        };
        for (const Case &c : cases) {
            QTest::addRow("text: %s", c.name) << 6 << "out.txt" << c.rows << c.text;
            QTest::addRow("comma: %s", c.name) << 7 << "out.txt" << c.rows << c.comma;
        }
        // The name is used exactly as typed: no extension is added.
        QTest::newRow("text: no extension") << 6 << "results" << QStringList{"a"} << QByteArray("a\r\n");
        QTest::newRow("comma: no extension") << 7 << "results" << QStringList{"a"} << QByteArray("a");
        QTest::newRow("comma: another extension") << 7 << "results.csv" << QStringList{"a", "b"}
                                                  << QByteArray("a,b");
    }

    void saveBytes()
    {
        QFETCH(int, button);
        QFETCH(QString, fileName);
        QFETCH(QStringList, rows);
        QFETCH(QByteArray, expected);
        WindowFixture r;
        r.w().setMousePointer(kStartPointer);
        QVERIFY(r.dir.isValid());
        const QString path = r.path(fileName);
        fill(r, rows);
        r.p.dialogAnswers = {path};
        r.click(button);
        QCOMPARE(readAll(path), expected);
        QCOMPARE(r.files(), QStringList{fileName});
        QVERIFY(r.p.boxes.isEmpty()); // no question for a new file, no message after
        QCOMPARE(r.w().MousePointer(), int(Form1::PointerArrow));
        QCOMPARE(r.w().results().count(), rows.size());
        QCOMPARE(r.p.dialogs.size(), 1);
        const FileDialogRequest &d = r.p.dialogs[0];
        QCOMPARE(d.kind, FileDialogRequest::Kind::Save);
        QCOMPARE(d.flags, 2621953L);
        QCOMPARE(d.title, QStringLiteral("Save"));
        QCOMPARE(d.filter, QLatin1String(kFilter));
        QCOMPARE(r.w().CommonDialog1.fileName(), path);
    }

    // A file mixing UTF-8, Windows-1252 and a stray 0xFF, loaded, extracted
    // and exported: the files get each domain's own bytes back, the clipboard
    // and the list show the 1252 reading.
    void legacyFile_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QByteArray>("expected"); // file bytes, or the clipboard's UTF-8
        QTest::newRow("text file") << 6
                                   << QByteArray("mail.example\r\nb\xC3\xBC" "cher.example\r\ncaf\xE9.example\r\n"
                                                 "\x93q\x94.example\r\nodd\x81.example\r\n\xFF.example\r\n");
        QTest::newRow("comma-delimited") << 7
                                         << QByteArray("mail.example,b\xC3\xBC" "cher.example,caf\xE9.example,"
                                                       "\x93q\x94.example,odd\x81.example,\xFF.example");
        QTest::newRow("clipboard") << 5 << kLegacyShown.toUtf8();
    }

    void legacyFile()
    {
        QFETCH(int, button);
        QFETCH(QByteArray, expected);
        if (!SystemCodePageIsUtf8())
            QSKIP("Only lines that are not UTF-8 are kept as bytes here");
        WindowFixture r;
        r.w().setMousePointer(kStartPointer);
        QVERIFY(r.dir.isValid());
        const QString in = r.path(QStringLiteral("in.txt"));
        const QString out = r.path(QStringLiteral("out.txt"));
        QVERIFY(writeAll(in, "ann@mail.example\r\nj\xC3\xB6ran@b\xC3\xBC" "cher.example\r\njos\xE9@caf\xE9.example\r\n"
                              "http://www.\x93q\x94.example\r\nx@odd\x81.example\r\nstray@\xFF.example"));
        r.p.dialogAnswers = {in};
        r.click(4);
        r.click(2);
        r.p.boxes.clear();
        r.p.dialogAnswers = {out};
        r.click(button);
        QCOMPARE(button == 5 ? r.p.clipboard.value_or(QString()).toUtf8() : readAll(out), expected);

        // What a view or a screen reader gets through data().
        ListModel &results = r.w().results();
        results.flush();
        QStringList shown;
        for (int row = 0; row < results.rowCount(); ++row)
            shown << results.data(results.index(row, 0)).toString() + QStringLiteral("\r\n");
        QCOMPARE(shown.join(QString()), kLegacyShown);
        r.w().entries().flush();
        QCOMPARE(r.w().entries().data(r.w().entries().index(2, 0)).toString(),
                 QStringLiteral(u"jos\u00E9@caf\u00E9.example"));
    }

    void overwrite_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<int>("pointerAtQuestion");
        QTest::addColumn<int>("pointerAfter");
        // The text save asks before the hourglass and leaves the pointer alone
        // after No; the comma save asks under the hourglass and always ends
        // with the arrow.
        QTest::newRow("text, Yes") << 6 << int(Msg::Yes) << QByteArray("a.com\r\nb.com\r\n") << kStartPointer
                                   << int(Form1::PointerArrow);
        QTest::newRow("text, No") << 6 << int(Msg::No) << QByteArray() << kStartPointer << kStartPointer;
        QTest::newRow("comma, Yes") << 7 << int(Msg::Yes) << QByteArray("a.com,b.com")
                                    << int(Form1::PointerHourglass) << int(Form1::PointerArrow);
        QTest::newRow("comma, No") << 7 << int(Msg::No) << QByteArray() << int(Form1::PointerHourglass)
                                   << int(Form1::PointerArrow);
    }

    void overwrite()
    {
        QFETCH(int, button);
        QFETCH(int, answer);
        QFETCH(QByteArray, after);
        QFETCH(int, pointerAtQuestion);
        QFETCH(int, pointerAfter);
        WindowFixture r;
        r.w().setMousePointer(kStartPointer);
        QVERIFY(r.dir.isValid());
        const QString path = r.path(QStringLiteral("results.txt"));
        const QByteArray old("old line 1\r\nold, line 2\r\n\xff\x00 binary", 33);
        QVERIFY(writeAll(path, old));
        fill(r, {"a.com", "b.com"});
        r.p.dialogAnswers = {path};
        r.p.msgAnswers = {answer};
        int pointerSeen = -1;
        r.p.onBox = [&](const ScriptedPlatform::Box &) { pointerSeen = r.w().MousePointer(); };
        r.click(button);
        QCOMPARE(r.p.boxes.size(), 1);
        QCOMPARE(r.p.boxes[0].prompt, QStringLiteral("Are you sure you wish to overwrite ") + path + " ?");
        QCOMPARE(r.p.boxes[0].buttons, int(Msg::YesNo));
        QCOMPARE(r.p.boxes[0].title, r.p.appTitle());
        QCOMPARE(pointerSeen, pointerAtQuestion);
        QCOMPARE(readAll(path), after.isEmpty() ? old : after);
        QCOMPARE(r.files(), QStringList{QStringLiteral("results.txt")});
        QCOMPARE(r.w().MousePointer(), pointerAfter);
    }

    void cancel_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("earlierSave");
        QTest::addColumn<bool>("emptyName");
        for (int button : {6, 7}) {
            const char *kind = button == 6 ? "text" : "comma";
            QTest::addRow("%s: Cancel", kind) << button << false << false;
            QTest::addRow("%s: Cancel with an earlier name proposed", kind) << button << true << false;
            QTest::addRow("%s: empty name", kind) << button << false << true;
            QTest::addRow("%s: empty name after an earlier save", kind) << button << true << true;
        }
    }

    void cancel()
    {
        QFETCH(int, button);
        QFETCH(bool, earlierSave);
        QFETCH(bool, emptyName);
        WindowFixture r;
        r.w().setMousePointer(kStartPointer);
        QVERIFY(r.dir.isValid());
        const QString earlier = r.path(QStringLiteral("earlier.txt"));
        fill(r, {"a.com"});
        if (earlierSave) {
            r.p.dialogAnswers = {earlier};
            r.click(button);
            QVERIFY(QFileInfo::exists(earlier));
            QVERIFY(writeAll(earlier, "kept"));
            r.w().setMousePointer(kStartPointer);
        }
        r.p.dialogAnswers = {emptyName ? std::optional<QString>(QString()) : std::nullopt};
        r.click(button);
        QCOMPARE(r.p.dialogs.size(), earlierSave ? 2 : 1);
        // The save proposes the last use's name; it does not empty it first.
        QCOMPARE(r.p.dialogs.last().fileName, earlierSave ? earlier : QString());
        QCOMPARE(r.files(), earlierSave ? QStringList{QStringLiteral("earlier.txt")} : QStringList());
        if (earlierSave)
            QCOMPARE(readAll(earlier), QByteArray("kept"));
        QVERIFY(r.p.boxes.isEmpty());
        QCOMPARE(r.w().MousePointer(), kStartPointer);
    }

    // Each bad name gives exactly one error box, with the step's label, and
    // leaves whatever was there as it was.
    void badName_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("target"); // relative to the temporary folder, or a device
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QString>("error");
        for (int button : {6, 7}) {
            const bool text = button == 6;
            const char *kind = text ? "text" : "comma";
            const QString missing = errorBox(button, "Path not found", text ? 130 : 122);
            const QString access = errorBox(button, "Path/File access error", text ? 130 : 122);
            QTest::addRow("%s: folder that does not exist", kind) << button << "missing/out.txt" << 3 << false
                                                                   << missing;
            QTest::addRow("%s: onto a folder", kind) << button << "folder" << 3 << true << access;
            // A write that fails is the row's: the last row's when the rows
            // fit in one block, the row where a block goes out mid-list.
            QTest::addRow("%s: full device, few rows", kind)
                << button << "/dev/full" << 3 << true << errorBox(button, "Device I/O error", text ? 136 : 122);
            QTest::addRow("%s: full device, many rows", kind)
                << button << "/dev/full" << 100000 << true << errorBox(button, "Device I/O error", text ? 136 : 122);
        }
    }

    void badName()
    {
        QFETCH(int, button);
        QFETCH(QString, target);
        QFETCH(int, rows);
        QFETCH(bool, asked);
        QFETCH(QString, error);
        if (target.startsWith(QLatin1String("/dev/")) && !QFileInfo::exists(target))
            QSKIP("no /dev/full on this system");
        WindowFixture r;
        r.w().setMousePointer(kStartPointer);
        QVERIFY(r.dir.isValid());
        QVERIFY(QDir(r.dir.path()).mkdir(QStringLiteral("folder")));
        QVERIFY(writeAll(r.path(QStringLiteral("folder/inside.txt")), "inside"));
        const QString path = target.startsWith(QLatin1Char('/')) ? target : r.path(target);
        fill(r, numbered(rows));
        r.p.dialogAnswers = {path};
        r.click(button);
        const auto errors = r.p.errorBoxes();
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors[0].prompt, error);
        QCOMPARE(errors[0].buttons, int(Msg::OkOnly | Msg::Exclamation));
        QCOMPARE(r.p.boxes.size(), asked ? 2 : 1);
        if (asked)
            QCOMPARE(r.p.boxes[0].prompt, Main::OverwriteQuestion(path));
        QCOMPARE(r.w().MousePointer(), int(Form1::PointerArrow));
        QCOMPARE(r.files(), QStringList{QStringLiteral("folder")});
        QCOMPARE(entriesOf(r.path(QStringLiteral("folder"))), QStringList{QStringLiteral("inside.txt")});
        QCOMPARE(readAll(r.path(QStringLiteral("folder/inside.txt"))), QByteArray("inside"));
        if (target.startsWith(QLatin1String("/dev/")))
            QVERIFY(!QFileInfo(target).isFile()); // still the device, not a file put in its place
        QCOMPARE(r.w().results().count(), rows);
    }

    // "Clear List" clicked while a loop lets events run: one error box at the
    // step that read the vanished row, no crash, and no file put in place.
    void clearedMidLoop_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("yieldAt");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("pointerAfter");
        const QString copyError = errorBox(5, "Index out of bounds", 106);
        // Ten rows: the copy yields 1-10 while measuring, then twice per row.
        QTest::newRow("copy: while measuring") << 5 << 4 << copyError << kStartPointer;
        QTest::newRow("copy: before the first line") << 5 << 11 << copyError << kStartPointer;
        QTest::newRow("copy: at the last row") << 5 << 30 << copyError << kStartPointer;
        const int arrow = Form1::PointerArrow;
        QTest::newRow("text: before the first row") << 6 << 1 << errorBox(6, "Index out of bounds", 136) << arrow;
        QTest::newRow("text: before the last row") << 6 << 10 << errorBox(6, "Index out of bounds", 136) << arrow;
        QTest::newRow("comma: before the first row") << 7 << 1 << errorBox(7, "Index out of bounds", 122) << arrow;
        QTest::newRow("comma: before the last row") << 7 << 10 << errorBox(7, "Index out of bounds", 122) << arrow;
    }

    void clearedMidLoop()
    {
        QFETCH(int, button);
        QFETCH(int, yieldAt);
        QFETCH(QString, error);
        QFETCH(int, pointerAfter);
        WindowFixture r;
        r.w().setMousePointer(kStartPointer);
        QVERIFY(r.dir.isValid());
        const QString path = r.path(QStringLiteral("results.txt"));
        const QByteArray old("previous results\r\n");
        QVERIFY(writeAll(path, old));
        fill(r, numbered(10));
        r.p.clipboard.emplace(QStringLiteral("earlier"));
        r.p.dialogAnswers = {path};
        r.p.onYield = [&] {
            if (r.p.yields == yieldAt)
                r.click(3);
        };
        r.click(button);
        QCOMPARE(r.w().results().count(), 0);
        const auto errors = r.p.errorBoxes();
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors[0].prompt, error);
        if (button == 5) {
            QCOMPARE(r.p.boxes.size(), 2);
            QCOMPARE(r.p.boxes[1].prompt, QLatin1String(kCopied)); // shown all the same
            QCOMPARE(r.p.clipboard, std::optional<QString>(QStringLiteral("earlier")));
        } else {
            QCOMPARE(r.p.boxes.size(), 2); // the overwrite question, then the error
        }
        QCOMPARE(readAll(path), old);
        QCOMPARE(r.files(), QStringList{QStringLiteral("results.txt")});
        QCOMPARE(r.w().MousePointer(), pointerAfter);
    }

    // Closing the window mid-save ends the program at once: the unfinished
    // file is dropped and the old one stays.
    void endedMidSave_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("yieldAt");
        QTest::newRow("text, early") << 6 << 10 << 2;
        QTest::newRow("text, after blocks were written") << 6 << 20000 << 15000;
        QTest::newRow("comma, early") << 7 << 10 << 2;
        QTest::newRow("comma, after blocks were written") << 7 << 20000 << 15000;
    }

    void endedMidSave()
    {
        QFETCH(int, button);
        QFETCH(int, rows);
        QFETCH(int, yieldAt);
        WindowFixture r;
        r.w().setMousePointer(kStartPointer);
        QVERIFY(r.dir.isValid());
        const QString path = r.path(QStringLiteral("results.txt"));
        const QByteArray old("previous results\r\n");
        QVERIFY(writeAll(path, old));
        fill(r, numbered(rows));
        r.p.dialogAnswers = {path};
        // What the window's shutdown itself leaves, before anything unwinds:
        // the real program ends right there. (Where the system gives unnamed
        // temporary files, as Linux does, the unfinished file never shows.)
        QStringList atEnd;
        r.p.onYield = [&] {
            if (r.p.yields != yieldAt)
                return;
            try {
                r.w().Form_Unload();
            } catch (const ProgramEnded &) {
                atEnd = r.files();
                throw;
            }
        };
        bool ended = false;
        try {
            // Called directly: the end must not unwind through Qt's signal code.
            if (button == 6)
                r.w().PushButton6_Click();
            else
                r.w().PushButton7_Click();
        } catch (const ProgramEnded &) {
            ended = true;
        }
        QVERIFY(ended);
        QVERIFY(r.p.ended);
        QCOMPARE(atEnd, QStringList{QStringLiteral("results.txt")});
        QCOMPARE(readAll(path), old);
        QCOMPARE(r.files(), QStringList{QStringLiteral("results.txt")});
    }

    // A save that succeeds after a failed one works normally: nothing is left
    // held or half-done between runs.
    void saveAfterFailure_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("text") << 6 << QByteArray("a\r\nb\r\n");
        QTest::newRow("comma") << 7 << QByteArray("a,b");
    }

    void saveAfterFailure()
    {
        QFETCH(int, button);
        QFETCH(QByteArray, expected);
        WindowFixture r;
        r.w().setMousePointer(kStartPointer);
        QVERIFY(r.dir.isValid());
        const QString path = r.path(QStringLiteral("out.txt"));
        fill(r, {"a", "b"});
        r.p.dialogAnswers = {r.path(QStringLiteral("missing/out.txt")), path};
        r.click(button);
        QCOMPARE(r.p.errorBoxes().size(), 1);
        r.click(button);
        QCOMPARE(r.p.errorBoxes().size(), 1);
        QCOMPARE(readAll(path), expected);
    }
};

QTEST_MAIN(TestOutputHandlers)
#include "test_output_handlers.moc"
