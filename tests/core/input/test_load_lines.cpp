// The address-file reader: bytes to lines, lines to entries, and the tidying
// of joined paths.
#include "core/shell/platform/CodePage.h"
#include "support/SplitInBlocks.h"
#include "core/input/LineSplitter.h"
#include "core/input/DropData.h"
#include "core/input/LoadList.h"
#include "core/input/PasteList.h"

#include "core/shell/controls/ListModel.h"
#include "core/shell/platform/RuntimeError.h"
#include "support/ScriptedPlatform.h"
#include "support/LoadSupport.h"

#include <QDir>
#include <QIODevice>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <cstring>
#include <optional>
#include <set>

namespace {

constexpr qsizetype kBlock = Main::kLoadBlockBytes;

// The lines of a file, and the entries of the same text pasted, however the
// bytes are cut into blocks.
struct Split {
    QByteArrayList file;
    QByteArrayList pasted;
    bool operator==(const Split &) const = default;
};

Split splitInBlocks(const QByteArray &bytes, const QList<qsizetype> &cuts)
{
    LineSplitter splitter;
    Split split;
    split.file = SplitInBlocks(splitter, bytes, cuts);
    split.pasted = SplitInBlocks(splitter, bytes, cuts, true);
    return split;
}

// A paste turns text into UTF-8 a step of this many characters at a time.
constexpr qsizetype kPasteStep = 65536;

// Hands out its chunks one read at a time, then fails.
class FailingDevice : public QIODevice {
public:
    explicit FailingDevice(QByteArrayList chunks) : chunks_(std::move(chunks)) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (chunks_.isEmpty())
            return -1;
        const QByteArray chunk = chunks_.takeFirst();
        Q_ASSERT(chunk.size() <= maxSize);
        memcpy(data, chunk.constData(), size_t(chunk.size()));
        return chunk.size();
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArrayList chunks_;
};

bool isAscii(const QByteArray &bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

QStringList storedHex(const ListModel &list)
{
    QStringList out;
    for (qsizetype i = 1; i <= list.count(); ++i)
        out << QString::fromLatin1(list.textBytes(i).toByteArray().toHex(' '));
    return out;
}

QStringList hex(const QByteArrayList &lines)
{
    QStringList out;
    for (const QByteArray &l : lines)
        out << QString::fromLatin1(l.toHex(' '));
    return out;
}

} // namespace

class TestLoadLines : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void lines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArrayList>("lines");
        QTest::addColumn<QStringList>("entries"); // as the list shows them on a UTF-8 system
        // The entries of the same text pasted: as a file's lines but for a
        // final LF, which starts no further entry.
        QTest::addColumn<QByteArrayList>("pasted");

