#include "core/input/Samples.h"
#include "support/WindowFixture.h"

#include <QPushButton>
#include <QTest>

class TestEntry : public QObject {
    Q_OBJECT
private slots:
    void addOne_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("cancel or empty adds nothing") << QStringList{""} << QStringList{};
        QTest::newRow("typed text kept exactly") << QStringList{" https://www.x.example/ "} << QStringList{" https://www.x.example/ "};
        QTest::newRow("spaces only are an entry") << QStringList{"   "} << QStringList{"   "};
        QTest::newRow("same text twice gives two") << QStringList{"a@b", "a@b"} << QStringList{"a@b", "a@b"};
        QTest::newRow("cancel between two") << QStringList{"one", "", "two"} << QStringList{"one", "two"};
    }
    void addOne()
    {
        QFETCH(QStringList, answers);
        QFETCH(QStringList, entries);
        WindowFixture f;
        f.p.inputAnswers = answers;
        for (qsizetype i = 0; i < answers.size(); ++i)
            f.w().PushButton1->click();
        QCOMPARE(rowsOf(f.w().entries()), entries);
        QCOMPARE(f.p.inputPrompts.size(), answers.size());
        QCOMPARE(f.p.inputPrompts.first(), QStringLiteral("Enter url or email address to add: "));
        QVERIFY(f.p.boxes.isEmpty());
    }

    void samplesAppendThreeTimesOver()
    {
        WindowFixture f;
        f.p.inputAnswers = {QStringLiteral("first")};
        f.w().PushButton1->click();
        for (int i = 0; i < 3; ++i)
            f.w().PushButton9->click();
        const QStringList got = rowsOf(f.w().entries());
        QCOMPARE(got.size(), 10);
        QCOMPARE(got.first(), QStringLiteral("first"));
        for (int round = 0; round < 3; ++round)
            for (int k = 0; k < 3; ++k)
                QCOMPARE(got[1 + round * 3 + k], QString::fromLatin1(kSampleEntries[k]));
        QVERIFY(f.p.boxes.isEmpty());
    }

    void clearList_data()
    {
        QTest::addColumn<int>("pointer");
        QTest::addColumn<bool>("extracting");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("idle") << 0 << false << true;
        QTest::newRow("after a save (arrow)") << 1 << false << true;
        QTest::newRow("hand") << 99 << false << true;
        QTest::newRow("hourglass") << 11 << false << false;
        QTest::newRow("extraction running, pointer reset by a load") << 0 << true << false;
    }
    void clearList()
    {
        QFETCH(int, pointer);
        QFETCH(bool, extracting);
        QFETCH(bool, cleared);
        WindowFixture f;
        f.w().PushButton9->click();
        f.w().results().add(u"kept.example");
        f.w().setMousePointer(pointer);
        f.w().IsExtracting = extracting;
        f.w().PushButton8->click();
        QCOMPARE(f.w().entries().count(), cleared ? 0 : 3);
        QCOMPARE(rowsOf(f.w().results()), QStringList{"kept.example"}); // never touched
        QCOMPARE(f.w().MousePointer(), pointer);
        QVERIFY(f.p.boxes.isEmpty());
    }
};

QTEST_MAIN(TestEntry)
#include "test_entry.moc"
