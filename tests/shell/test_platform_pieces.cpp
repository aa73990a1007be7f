#include "shell/controls/CommonDialog.h"
#include "shell/platform/QtPlatform.h"
#include "shell/platform/RuntimeError.h"
#include "support/ScriptedPlatform.h"

#include <QTest>

class TestPlatformPieces : public QObject {
    Q_OBJECT
private slots:
    // A label shows CR LF, CR and LF each as one break; the input box's
    // one-line field shows every control character but TAB as a blank, CR LF
    // as two, and the entry is what it showed.
    void lineBreaks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("entry");
        QTest::newRow("bare CRs") << "Results have been copied to the clipboard.\r\rClick"
                                  << "Results have been copied to the clipboard.\n\nClick"
                                  << "Results have been copied to the clipboard.  Click";
        QTest::newRow("CR LF is one break, two blanks") << "a\r\nb" << "a\nb" << "a  b";
        QTest::newRow("LF") << "a\nb" << "a\nb" << "a b";
        QTest::newRow("LF CR is two") << "a\n\rb" << "a\n\nb" << "a  b";
        QTest::newRow("error box") << "desc\r\nin X at line 1\r\rPlease" << "desc\nin X at line 1\n\nPlease"
                                   << "desc  in X at line 1  Please";
        QTest::newRow("plain") << "Done." << "Done." << "Done.";
        QTest::newRow("pasted addresses") << "a@b.example\r\nc@d.example" << "a@b.example\nc@d.example"
                                          << "a@b.example  c@d.example";
        QTest::newRow("bare CR") << "a\rb" << "a\nb" << "a b";
        QTest::newRow("empty line") << "a\n\nb" << "a\n\nb" << "a  b";
        QTest::newRow("trailing") << "a\r\n" << "a\n" << "a  ";
        QTest::newRow("other controls and separators") << QStringLiteral("a\tb\x01" "c\x1f" "d\u2028e\u2029f\x7f")
                                                       << QStringLiteral("a\tb\x01" "c\x1f" "d\u2028e\u2029f\x7f")
                                                       << QStringLiteral("a\tb c d e f\x7f");
        QTest::newRow("none") << "a b" << "a b" << "a b";
    }
    void lineBreaks()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QFETCH(QString, entry);
        QCOMPARE(QtPlatform::displayText(text), shown);
        QCOMPARE(QtPlatform::oneLine(text), entry);
    }

    // The real platform ends through the event loop: the end unwinds the
    // running handler as far as RunHandler, and nothing runs after it.
    void realEndStopsEveryHandler()
    {
        QtPlatform real;
        Platform &platform = real;
        bool rest = false;
        platform.RunHandler([&] {
            platform.EndProgram();
            rest = true;
        });
        QVERIFY(!rest);
        bool later = false;
        platform.RunHandler([&] { later = true; });
        QVERIFY(!later);
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, platform.MsgBox(QStringLiteral("Done.")));
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, platform.InputBox(QStringLiteral("Enter")));
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, platform.FileDialog(FileDialogRequest{}, nullptr));
    }

    void nameFilters_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("qtFilters");
        QTest::newRow("the program's filter") << "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|"
                                              << QStringList{"Text Files (*.txt) (*.txt)", "All Files (*.*) (*)"};
        QTest::newRow("no trailing bar") << "Text Files (*.txt)|*.txt" << QStringList{"Text Files (*.txt) (*.txt)"};
        QTest::newRow("several patterns") << "Lists|*.txt;*.csv|" << QStringList{"Lists (*.txt *.csv)"};
        QTest::newRow("empty") << "" << QStringList{};
    }
    void nameFilters()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, qtFilters);
        QCOMPARE(QtPlatform::nameFilters(filter), qtFilters);
    }

    void dialogObjectKeepsItsProperties()
    {
        ScriptedPlatform p;
        CommonDialog d(p);
        d.setFileName(QStringLiteral("/old/name.txt"));
        d.setFlags(2621953);
        d.setDialogTitle(QStringLiteral("Save"));
        d.setFilter(QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|"));
        p.dialogAnswers = {std::nullopt, QStringLiteral("/new/name")};
        d.ShowSave();
        QVERIFY(d.cancelled());
        QCOMPARE(d.fileName(), QStringLiteral("/old/name.txt")); // Cancel changes nothing
        d.ShowSave();
        QVERIFY(!d.cancelled());
        QCOMPARE(d.fileName(), QStringLiteral("/new/name"));
        QCOMPARE(p.dialogs.size(), 2);
        QCOMPARE(p.dialogs[1].kind, FileDialogRequest::Kind::Save);
        QCOMPARE(p.dialogs[1].fileName, QStringLiteral("/old/name.txt")); // proposed the last use's name
        QCOMPARE(p.dialogs[1].flags, 2621953L);
        QCOMPARE(p.dialogs[1].title, QStringLiteral("Save"));
    }

    void nameBufferBound_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("fits");
        QTest::newRow("short") << 10 << true;
        QTest::newRow("one below the buffer, room for the end mark") << 29999 << true;
        QTest::newRow("fills the buffer") << 30000 << false;
        QTest::newRow("far over") << 100000 << false;
    }
    void nameBufferBound()
    {
        QFETCH(int, length);
        QFETCH(bool, fits);
        ScriptedPlatform p;
        CommonDialog d(p);
        QString value = QStringLiteral("/dir");
        while (value.size() < length)
            value += QChar(0) + QStringLiteral("f.txt");
        value.truncate(length);
        p.dialogAnswers = {value};
        int number = 0;
        try {
            d.ShowOpen();
        } catch (const RuntimeError &e) {
            number = e.number();
        }
        QCOMPARE(number, fits ? 0 : ErrNo::FileNameBufferTooSmall);
        QCOMPARE(d.fileName(), fits ? value : QString());
    }
};

QTEST_MAIN(TestPlatformPieces)
#include "test_platform_pieces.moc"
