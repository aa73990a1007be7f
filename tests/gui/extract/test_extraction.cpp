#include "core/extract/DomainRule.h"
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
