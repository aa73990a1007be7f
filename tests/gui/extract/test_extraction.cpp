#include "core/extract/DomainRule.h"
#include "core/shell/handlers/MemoryCheck.h"
#include "support/WindowFixture.h"

#include <QPushButton>
#include <QTest>

namespace {
void fill(Form1 &w, const QStringList &entries)
{
    for (const QString &e : entries)
        w.entries().add(e);
}
} // namespace

class TestExtraction : public QObject {
    Q_OBJECT
private slots:
    void runGivesOneDomainPerEntryInOrder_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("domains");
        QTest::newRow("mixed") << QStringList{"user@example.com", "https://www.example.com", "", "a@b@c",
                                              "shop.www.example.net", " x@y "}
                               << QStringList{"example.com", "example.com", "", "b", "shop.example.net", "y "};
        QTest::newRow("duplicates kept") << QStringList{"a@same.example", "b@same.example"}
                                         << QStringList{"same.example", "same.example"};
        QTest::newRow("non-ascii") << QStringList{QStringLiteral("jöran@bücher.example"), QStringLiteral("www.例え.jp")}
                                   << QStringList{QStringLiteral("bücher.example"), QStringLiteral("例え.jp")};
    }
    void runGivesOneDomainPerEntryInOrder()
    {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, domains);
        WindowFixture f;
        fill(f.w(), entries);
        QList<int> pointerDuringRun;
        f.p.onYield = [&] { pointerDuringRun << f.w().MousePointer(); };
        f.w().PushButton2->click();
        QCOMPARE(rowsOf(f.w().results()), domains);
        QCOMPARE(rowsOf(f.w().entries()), entries); // only read
        QCOMPARE(f.p.boxes.size(), 1);
        QCOMPARE(f.p.boxes[0].prompt, QStringLiteral("Done."));
        QCOMPARE(f.p.boxes[0].buttons, 0);
        QCOMPARE(f.p.boxes[0].title, f.p.appTitle());
        QCOMPARE(pointerDuringRun, QList<int>(entries.size(), Form1::PointerHourglass));
        QCOMPARE(f.w().MousePointer(), Form1::PointerDefault);
        QVERIFY(!f.w().IsExtracting);
    }

    void secondRunReplacesResults()
    {
        WindowFixture f;
        fill(f.w(), {"a@one.example", "b@two.example"});
        f.w().PushButton2->click();
        f.w().PushButton2->click();
        QCOMPARE(rowsOf(f.w().results()), (QStringList{"one.example", "two.example"}));
    }

    void emptyInputListKeepsEarlierResults()
    {
        WindowFixture f;
        fill(f.w(), {"a@one.example"});
        f.w().PushButton2->click();
        f.w().PushButton8->click();
        f.w().setMousePointer(Form1::PointerCustom);
        f.p.boxes.clear();
        f.w().PushButton2->click();
        QCOMPARE(f.p.boxTexts(), QStringList{"No Email/Url(s) added."});
        QCOMPARE(f.p.boxes[0].buttons, 0);
        QCOMPARE(rowsOf(f.w().results()), QStringList{"one.example"});
        QCOMPARE(f.w().MousePointer(), Form1::PointerCustom); // untouched
        QVERIFY(!f.w().IsExtracting);
    }

    // Other buttons acting while the run lets events run.
    void clicksMidRun_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QStringList>("entriesAfter");
        QTest::addColumn<QStringList>("resultsAfter");
        const QStringList in{"a@1.example", "b@2.example", "c@3.example", "d@4.example"};
        const QStringList out{"1.example", "2.example", "3.example", "4.example"};
        QTest::newRow("second Start Extracting ignored") << 2 << in << out;
        QTest::newRow("Clear List of entries refused") << 8 << in << out;
        QStringList withSamples = in;
        withSamples << "jordan.ellis@postfree.example" << "support@kestrune.example" << "admin@sendwave-marketing.example";
        QTest::newRow("samples added are not processed") << 9 << withSamples << out;
    }
    void clicksMidRun()
    {
        QFETCH(int, button);
        QFETCH(QStringList, entriesAfter);
        QFETCH(QStringList, resultsAfter);
        WindowFixture f;
        fill(f.w(), entriesAfter.mid(0, 4));
        int yields = 0;
        f.p.onYield = [&] {
            if (++yields == 2)
                f.w().button(button)->click();
        };
        f.w().PushButton2->click();
        QCOMPARE(rowsOf(f.w().entries()), entriesAfter);
        QCOMPARE(rowsOf(f.w().results()), resultsAfter);
        QCOMPARE(f.p.boxTexts(), QStringList{"Done."});
        QVERIFY(!f.w().IsExtracting);
    }

    // Memory that runs out gives one box: a run the memory left cannot hold
    // is refused before the old results go; one that runs out midway (here,
    // another program takes what was left) stops there, keeping what it did.
    void memoryRunsOut_data()
    {
        QTest::addColumn<int>("count");     // entries
        QTest::addColumn<int>("length");    // of each entry's tail
        QTest::addColumn<qint64>("room");   // MiB beyond what the window keeps
        QTest::addColumn<int>("takenAt");   // the yield after which none is left; 0: never
        QTest::addColumn<int>("line");
        QTest::addColumn<bool>("stopped");  // results of this run, but not all
        // More locators than the earlier results' storage, which the run frees.
        QTest::newRow("no room for the run") << 600000 << 1 << qint64(0) << 0 << 108 << false;
        QTest::newRow("taken midway") << 6000 << 1000 << qint64(8) << 100 << 122 << true;
    }
    void memoryRunsOut()
    {
        QFETCH(int, count);
        QFETCH(int, length);
        QFETCH(qint64, room);
        QFETCH(int, takenAt);
        QFETCH(int, line);
        QFETCH(bool, stopped);
        WindowFixture f;
        fill(f.w(), {"a@earlier.example"});
        f.w().PushButton2->click();
        f.w().PushButton8->click();
        // Domains that are not part of their entries: the result list needs
        // memory of its own.
        QStringList entries;
        for (int i = 0; i < count; ++i)
            entries << QStringLiteral("p%1.www.").arg(i) + QString(length, u'x');
        fill(f.w(), entries);
        f.p.boxes.clear();
        f.p.availableMemory = Main::kMemoryHeadroom + (room << 20);
        int yields = 0;
        f.p.onYield = [&] {
            if (++yields == takenAt)
                f.p.availableMemory = Main::kMemoryHeadroom;
        };
        f.w().PushButton2->click();
        QCOMPARE(f.p.boxTexts(), (QStringList{errorBox(2, "Out of memory", line), "Done."}));
        const QStringList results = rowsOf(f.w().results());
        if (stopped) {
            QVERIFY(results.size() >= takenAt && results.size() < entries.size());
            for (qsizetype i = 0; i < results.size(); ++i)
                QCOMPARE(results[i], DomainFromEntry(entries[i]));
        } else {
            QCOMPARE(results, QStringList{"earlier.example"}); // as they were
        }
        QCOMPARE(f.w().MousePointer(), Form1::PointerDefault);
        QVERIFY(!f.w().IsExtracting);
        // The window goes on working once memory is back.
        f.p.availableMemory = -1;
        f.p.boxes.clear();
        f.w().PushButton2->click();
        QCOMPARE(f.p.boxTexts(), QStringList{"Done."});
        QCOMPARE(f.w().results().count(), entries.size());
    }

    void closingMidRunEndsAtOnce()
    {
        WindowFixture f;
        fill(f.w(), {"a@1.example", "b@2.example", "c@3.example"});
        int yields = 0;
        f.p.onYield = [&] {
            if (++yields == 2)
                f.w().close();
        };
        bool ended = false;
        try {
            f.w().PushButton2->click();
        } catch (const ProgramEnded &) {
            ended = true;
        }
        QVERIFY(ended);
        QVERIFY(f.p.boxes.isEmpty());
        QCOMPARE(f.w().results().count(), 1);
    }
};

QTEST_MAIN(TestExtraction)
#include "test_extraction.moc"