        const auto ascii = [](const char *name, const QByteArray &bytes, const QByteArrayList &lines,
                              std::optional<QByteArrayList> pasted = std::nullopt) {
            QStringList entries;
            for (const QByteArray &l : lines)
                entries << QString::fromLatin1(l);
            QTest::newRow(name) << bytes << lines << entries << pasted.value_or(lines);
        };
        ascii("empty file", "", {});
        ascii("CR LF ends", "a\r\nb\r\nc\r\n", {"a", "b", "c"});
        ascii("LF ends: one empty entry after the last", "a\nb\nc\n", {"a", "b", "c", ""}, {{"a", "b", "c"}});
        ascii("CR ends", "a\rb\rc\r", {"a", "b", "c"});
        ascii("no end on the last line", "a\r\nb", {"a", "b"});
        ascii("single line, no end", "abc", {"abc"});
        ascii("only CR LF", "\r\n", {""});
        ascii("only CR", "\r", {""});
        ascii("only LF", "\n", {"", ""}, {{""}});
        ascii("LF CR is two ends", "\n\r", {"", ""});
        ascii("CR CR LF", "a\r\r\nb", {"a", "", "b"});
        ascii("CR LF LF", "a\r\n\n", {"a", "", ""}, {{"a", ""}});
        ascii("CR LF twice at the end: one empty entry", "a\r\n\r\n", {"a", ""});
        ascii("spreadsheet cells: the TABs between them stay", "a@x.example\tAnn\r\nb@y.example\t\r\n",
              {"a@x.example\tAnn", "b@y.example\t"});
        ascii("form feed and vertical tab are text", "a\fb\vc\r\n", {"a\fb\vc"});
        ascii("mixed line ends", "a\r\nb\nc\rd\r\n", {"a", "b", "c", "d"});
        ascii("blank lines in the middle", "a\r\n\r\n\r\nb\r\n", {"a", "", "", "b"});
        ascii("spaces and tabs kept", "  a b \t\r\n\t\r\n   ", {"  a b \t", "\t", "   "});
        ascii("duplicates kept", "x\r\nx\r\nx", {"x", "x", "x"});
        ascii("NUL inside a line", QByteArray("a\0b\r\n\0", 6), {QByteArray("a\0b", 3), QByteArray("\0", 1)});
        ascii("Ctrl-Z is text", "a\x1a\r\nb", {"a\x1a", "b"});
        ascii("CR LF across the block edge", QByteArray(kBlock - 1, 'a') + "\r\nb",
              {QByteArray(kBlock - 1, 'a'), "b"});
        ascii("CR ends the first block, no LF", QByteArray(kBlock - 1, 'a') + "\rb",
              {QByteArray(kBlock - 1, 'a'), "b"});
        ascii("CR is the last byte of a full block", QByteArray(kBlock - 1, 'a') + "\r",
              {QByteArray(kBlock - 1, 'a')});
        ascii("LF is the last byte of a full block", QByteArray(kBlock - 1, 'a') + "\n",
              {QByteArray(kBlock - 1, 'a'), ""}, {{QByteArray(kBlock - 1, 'a')}});
        ascii("CR LF across a paste's steps", QByteArray(kPasteStep - 1, 'a') + "\r\nb",
              {QByteArray(kPasteStep - 1, 'a'), "b"});
        ascii("final LF alone in a paste's last step", QByteArray(kPasteStep, 'a') + "\n",
              {QByteArray(kPasteStep, 'a'), ""}, {{QByteArray(kPasteStep, 'a')}});
        ascii("line longer than two blocks", "x\r\n" + QByteArray(2 * kBlock + 5, 'y') + "\nz",
              {"x", QByteArray(2 * kBlock + 5, 'y'), "z"});

