// A scripted user clicks every button in random order, with random dialog
// answers, while a long extraction lets events run. Whatever the order, the run
// must end cleanly and the result list must hold exactly the domains of the
// entries processed since its last clear, in input order.
#include "core/extract/DomainRule.h"
#include "support/WindowFixture.h"

#include <QFile>
#include <QPushButton>
#include <QTest>

#include <random>

namespace {

class RandomUser {
public:
    RandomUser(WindowFixture &f, unsigned seed, int period) : f_(f), rng_(seed), period_(period)
    {
        QFile list(f_.appDir.filePath(QStringLiteral("three.txt")));
        list.open(QIODevice::WriteOnly);
        list.write("a@loaded.example\r\nwww.loaded.example\r\n\r\n");
    }

    // Called on every yield. Acts only from the extraction loop itself, not from
    // inside a handler it started, so each click is one user action.
    void onYield()
    {
        if (depth_ > 0)
            return;
        ++extractionYields_;
        if (rng_() % unsigned(period_) != 0)
            return;
        ++depth_;
        act();
        --depth_;
    }

    qsizetype extractionYields() const { return extractionYields_; }
    // Row of the run (1-based) whose yield saw the last clear of the results, 0 when none.
    qsizetype lastResultClearAt() const { return lastResultClearAt_; }
    int actions() const { return actions_; }

private:
    QString pick(const QStringList &choices) { return choices[qsizetype(rng_() % unsigned(choices.size()))]; }

    void act()
    {
        ++actions_;
        ScriptedPlatform &p = f_.p;
        const int button = 1 + int(rng_() % 9);
        const QString dir = f_.appDir.path();
        p.inputAnswers = {pick({QString(), QStringLiteral("typed@mid.example"), QStringLiteral("   ")})};
        const QString answer = pick({QString(), dir + QStringLiteral("/out.txt"), dir + QStringLiteral("/no/such/dir/out.txt"),
                                     dir, dir + QStringLiteral("/three.txt"), dir + QStringLiteral("/missing.txt")});
        p.dialogAnswers = {answer.isEmpty() ? std::optional<QString>() : std::optional<QString>(answer)};
        p.msgAnswers = {rng_() % 2 ? Msg::Yes : Msg::No};
        if (button == 3)
            lastResultClearAt_ = extractionYields_;
        f_.w().button(button)->click();
        p.inputAnswers.clear();
        p.dialogAnswers.clear();
        p.msgAnswers.clear();
    }

    WindowFixture &f_;
    std::mt19937 rng_;
    int period_;
    int depth_ = 0;
    int actions_ = 0;
    qsizetype extractionYields_ = 0;
    qsizetype lastResultClearAt_ = 0;
};

} // namespace

class TestHostileTiming : public QObject {
    Q_OBJECT
private slots:
    void randomClicksDuringARun_data()
    {
        QTest::addColumn<unsigned>("seed");
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("period");
        // A million entries with a handful of actions, and a short list clicked often.
        QTest::newRow("seed 1, 1M") << 1u << 1000000 << 90000;
        QTest::newRow("seed 2, 1M") << 2u << 1000000 << 70000;
        QTest::newRow("seed 3, 2k busy") << 3u << 2000 << 40;
        QTest::newRow("seed 4, 2k busy") << 4u << 2000 << 25;
    }
    void randomClicksDuringARun()
    {
        QFETCH(unsigned, seed);
        QFETCH(int, entries);
        QFETCH(int, period);
        WindowFixture f;
        QStringList input;
        input.reserve(entries);
        for (int i = 0; i < entries; ++i) {
            const QString e = (i % 3 == 0)   ? QStringLiteral("u%1@d%2.example").arg(i).arg(i % 97)
                              : (i % 3 == 1) ? QStringLiteral("https://www.s%1.example/p").arg(i)
                                             : QString();
            input << e;
            f.w().entries().add(e);
        }
        RandomUser user(f, seed, period);
        f.p.onYield = [&] { user.onYield(); };

        f.w().PushButton2->click();

        QVERIFY(user.actions() > 0);
        QCOMPARE(user.extractionYields(), qsizetype(entries));
        QVERIFY(!f.w().IsExtracting);
        QCOMPARE(f.w().MousePointer(), Form1::PointerDefault);
        // One box per failing step at most: a handful per action, never one per row.
        QVERIFY2(f.p.boxes.size() <= 3 * user.actions() + 1, qPrintable(QString::number(f.p.boxes.size())));
        QCOMPARE(f.p.boxes.last().prompt, QStringLiteral("Done."));
        // The entries the run took are still there, in order; later ones only follow them.
        for (int i = 0; i < entries; i += 997)
            QCOMPARE(f.w().entries().text(i + 1), input[i]);

        const qsizetype from = std::max<qsizetype>(user.lastResultClearAt(), 1);
        const ListModel &results = f.w().results();
        QCOMPARE(results.count(), qsizetype(entries) - from + 1);
        for (qsizetype k = 1; k <= results.count(); ++k) {
            const QString want = DomainFromEntry(input[from - 1 + k - 1]);
            if (results.text(k) != want)
                QFAIL(qPrintable(QStringLiteral("row %1: %2 != %3").arg(k).arg(results.text(k), want)));
        }
    }
};

QTEST_MAIN(TestHostileTiming)
#include "test_hostile_timing.moc"
