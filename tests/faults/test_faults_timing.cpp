// Clicks in the middle of the other long loops: the saves and the copy let
// events run once per row as well, so a save can find an extraction, another
// save of the same file, a load of the very file it is replacing, or the end
// of the program inside it. Nothing guards against these, so the outcome is
// the plain interleaving: whatever the list holds when a row's turn comes.
#include "OrdinarySession.h"

#include "core/extract/DomainRule.h"
#include "core/output/ListExport.h"

#include <random>
#include <set>

namespace {

QStringList oldRows()
{
    return {"old1.example", "old2.example", "old3.example", "old4.example", "old5.example", "old6.example"};
}
QStringList newRows()
{
    return {"new1.example", "new2.example", "new3.example", "new4.example", "new5.example", "new6.example"};
}

QByteArray asText(const QStringList &rows)
{
    QByteArray out;
    for (const QString &r : rows)
        out += r.toUtf8() + "\r\n";
    return out;
}

QByteArray asComma(const QStringList &rows)
{
    return rows.join(QLatin1Char(',')).toUtf8();
}

void runHandler(Form1 &w, int button)
{
    // Called directly rather than through a click, so that the end of the
    // program never has to climb through Qt's signal code.
    using Handler = void (Form1::*)();
    static constexpr Handler handlers[] = {&Form1::PushButton1_Click, &Form1::PushButton2_Click,
                                           &Form1::PushButton3_Click, &Form1::PushButton4_Click,
                                           &Form1::PushButton5_Click, &Form1::PushButton6_Click,
                                           &Form1::PushButton7_Click, &Form1::PushButton8_Click,
                                           &Form1::PushButton9_Click};
    (w.*handlers[button - 1])();
}

const std::set<QString> kExpectedErrors{QStringLiteral("Index out of bounds"), QStringLiteral("Path not found"),
                                        QStringLiteral("Path/File access error"),
                                        QStringLiteral("Device I/O error")};

} // namespace

class TestFaultsTiming : public QObject {
    Q_OBJECT
private slots:
    // One nested action at a chosen turn of the outer loop.
    void nestedAction_data()
    {
        QTest::addColumn<int>("outer");      // 5, 6 or 7
        QTest::addColumn<QString>("nested"); // what the user does at `turn`
        QTest::addColumn<int>("turn");       // the outer loop's yield, from 1
        QTest::addColumn<QByteArray>("file");     // target.txt afterwards
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QStringList>("entriesAdded");
        const QByteArray old("x@old.example\r\n");
        const QString question = QStringLiteral("<question>");
        const QStringList mixed = oldRows().mid(0, 2) + newRows().mid(2);

        QTest::newRow("text: an extraction replaces the rows not yet written")
            << 6 << "extract" << 3 << asText(mixed) << QString() << QStringList{question, "Done."} << QStringList();
        QTest::newRow("comma: an extraction replaces the rows not yet written")
            << 7 << "extract" << 3 << asComma(mixed) << QString() << QStringList{question, "Done."} << QStringList();
        QTest::newRow("text: the same file saved comma-delimited meanwhile, the outer save lands last")
            << 6 << "save comma here" << 2 << asText(oldRows()) << QString() << QStringList{question, question}
            << QStringList();
        QTest::newRow("comma: the same file saved as text meanwhile, the outer save lands last")
            << 7 << "save text here" << 5 << asComma(oldRows()) << QString() << QStringList{question, question}
            << QStringList();
        QTest::newRow("text: the file being replaced is loaded meanwhile, as it was")
            << 6 << "load here" << 4 << asText(oldRows()) << QString() << QStringList{question}
            << QStringList{"x@old.example"};
        QTest::newRow("comma: a large file is loaded meanwhile")
            << 7 << "load large" << 2 << asComma(oldRows()) << QString() << QStringList{question}
            << QStringList{"<large>"};
        QTest::newRow("copy: an extraction while the widths are measured")
            << 5 << "extract" << 2 << old << QString::fromLatin1(asText(newRows())) << QStringList{"Done.", "<copied>"}
            << QStringList();
        QTest::newRow("copy: the same list copied meanwhile")
            << 5 << "copy" << 8 << old << QString::fromLatin1(asText(oldRows())) << QStringList{"<copied>", "<copied>"}
            << QStringList();
    }
    void nestedAction()
    {
        QFETCH(int, outer);
        QFETCH(QString, nested);
        QFETCH(int, turn);
        QFETCH(QByteArray, file);
        QFETCH(QString, clipboard);
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, entriesAdded);
        WindowFixture r;
        const QString target = r.path(QStringLiteral("target.txt"));
        QVERIFY(writeAll(target, "x@old.example\r\n"));
        constexpr int kLarge = 200000;
        const QString large = r.path(QStringLiteral("large.txt"));
        {
            QByteArray lines;
            for (int i = 0; i < kLarge; ++i)
                lines += "u" + QByteArray::number(i) + "@large.example\r\n";
            QVERIFY(writeAll(large, lines));
        }
        for (const QString &row : oldRows())
            r.w().results().add(row);
        for (const QString &row : newRows())
            r.w().entries().add(QStringLiteral("user@") + row);
        const qsizetype entriesBefore = r.w().entries().count();
        r.p.boxes.clear();
        r.p.dialogAnswers = {target};