        const auto text = [](const char *name, const QByteArray &bytes, const QByteArrayList &lines,
                             const QStringList &entries) { QTest::newRow(name) << bytes << lines << entries << lines; };
        // The splitter keeps a file's byte-order mark; the load drops it.
        text("byte-order mark", "\xEF\xBB\xBF" "a\r\nb", {"\xEF\xBB\xBF" "a", "b"},
             {QStringLiteral("a"), QStringLiteral("b")});
        text("byte-order mark on a later line is text", "a\r\n\xEF\xBB\xBF" "b", {"a", "\xEF\xBB\xBF" "b"},
             {QStringLiteral("a"), QStringLiteral("\uFEFFb")});
        text("UTF-8 text", "j\xC3\xB6ran@b\xC3\xBC" "cher.example\r\n\xE2\x82\xAC\r\n\xF0\x9F\x98\x80",
             {"j\xC3\xB6ran@b\xC3\xBC" "cher.example", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"},
             {QStringLiteral("jöran@bücher.example"), QStringLiteral("€"), QStringLiteral("\U0001F600")});
        text("line and paragraph separators and NEL are text", "a\xE2\x80\xA8" "b\xE2\x80\xA9" "c\xC2\x85" "d\r\n",
             {"a\xE2\x80\xA8" "b\xE2\x80\xA9" "c\xC2\x85" "d"}, {QStringLiteral("a\u2028b\u2029c\u0085d")});
        // The two halves of a character that would straddle a paste's steps.
        text("character across a paste's steps", QByteArray(kPasteStep - 1, 'a') + "\xF0\x9F\x98\x80\r\n",
             {QByteArray(kPasteStep - 1, 'a') + "\xF0\x9F\x98\x80"},
             {QString(kPasteStep - 1, u'a') + QStringLiteral("\U0001F600")});
        // Not UTF-8: kept as bytes, shown as Windows-1252 reads them.
        text("invalid byte", "a\xFF" "b\r\nc", {"a\xFF" "b", "c"},
             {QStringLiteral("a\u00FFb"), QStringLiteral("c")});
        text("Latin-1 byte", "caf\xE9\r\n", {"caf\xE9"}, {QStringLiteral("caf\u00E9")});
        text("sequence cut by the line end", "a\xE2\x82\r\n\xAC" "b", {"a\xE2\x82", "\xAC" "b"},
             {QStringLiteral("a\u00E2\u201A"), QStringLiteral("\u00ACb")});
        text("overlong NUL", "\xC0\x80", {"\xC0\x80"}, {QStringLiteral("\u00C0\u20AC")});
        text("surrogate half", "\xED\xA0\x80", {"\xED\xA0\x80"}, {QStringLiteral("\u00ED\u00A0\u20AC")});
        text("mark before an invalid byte", "\xEF\xBB\xBF\xFF", {"\xEF\xBB\xBF\xFF"},
             {QStringLiteral("\u00FF")});
        // Its byte that is not text ends the first block, and the rest of
        // the line is plain ASCII: the line is still kept as bytes.
        text("raw byte ends a block, ASCII follows", QByteArray(kBlock - 1, 'a') + "\xE9" "b\r\nc",
             {QByteArray(kBlock - 1, 'a') + "\xE9" "b", "c"},
             {QString(kBlock - 1, u'a') + QStringLiteral("\u00E9b"), QStringLiteral("c")});
        text("curly quotes and bytes 1252 leaves undefined", "\x93q\x94 \x81\x8D\x8F\x90\x9D",
             {"\x93q\x94 \x81\x8D\x8F\x90\x9D"}, {QStringLiteral("\u201Cq\u201D \uFFFD\uFFFD\uFFFD\uFFFD\uFFFD")});
    }

