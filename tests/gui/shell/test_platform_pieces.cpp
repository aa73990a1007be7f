#include "core/shell/controls/CommonDialog.h"
#include "core/shell/platform/LargeBlocks.h"
#include "gui/shell/platform/QtPlatform.h"
#include "core/shell/platform/RuntimeError.h"
#include "support/ScriptedPlatform.h"

#include <QDir>
#include <QTest>

#ifdef Q_OS_WIN
#include "gui/shell/platform/WindowsShell.h"

#include <QFile>
#include <QTemporaryDir>

#include <windows.h>
#include <cderr.h>
#endif

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

    // A large block given back comes out again for a request it fits without
    // holding on to far more than asked; what is kept stays under its limit.
    void largeBlocksKept_data()
    {
        QTest::addColumn<int>("givenMiB");
        QTest::addColumn<int>("askedMiB");
        QTest::addColumn<bool>("reused");
        QTest::newRow("the same size") << 4 << 4 << true;
        QTest::newRow("somewhat smaller") << 4 << 3 << true;
        QTest::newRow("larger") << 4 << 5 << false;
        QTest::newRow("far smaller") << 32 << 1 << false;
        QTest::newRow("beyond what is kept") << 80 << 80 << false;
    }
    void largeBlocksKept()
    {
        QFETCH(int, givenMiB);
        QFETCH(int, askedMiB);
        QFETCH(bool, reused);
        LargeBlocks::releaseKept();
        const LargeBlocks::Block given = LargeBlocks::take(size_t(givenMiB) << 20);
        QVERIFY(given.size >= size_t(givenMiB) << 20);
        QCOMPARE(given.size % LargeBlocks::pageBytes(), size_t(0));
        given.data[0] = 1;
        given.data[given.size - 1] = 2;
        LargeBlocks::give(given);
        const bool kept = givenMiB <= 64;
        QCOMPARE(LargeBlocks::keptBytes(), kept ? given.size : 0);
        const LargeBlocks::Block taken = LargeBlocks::take(size_t(askedMiB) << 20);
        QVERIFY(taken.size >= size_t(askedMiB) << 20);
        if (kept) // a block the system had back may come again at the same address
            QCOMPARE(taken.data == given.data, reused);
        taken.data[taken.size - 1] = 3; // all of it is usable
        LargeBlocks::give(taken);
        LargeBlocks::releaseKept();
        QCOMPARE(LargeBlocks::keptBytes(), size_t(0));
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

#ifndef Q_OS_WIN
    // Names typed into Qt's dialog (Windows shows the system's): "~" and
    // "~/..." are the home folder wherever the dialog is; anything else is in
    // the folder shown.
    void typedPaths_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        const QString home = QDir::homePath();
        QTest::newRow("a name") << "t.txt" << "/shown/t.txt";
        QTest::newRow("the home folder") << "~" << home;
        QTest::newRow("a name in it") << "~/t.txt" << home + "/t.txt";
        QTest::newRow("a folder in it") << "~/sub dir/" << home + "/sub dir";
        QTest::newRow("~ only at the start") << "a/~/t.txt" << "/shown/a/~/t.txt";
        QTest::newRow("a name that begins with ~") << "~t.txt" << "/shown/~t.txt";
    }
    void typedPaths()
    {
        QFETCH(QString, name);
        QFETCH(QString, path);
        QCOMPARE(QtPlatform::typedPath(QStringLiteral("/shown"), name), path);
    }
#endif

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
        QCOMPARE(p.dialogs[1].bufferChars, 30000); // the system's dialog fills no more
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