        int yields = 0;
        bool acted = false;
        r.p.onYield = [&] {
            if (acted || ++yields != turn)
                return;
            acted = true;
            if (nested == QLatin1String("extract")) {
                runHandler(r.w(), 2);
            } else if (nested == QLatin1String("save comma here") || nested == QLatin1String("save text here")) {
                r.p.dialogAnswers = {target};
                runHandler(r.w(), nested.contains(QLatin1String("comma")) ? 7 : 6);
            } else if (nested == QLatin1String("load here") || nested == QLatin1String("load large")) {
                r.p.dialogAnswers = {nested.endsWith(QLatin1String("here")) ? target : large};
                runHandler(r.w(), 4);
            } else if (nested == QLatin1String("copy")) {
                runHandler(r.w(), 5);
            }
        };
        runHandler(r.w(), outer);
        r.p.onYield = nullptr;
        QVERIFY(acted);

        QStringList expectedBoxes;
        for (const QString &b : std::as_const(boxes)) {
            if (b == QLatin1String("<question>"))
                expectedBoxes << Main::OverwriteQuestion(target);
            else if (b == QLatin1String("<copied>"))
                expectedBoxes << QStringLiteral("Results have been copied to the clipboard.\r\r"
                                                "Click a text area where you normally type and press Ctrl+V to "
                                                "paste the clipboard.");
            else
                expectedBoxes << b;
        }
        QCOMPARE(r.p.boxTexts(), expectedBoxes);
        QCOMPARE(readAll(target), file);
        if (!clipboard.isNull())
            QCOMPARE(r.p.clipboard, std::optional<QString>(clipboard));
        QStringList added;
        for (qsizetype i = entriesBefore + 1; i <= r.w().entries().count(); ++i)
            added << r.w().entries().text(i);
        if (entriesAdded == QStringList{"<large>"}) {
            QCOMPARE(added.size(), kLarge);
            QCOMPARE(added.last(), QStringLiteral("u%1@large.example").arg(kLarge - 1));
        } else {
            QCOMPARE(added, entriesAdded);
        }
        QCOMPARE(r.files(), (QStringList{QStringLiteral("large.txt"), QStringLiteral("target.txt")}));
        QVERIFY(!r.w().IsExtracting);
        ordinarySessionWorks(r);
    }

    // The window is closed inside a save that runs inside another save: both
    // unfinished files are dropped and both old files stay as they were.
    void closedInsideANestedSave_data()
    {
        QTest::addColumn<int>("outer");
        QTest::addColumn<int>("inner");
        QTest::addColumn<int>("rows");
        QTest::newRow("text in text, few rows") << 6 << 6 << 10;
        QTest::newRow("comma in text, blocks written") << 6 << 7 << 30000;
        QTest::newRow("text in comma, blocks written") << 7 << 6 << 30000;
    }
    void closedInsideANestedSave()
    {
        QFETCH(int, outer);
        QFETCH(int, inner);
        QFETCH(int, rows);
        WindowFixture r;
        const QString first = r.path(QStringLiteral("first.txt"));
        const QString second = r.path(QStringLiteral("second.txt"));
        QVERIFY(writeAll(first, "first\r\n"));
        QVERIFY(writeAll(second, "second\r\n"));
        for (int i = 0; i < rows; ++i)
            r.w().results().add(QStringLiteral("d%1.example").arg(i));
        r.p.dialogAnswers = {first, second};
        int yields = 0;
        r.p.onYield = [&] {
            ++yields;
            if (yields == rows / 2)
                runHandler(r.w(), inner);
            else if (yields == rows / 2 + rows - 2)
                r.w().Form_Unload();
        };
        bool ended = false;
        try {
            runHandler(r.w(), outer);
        } catch (const ProgramEnded &) {
            ended = true;
        }
        QVERIFY(ended);
        QCOMPARE(readAll(first), QByteArray("first\r\n"));
        QCOMPARE(readAll(second), QByteArray("second\r\n"));
        QCOMPARE(r.files(), (QStringList{QStringLiteral("first.txt"), QStringLiteral("second.txt")}));
    }

    // A scripted user clicks every button at random, with random answers,
    // inside the saves, the copy and the extraction, and inside what those
    // clicks start in turn. Whatever happens: only the expected kinds of
    // error, no unfinished file left behind, no busy pointer left over, and
    // an ordinary session works afterwards.
    void randomNestedClicks_data()
    {
        QTest::addColumn<int>("outer");
        QTest::addColumn<unsigned>("seed");
        const std::pair<int, const char *> outers[] = {{6, "text save"}, {7, "comma save"}, {5, "copy"},
                                                       {2, "extraction"}};
        unsigned seed = 0;
        for (const auto &[button, name] : outers) {
            for (int i = 0; i < 4; ++i) {
                ++seed;
                QTest::addRow("%s, seed %u", name, seed) << button << seed;
            }
        }
    }
    void randomNestedClicks()
    {
        QFETCH(int, outer);
        QFETCH(unsigned, seed);
        constexpr int kRows = 20000;
        constexpr int kPeriod = 300; // about one action per 300 yields
        constexpr int kMaxDepth = 2;
        WindowFixture r;
        const QDir folder(r.dir.path());
        QVERIFY(folder.mkdir(QStringLiteral("sub")));
        QVERIFY(writeAll(r.path(QStringLiteral("three.txt")), "a@loaded.example\r\nwww.loaded.example\r\n\r\n"));
        QVERIFY(writeAll(r.path(QStringLiteral("target.txt")), "old\r\n"));
        {
            QByteArray lines;
            for (int i = 0; i < 30000; ++i)
                lines += "v" + QByteArray::number(i) + "@big.example\n";
            QVERIFY(writeAll(r.path(QStringLiteral("big.txt")), lines));
        }
        for (int i = 0; i < kRows; ++i) {
            r.w().entries().add(QStringLiteral("u%1@d%2.example").arg(i).arg(i % 13));
            r.w().results().add(QStringLiteral("r%1.example").arg(i));
        }
        const QStringList names{QString(), QStringLiteral("target.txt"), QStringLiteral("out.txt"),
                                QStringLiteral("three.txt"), QStringLiteral("big.txt"), QStringLiteral("sub"),
                                QStringLiteral("missing/out.txt"), QStringLiteral("nosuch.txt")};
        std::mt19937 rng(seed);
        int depth = 0;
        int actions = 0;
        r.p.onYield = [&] {
            if (depth >= kMaxDepth || rng() % kPeriod != 0)
                return;
            ++depth;
            ++actions;
            const int button = 1 + int(rng() % 9);
            const QString name = names[qsizetype(rng() % names.size())];
            r.p.dialogAnswers = {name.isEmpty() ? std::optional<QString>() : std::optional<QString>(r.path(name))};
            r.p.inputAnswers = {rng() % 2 ? QStringLiteral("typed@mid.example") : QString()};
            r.p.msgAnswers = {rng() % 2 ? Msg::Yes : Msg::No};
            runHandler(r.w(), button);
            r.p.dialogAnswers.clear();
            r.p.inputAnswers.clear();
            r.p.msgAnswers.clear();
            --depth;
        };
        r.p.boxes.clear();
        r.p.dialogAnswers = {r.path(QStringLiteral("target.txt"))};
        r.p.msgAnswers = {Msg::Yes};
        runHandler(r.w(), outer);
        r.p.onYield = nullptr;

        QVERIFY(actions > 0);
        int errors = 0;
        for (const ScriptedPlatform::Box &b : std::as_const(r.p.boxes)) {
            if (b.title != QLatin1String("Application Error"))
                continue;
            ++errors;
            const QString description = b.prompt.section(QStringLiteral("\r\n"), 0, 0);
            QVERIFY2(kExpectedErrors.count(description), qPrintable(b.prompt));
        }
        // A handful per action at most, never one per row.
        QVERIFY2(errors <= 3 * (actions + 1), qPrintable(QString::number(errors)));
        QVERIFY(!r.w().IsExtracting);
        QVERIFY(r.w().MousePointer() != Form1::PointerHourglass);
        // Saves may have created the names they were given; nothing else appears.
        QStringList expectedFiles{"big.txt", "sub", "target.txt", "three.txt"};
        for (const char *created : {"out.txt", "nosuch.txt"}) {
            if (QFileInfo(r.path(created)).isFile())
                expectedFiles << created;
        }
        expectedFiles.sort();
        QCOMPARE(r.files(), expectedFiles);
        ordinarySessionWorks(r);
    }
};

QTEST_MAIN(TestFaultsTiming)
#include "test_faults_timing.moc"