    // Every way of cutting the bytes into blocks gives the same lines, as a
    // file and as pasted text.
    void lines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArrayList, lines);
        QFETCH(QByteArrayList, pasted);
        const Split split{lines, pasted};

        QCOMPARE(splitInBlocks(bytes, {}).file, lines);
        QCOMPARE(splitInBlocks(bytes, {}).pasted, pasted);

        std::set<qsizetype> cuts;
        if (bytes.size() <= 64) {
            for (qsizetype i = 1; i < bytes.size(); ++i)
                cuts.insert(i);
            for (qsizetype i = 1; i < bytes.size(); ++i) {
                for (qsizetype j = i + 1; j < bytes.size(); ++j)
                    QVERIFY(splitInBlocks(bytes, {i, j}) == split);
            }
        } else {
            for (qsizetype i = 0; i < bytes.size(); ++i) {
                if (bytes[i] != '\r' && bytes[i] != '\n')
                    continue;
                for (qsizetype c = std::max<qsizetype>(1, i - 2); c <= std::min(bytes.size() - 1, i + 3); ++c)
                    cuts.insert(c);
            }
        }
        for (const qsizetype cut : cuts)
            QVERIFY(splitInBlocks(bytes, {cut}) == split);

        for (const qsizetype size : {1, 2, 3, 7, 4096}) {
            QList<qsizetype> uniform;
            for (qsizetype c = size; c < bytes.size(); c += size)
                uniform << c;
            QVERIFY(splitInBlocks(bytes, uniform) == split);
        }
    }

    // The same text pasted: a final LF starts no further entry, a byte-order
    // mark at the start is text like any other, and every row is stored as
    // UTF-8 text, whatever the system's code page.
    void appendPastedText_data() { lines_data(); }
    void appendPastedText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArrayList, pasted);
        if (!bytes.isValidUtf8())
            QSKIP("The clipboard holds text: bytes that are no text are never pasted");
        ScriptedPlatform platform;
        ListModel list;
        list.add(u"already there");
        Main::AppendPastedText(platform, list, TextOfStoredUtf8(bytes)); // a mark at the start kept
        QCOMPARE(list.text(1), QStringLiteral("already there"));
        QByteArrayList stored;
        for (qsizetype i = 2; i <= list.count(); ++i) {
            QVERIFY(!list.isRaw(i));
            stored << list.textBytes(i).toByteArray();
        }
        QCOMPARE(stored, pasted);
    }

    void loadListFile_data() { lines_data(); }

    void loadListFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, entries);
        if (!isAscii(bytes) && !SystemCodePageIsUtf8())
            QSKIP("The expected texts are those of a UTF-8 system code page");

        const QString path = dir_.filePath(QStringLiteral("list.txt"));
        QVERIFY(writeAll(path, bytes));
        ScriptedPlatform platform;
        ListModel list;
        list.add(u"already there");
        Main::LoadListFile(platform, list, path);

        QFETCH(QByteArrayList, lines);
        if (bytes.startsWith("\xEF\xBB\xBF"))
            lines.first().remove(0, 3);
        QVERIFY(platform.boxes.isEmpty());
        QStringList shown;
        for (qsizetype i = 1; i <= list.count(); ++i) {
            QCOMPARE(list.isRaw(i), i > 1 && !lines.at(i - 2).isValidUtf8());
            shown << list.text(i);
        }
        QCOMPARE(shown, QStringList{QStringLiteral("already there")} + entries);
        // Every line's own bytes, whether stored as text or raw.
        QCOMPARE(storedHex(list).mid(1), hex(lines));
    }

    // A file with a UTF-16 mark is that text, in either byte order, however
    // its reads cut it; its lines end as any file's do.
    void utf16File_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("CR LF") << QStringLiteral("ann@a.example\r\nb.example\r\n")
                               << QStringList{"ann@a.example", "b.example"};
        QTest::newRow("final LF, CR") << QStringLiteral("a\rb\n") << QStringList{"a", "b", ""};
        QTest::newRow("only the mark") << QString() << QStringList();
        QTest::newRow("beyond Latin-1") << QStringLiteral("j\u00F6ran@\u00FC.example\r\n\u20AC\U0001F600")
                                        << QStringList{QStringLiteral("j\u00F6ran@\u00FC.example"),
                                                       QStringLiteral("\u20AC\U0001F600")};
        // A character split between two reads of the file.
        const QString longLine = QString(kBlock / 2 - 2, u'x') + QStringLiteral("\U0001F600y");
        QTest::newRow("across reads") << longLine + QStringLiteral("\r\nz") << QStringList{longLine, "z"};
    }
    void utf16File()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, entries);
        for (const auto order : {QSysInfo::LittleEndian, QSysInfo::BigEndian}) {
            QByteArray bytes = order == QSysInfo::LittleEndian ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
            for (const QChar c : text) {
                const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
                if (order == QSysInfo::LittleEndian)
                    bytes.append(lo).append(hi);
                else
                    bytes.append(hi).append(lo);
            }
            const QString path = dir_.filePath(QStringLiteral("unicode.txt"));
            QVERIFY(writeAll(path, bytes));
            ScriptedPlatform platform;
            ListModel list;
            Main::LoadListFile(platform, list, path);
            QStringList shown;
            for (qsizetype i = 1; i <= list.count(); ++i)
                shown << list.text(i);
            QCOMPARE(shown, entries);
        }
    }

    // On a code page other than UTF-8, a line is text only where that text
    // writes back as exactly its bytes; any other line keeps them.
    void codePageLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("raw");
        QTest::addColumn<QString>("shown");
        QTest::newRow("valid Shift-JIS, second byte 0x40") << QByteArray("\x83\x40" "x@b") << false
                                                            << QStringLiteral(u"\u30A1x@b");
        QTest::newRow("stray lead byte the decoder drops") << QByteArray("def@x\x81.jp") << true
                                                           << QStringLiteral(u"def@x\uFFFD.jp");
        QTest::newRow("lone lead byte at the end") << QByteArray("abc\x81") << true << QStringLiteral(u"abc\uFFFD");
        QTest::newRow("characters with two codes") << QByteArray("\x88\x9F@\xEE\xE0\xED\x95.jp") << true
                                                   << QStringLiteral(u"\u4E9C@\u9AD9\uFA11.jp");
        QTest::newRow("byte no character reads as") << QByteArray("a\x80" "b") << true << QStringLiteral(u"a\uFFFDb");
    }
    void codePageLines()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, raw);
        QFETCH(QString, shown);
        const CodePage sjis("Shift_JIS", {{0x81, 0x9F}, {0xE0, 0xFC}});
        if (!sjis.hasConverter())
            QSKIP("This Qt converts no Shift-JIS");
        ListModel list;
        Main::AppendListLine(list, line, sjis);
        QCOMPARE(list.isRaw(1), raw);
        if (raw) {
            QCOMPARE(list.textBytes(1).toByteArray(), line);
            QCOMPARE(sjis.textOfRaw(line), shown);
        } else {
            QCOMPARE(list.text(1), shown);
        }
    }

    void refusedPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<int>("error"); // 0: nothing thrown

        QTest::newRow("missing") << dir_.filePath(QStringLiteral("nosuch.txt"))
                                 << QStringList{QStringLiteral("File not found")} << 0;
        QTest::newRow("empty path") << QString() << QStringList{QStringLiteral("File not found")} << 0;
        QTest::newRow("folder") << dir_.path() << QStringList() << ErrNo::PathFileAccess;