#ifdef Q_OS_WIN
    // The system's dialog reports an overflowing selection by an extended
    // error code; Wine's dialog cannot be driven that far, so the mapping is
    // tested here.
    void commonDialogErrors_data()
    {
        QTest::addColumn<unsigned long>("code");
        QTest::addColumn<int>("number");
        QTest::newRow("names do not fit the buffer") << (unsigned long)FNERR_BUFFERTOOSMALL << 20476;
        QTest::newRow("invalid name") << (unsigned long)FNERR_INVALIDFILENAME << ErrNo::DialogFailure;
        QTest::newRow("dialog could not start") << (unsigned long)CDERR_INITIALIZATION << ErrNo::DialogFailure;
    }
    void commonDialogErrors()
    {
        QFETCH(unsigned long, code);
        QFETCH(int, number);
        try {
            WindowsShell::CommonDialogError(code);
            QFAIL("no error raised");
        } catch (const RuntimeError &e) {
            QCOMPARE(e.number(), number);
            if (number == 20476)
                QCOMPARE(e.description(),
                         QStringLiteral("The FileName buffer is too small to store the selected file name(s)."));
        }
    }

    // The dialog's buffer as it comes back: NUL-separated names, two NULs at the end.
    void commonDialogValue_data()
    {
        QTest::addColumn<QString>("buffer");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<QString>("value");
        const QChar nul(0);
        QTest::newRow("one file") << QStringLiteral("C:\\dir\\a.txt") + nul + nul << 100
                                  << QStringLiteral("C:\\dir\\a.txt");
        QTest::newRow("several files") << QStringLiteral("C:\\dir") + nul + "a.txt" + nul + "b c.txt" + nul + nul << 100
                                       << QStringLiteral("C:\\dir") + nul + "a.txt" + nul + "b c.txt";
        QTest::newRow("several in a drive's top folder") << QStringLiteral("C:\\") + nul + "a.txt" + nul + "b.txt" + nul
                + nul << 100 << QStringLiteral("C:\\") + nul + "a.txt" + nul + "b.txt";
        QTest::newRow("nothing") << QString(nul) + nul << 100 << QString();
        QTest::newRow("a full buffer ends at its size") << QStringLiteral("C:\\abcdef") << 6 << QStringLiteral("C:\\abc");
    }
    void commonDialogValue()
    {
        QFETCH(QString, buffer);
        QFETCH(int, capacity);
        QFETCH(QString, value);
        std::vector<wchar_t> raw(size_t(std::max<qsizetype>(capacity, buffer.size())), L'X');
        buffer.toWCharArray(raw.data());
        QCOMPARE(WindowsShell::FileDialogValue(raw.data(), capacity), value);
    }

    // The executable's own icon: four images, the smallest at 24 bits.
    void executableIcon_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("bits");
        QTest::newRow("32") << 0 << 32 << 24;
        QTest::newRow("48") << 1 << 48 << 32;
        QTest::newRow("128") << 2 << 128 << 32;
        QTest::newRow("256") << 3 << 256 << 32;
    }
    void executableIcon()
    {
        QFETCH(int, index);
        QFETCH(int, size);
        QFETCH(int, bits);
        const std::wstring exe = QDir::toNativeSeparators(QStringLiteral(KESTRUNE_EXE)).toStdWString();
        HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        QVERIFY(module);
        // The first icon group: a header of three words, then one 14-byte entry per image.
        struct Group {
            HMODULE module;
            HRSRC found = nullptr;
        } group{module};
        EnumResourceNamesW(
            module, MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */,
            [](HMODULE m, LPCWSTR, LPWSTR name, LONG_PTR param) -> BOOL {
                reinterpret_cast<Group *>(param)->found = FindResourceW(m, name, MAKEINTRESOURCEW(14));
                return FALSE;
            },
            reinterpret_cast<LONG_PTR>(&group));
        QVERIFY(group.found);
        const auto *bytes = static_cast<const unsigned char *>(LockResource(LoadResource(module, group.found)));
        const int count = bytes[4] | bytes[5] << 8;
        QCOMPARE(count, 4);
        const unsigned char *entry = bytes + 6 + 14 * index;
        QCOMPARE(entry[0] ? int(entry[0]) : 256, size);
        QCOMPARE(entry[1] ? int(entry[1]) : 256, size);
        QCOMPARE(int(entry[6] | entry[7] << 8), bits);
        FreeLibrary(module);
    }

    // The home page opens through the system's own explorer, by its full path
    // in the system's Windows folder (never a file of that name in the program's or
    // the current folder), minimized with focus, and the program does not
    // wait. A stand-in started the same way shows how.
    void homePageThroughExplorer()
    {
        wchar_t windows[MAX_PATH];
        const UINT n = GetSystemWindowsDirectoryW(windows, MAX_PATH);
        QCOMPARE(WindowsShell::ExplorerPath(), QString::fromWCharArray(windows, int(n)) + QStringLiteral("\\explorer.exe"));
        QVERIFY(QFileInfo(WindowsShell::ExplorerPath()).isFile());
        QTemporaryDir dir;
        const QString log = QDir::toNativeSeparators(dir.filePath(QStringLiteral("started.txt")));
        QVERIFY(SetEnvironmentVariableW(L"KESTRUNE_STUB_LOG", log.toStdWString().c_str()));
        WindowsShell::StartMinimized(QDir::toNativeSeparators(QStringLiteral(KESTRUNE_EXPLORER_STUB)),
                                     QStringLiteral("explorer \"https://www.kestrune.example/\""));
        QFile started(log);
        QTRY_VERIFY_WITH_TIMEOUT(started.size() > 0, 60000);
        QVERIFY(started.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(started.readAll()),
                 QStringLiteral("%1\nexplorer \"https://www.kestrune.example/\"").arg(SW_SHOWMINIMIZED));
    }
#endif
};

QTEST_MAIN(TestPlatformPieces)
#include "test_platform_pieces.moc"
