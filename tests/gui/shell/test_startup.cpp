#include "gui/shell/window/Form1.h"
#include "core/shell/controls/ListModel.h"
#include "core/shell/handlers/Startup.h"
#include "support/WindowFixture.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void appTitle_data()
    {
        QTest::addColumn<QString>("displayName");
        QTest::addColumn<QString>("title");
        QTest::newRow("short name still loses its last word") << "Kestrune Domain Extractor 2021" << "Kestrune Domain Extractor";
        QTest::newRow("two words") << "Kestrune Extractor" << "Kestrune";
        QTest::newRow("exactly 41 after one cut, cut again")
            << "Aaaaaaaaaa Bbbbbbbbbb Cccccccccc Dddddddd Eeeee" << "Aaaaaaaaaa Bbbbbbbbbb Cccccccccc";
        QTest::newRow("40 after one cut is kept")
            << "Aaaaaaaaaa Bbbbbbbbbb Cccccccccc Ddddddd Eeeee" << "Aaaaaaaaaa Bbbbbbbbbb Cccccccccc Ddddddd";
        QTest::newRow("long name loses words until it fits")
            << "One Two Three Four Five Six Seven Eight Nine Ten Eleven Twelve" << "One Two Three Four Five Six Seven Eight";
        QTest::newRow("double blank cuts at the last") << "Alpha  Beta" << "Alpha ";
    }
    void appTitle()
    {
        QFETCH(QString, displayName);
        QFETCH(QString, title);
        const QString got = Main::AppTitleFromDisplayName(displayName);
        QCOMPARE(got, title);
        QVERIFY(got.size() <= 40);
    }

    void homePageDraw_data()
    {
        QTest::addColumn<double>("r");
        QTest::addColumn<bool>("opens");
        QTest::newRow("0 gives 1") << 0.0 << false;
        QTest::newRow("0.0599 gives 6") << 0.0599 << false;
        QTest::newRow("0.06 gives 7") << 0.06 << true;
        QTest::newRow("0.0699 gives 7") << 0.0699 << true;
        QTest::newRow("0.07 gives 8") << 0.07 << false;
        QTest::newRow("just below 1 gives 100") << 0.9999999 << false;
    }
    void homePageDraw()
    {
        QFETCH(double, r);
        QFETCH(bool, opens);
        ScriptedPlatform p;
        p.seconds = 43210.5;
        p.rndValues = {r};
        Main::OpenHomePageAtRandom(p);
        QCOMPARE(p.seeds, QList<double>{43210.5}); // seeded from the time of day
        QCOMPARE(p.openedUrls.size(), opens ? 1 : 0);
        if (opens)
            QCOMPARE(p.openedUrls.first(), QString::fromLatin1(kHomePageAddress));
        const int n = Main::HomePageDraw(r);
        QVERIFY(n >= 1 && n <= 100);
    }

    void loadSetsCaptionTitleAndColumns()
    {
        WindowFixture f(WindowFixture::Start::Later);
        ScriptedPlatform &p = f.p;
        Form1 &w = f.start();
        QVERIFY(p.boxes.isEmpty());
        QCOMPARE(w.windowTitle(), QString::fromLatin1(kDisplayName));
        QCOMPARE(p.appTitle(), Main::AppTitleFromDisplayName(QString::fromLatin1(kDisplayName)));
        QCOMPARE(w.entries().columnHeaderCount(), 1);
        QCOMPARE(w.entries().columnHeaderTitle(1), QStringLiteral("Email(s)"));
        QCOMPARE(w.entries().columnHeaderWidth(1), 7000);
        QCOMPARE(w.results().columnHeaderTitle(1), QStringLiteral("Domain(s)"));
        QCOMPARE(w.results().columnHeaderWidth(1), 7000);
        QCOMPARE(w.entries().count(), 0);
        QCOMPARE(w.results().count(), 0);
        QVERIFY(!w.hasMouseIcon());
        QVERIFY(!w.windowIcon().isNull());
    }

    void cursorFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<int>("boxes");
        QImage hand(32, 32, QImage::Format_ARGB32);
        hand.fill(Qt::black);
        QByteArray png;
        {
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            hand.save(&buffer, "PNG");
        }
        QTest::newRow("a picture") << png << true << 0;
        QTest::newRow("not a picture") << QByteArray("this is no picture") << false << 1;
    }
    void cursorFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, loaded);
        QFETCH(int, boxes);
        WindowFixture f(WindowFixture::Start::Later);
        ScriptedPlatform &p = f.p;
        QVERIFY(writeAll(f.appFile(QStringLiteral("HAND-M.CUR")), content));
        Form1 &w = f.start();
        QCOMPARE(w.hasMouseIcon(), loaded);
        QCOMPARE(p.boxes.size(), boxes);
        if (boxes)
            QVERIFY(p.boxes[0].prompt.contains(QStringLiteral("Form_Load at line 106\r")));
        QCOMPARE(w.results().columnHeaderTitle(1), QStringLiteral("Domain(s)")); // start-up went on
    }

    void failingHomePageIsReportedAndStartupGoesOn()
    {
        WindowFixture f(WindowFixture::Start::Later);
        ScriptedPlatform &p = f.p;
        p.rndValues = {0.065};
        p.openUrlFails = true;
        Form1 &w = f.start();
        QCOMPARE(p.boxes.size(), 1);
        QCOMPARE(p.boxes[0].title, QStringLiteral("Application Error"));
        QVERIFY(p.boxes[0].prompt.contains(QStringLiteral("in Kestrune2021/08/31.Form1.Form_Load at line 108\r")));
        QCOMPARE(w.windowTitle(), QString::fromLatin1(kDisplayName));
        QCOMPARE(w.entries().columnHeaderTitle(1), QStringLiteral("Email(s)"));
    }

    void closingEndsTheProgram()
    {
        WindowFixture f;
        ScriptedPlatform &p = f.p;
        Form1 &w = f.w();
        bool ended = false;
        try {
            w.close();
        } catch (const ProgramEnded &) {
            ended = true;
        }
        QVERIFY(ended);
        QVERIFY(p.ended);
        QVERIFY(p.boxes.isEmpty()); // no question
    }

    void fileExists_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("exists");
        QTest::newRow("file") << "present.txt" << true;
        QTest::newRow("folder") << "." << true;
        QTest::newRow("missing") << "missing.txt" << false;
        QTest::newRow("empty path") << "" << false;
    }
    void fileExists()
    {
        QFETCH(QString, name);
        QFETCH(bool, exists);
        QTemporaryDir dir;
        QVERIFY(writeAll(dir.filePath(QStringLiteral("present.txt")), QByteArray()));
        QCOMPARE(Main::FileExists(name.isEmpty() ? name : dir.filePath(name)), exists);
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