#ifdef Q_OS_UNIX
        QTest::newRow("named pipe") << dir_.filePath(QStringLiteral("pipe")) << QStringList() << ErrNo::PathFileAccess;
        QTest::newRow("device") << QStringLiteral("/dev/null") << QStringList() << ErrNo::PathFileAccess;
#endif
#ifdef Q_OS_LINUX
        QTest::newRow("read fails") << QStringLiteral("/proc/self/mem") << QStringList() << ErrNo::DeviceIO;
#endif
    }

    void refusedPath()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, boxes);
        QFETCH(int, error);
        ScriptedPlatform platform;
        platform.setAppTitle(QStringLiteral("Kestrune Domain Extractor"));
        ListModel list;
        list.add(u"already there");
#ifdef Q_OS_UNIX
        if (path.endsWith(QLatin1String("pipe")) && !QFile::exists(path))
            QVERIFY(makeFifo(path));
        PipeWatch watch(path.endsWith(QLatin1String("pipe")) ? path : dir_.filePath(QStringLiteral("unwatched")));
#endif
        int thrown = 0;
        try {
            Main::LoadListFile(platform, list, path);
        } catch (const RuntimeError &e) {
            thrown = e.number();
        }
#ifdef Q_OS_UNIX
        QVERIFY(!watch.readerBlocked());
#endif
        QCOMPARE(thrown, error);
        QCOMPARE(platform.boxTexts(), boxes);
        for (const ScriptedPlatform::Box &box : std::as_const(platform.boxes)) {
            QCOMPARE(box.buttons, 0);
            QCOMPARE(box.title, QStringLiteral("Kestrune Domain Extractor"));
        }
        QCOMPARE(list.count(), 1);
    }

    // A read that fails keeps what came before it, and the next file loads.
    void readFailure_data()
    {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QStringList>("kept");

        QTest::newRow("at once") << QByteArrayList() << QStringList();
        QTest::newRow("after two lines") << QByteArrayList{"a\r\nb\r\n"} << QStringList{"a", "b"};
        QTest::newRow("mid-line") << QByteArrayList{"a\r\npart"} << QStringList{"a"};
        QTest::newRow("line across reads") << QByteArrayList{"a\r\nb", "c\r\nd"} << QStringList{"a", "bc"};
        QTest::newRow("after a final LF") << QByteArrayList{"a\n"} << QStringList{"a"};
    }

    void readFailure()
    {
        QFETCH(QByteArrayList, chunks);
        QFETCH(QStringList, kept);
        ListModel list;
        FailingDevice device(chunks);
        int thrown = 0;
        try {
            Main::AppendListLines(list, device);
        } catch (const RuntimeError &e) {
            thrown = e.number();
        }
        QCOMPARE(thrown, ErrNo::DeviceIO);
        QStringList texts;
        for (qsizetype i = 1; i <= list.count(); ++i)
            texts << list.text(i);
        QCOMPARE(texts, kept);

        const QString path = dir_.filePath(QStringLiteral("next.txt"));
        QVERIFY(writeAll(path, "next\r\n"));
        ScriptedPlatform platform;
        Main::LoadListFile(platform, list, path);
        QCOMPARE(list.count(), kept.size() + 1);
        QCOMPARE(list.text(list.count()), QStringLiteral("next"));
    }

    // What a drop brings: files when every address is a local path and
    // none a folder (one gone missing counts), else the text beside them.
    void dropData_data()
    {
        QTest::addColumn<QStringList>("urls"); // relative ones are made local to the test's folder
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");         // Main::DropData::Kind
        QTest::addColumn<QStringList>("paths"); // relative to the test's folder
        const int refused = int(Main::DropData::Kind::Refused), files = int(Main::DropData::Kind::Files),
                  text = int(Main::DropData::Kind::Text);
        QTest::newRow("files in the order given, a missing one too")
            << QStringList{"b.txt", "gone.txt", "a.txt"} << QString() << files << QStringList{"b.txt", "gone.txt", "a.txt"};
        QTest::newRow("names with blanks and marks") << QStringList{u"a bü.txt"_qs} << QString() << files
                                                    << QStringList{u"a bü.txt"_qs};
        QTest::newRow("a folder among files") << QStringList{"a.txt", "sub"} << QString() << refused << QStringList();
        QTest::newRow("a folder with text beside it") << QStringList{"sub"} << "sub" << refused << QStringList();
        QTest::newRow("a browser's link") << QStringList{"https://www.example.com/"} << "https://www.example.com/"
                                          << text << QStringList();
        QTest::newRow("a link without text") << QStringList{"https://www.example.com/"} << QString() << refused
                                             << QStringList();
        QTest::newRow("a file and a link") << QStringList{"a.txt", "https://x.example/"} << QString() << refused
                                           << QStringList();
        QTest::newRow("plain text") << QStringList() << "a@x.example\nb@y.example" << text << QStringList();
        QTest::newRow("nothing") << QStringList() << QString() << refused << QStringList();
    }
    void dropData()
    {
        QFETCH(QStringList, urls);
        QFETCH(QString, text);
        QFETCH(int, kind);
        QFETCH(QStringList, paths);
        QDir dir(dir_.path());
        QVERIFY(dir.mkpath(QStringLiteral("sub")));
        QVERIFY(writeAll(dir.filePath(QStringLiteral("a.txt")), "a\r\n"));
        QMimeData data;
        QList<QUrl> list;
        for (const QString &u : urls)
            list << (u.contains(u':') ? QUrl(u) : QUrl::fromLocalFile(dir.filePath(u)));
        if (!list.isEmpty())
            data.setUrls(list);
        if (!text.isEmpty())
            data.setText(text);
        const Main::DropData drop = Main::ReadDropData(data);
        QCOMPARE(int(drop.kind), kind);
        QStringList full;
        for (const QString &p : paths)
            full << QDir::toNativeSeparators(dir.filePath(p));
        QCOMPARE(drop.paths, full);
        QCOMPARE(drop.text, kind == int(Main::DropData::Kind::Text) ? text : QString());
    }

    void splitAtNul_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("pieces");
        const QString nul(QChar(0));
        QTest::newRow("cancel") << QString() << QStringList();
        QTest::newRow("one path") << QStringLiteral("C:\\lists\\a.txt") << QStringList{"C:\\lists\\a.txt"};
        QTest::newRow("folder and names")
            << QStringLiteral("C:\\lists") + nul + QStringLiteral("a.txt") + nul + QStringLiteral("b.txt")
            << QStringList{"C:\\lists", "a.txt", "b.txt"};
        QTest::newRow("names keep spaces") << QStringLiteral("C:\\my lists") + nul + QStringLiteral(" a .txt")
                                           << QStringList{"C:\\my lists", " a .txt"};
        QTest::newRow("empty pieces kept") << QStringLiteral("d") + nul + nul + QStringLiteral("a") + nul
                                           << QStringList{"d", "", "a", ""};
        QTest::newRow("only NUL") << nul << QStringList{"", ""};
    }

    void splitAtNul()
    {
        QFETCH(QString, value);
        QFETCH(QStringList, pieces);
        QCOMPARE(Main::SplitAtNul(value), pieces);
    }

    void collapseBackslashes_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("tidy");
        QTest::newRow("nothing to do") << "C:\\lists\\a.txt" << "C:\\lists\\a.txt";
        QTest::newRow("drive root joined") << "C:\\\\a.txt" << "C:\\a.txt";
        QTest::newRow("doubled inside") << "C:\\lists\\\\a.txt" << "C:\\lists\\a.txt";
        QTest::newRow("three become two") << "C:\\lists\\\\\\a.txt" << "C:\\lists\\\\a.txt";
        QTest::newRow("four become two") << "C:\\lists\\\\\\\\a.txt" << "C:\\lists\\\\a.txt";
        QTest::newRow("five become three") << "C:\\x\\\\\\\\\\a" << "C:\\x\\\\\\a";
        QTest::newRow("trailing pair") << "C:\\lists\\\\" << "C:\\lists\\";
        QTest::newRow("relative") << "lists\\\\a.txt" << "lists\\a.txt";
        QTest::newRow("network share") << "\\\\server\\share\\a.txt" << "\\\\server\\share\\a.txt";
        QTest::newRow("network share, doubled later") << "\\\\server\\share\\\\a.txt" << "\\\\server\\share\\a.txt";
        QTest::newRow("network share, three later") << "\\\\server\\\\\\a.txt" << "\\\\server\\\\a.txt";
        QTest::newRow("long leading run") << "\\\\\\\\\\\\\\server\\a.txt" << "\\\\server\\a.txt";
        QTest::newRow("three leading") << "\\\\\\server\\a.txt" << "\\\\server\\a.txt";
        QTest::newRow("one leading becomes two") << "\\lists\\a.txt" << "\\\\lists\\a.txt";
        QTest::newRow("only backslashes") << "\\\\\\\\\\" << "\\\\";
        QTest::newRow("one backslash") << "\\" << "\\\\";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("forward slashes untouched") << "C://lists//a.txt" << "C://lists//a.txt";
    }

    void collapseBackslashes()
    {
        QFETCH(QString, path);
        QFETCH(QString, tidy);
        QCOMPARE(Main::CollapseBackslashes(path), tidy);
        QCOMPARE(Main::CollapseSeparators(path, u'\\'), tidy);
    }

    void collapseSlashes_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("tidy");
        QTest::newRow("nothing to do") << "/home/u/a.txt" << "/home/u/a.txt";
        QTest::newRow("top folder joined") << "//a.txt" << "/a.txt";
        QTest::newRow("doubled inside") << "/home/u//a.txt" << "/home/u/a.txt";
        QTest::newRow("three become two") << "/home///a.txt" << "/home//a.txt";
        QTest::newRow("three leading become two") << "///a.txt" << "//a.txt";
        QTest::newRow("one leading stays one") << "/a.txt" << "/a.txt";
        QTest::newRow("backslashes untouched") << "/x/a\\\\b" << "/x/a\\\\b";
        QTest::newRow("empty") << "" << "";
    }

    void collapseSlashes()
    {
        QFETCH(QString, path);
        QFETCH(QString, tidy);
        QCOMPARE(Main::CollapseSeparators(path, u'/'), tidy);
    }

    // The folder at the top of this system's file system, joined the way the
    // load joins, gives a single separator after it.
    void nativeTopFolderJoin()
    {
        const QString top = QDir::toNativeSeparators(QDir::rootPath());
        QCOMPARE(Main::CollapseNativeSeparators(top + QDir::separator() + QStringLiteral("a.txt")),
                 QDir::toNativeSeparators(QDir::rootPath() + QStringLiteral("a.txt")));
    }

private:
    QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(TestLoadLines)
#include "test_load_lines.moc"
