#include "core/shell/handlers/HandlerSteps.h"
#include "core/shell/platform/RuntimeError.h"
#include "support/ScriptedPlatform.h"

#include <QTest>

#include <new>

class TestHandlerSteps : public QObject {
    Q_OBJECT
private slots:
    void reportText_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("handler");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("expected");
        QTest::newRow("load, step 126")
            << "Invalid picture" << "Form_Load" << 126
            << "Invalid picture\r\nin Kestrune2021/08/31.Form1.Form_Load at line 126\r\r"
               "Please email screenshot of this message to bugs@kestrune.example";
        QTest::newRow("button, step 100")
            << "Index out of bounds" << "PushButton2_Click" << 100
            << "Index out of bounds\r\nin Kestrune2021/08/31.Form1.PushButton2_Click at line 100\r\r"
               "Please email screenshot of this message to bugs@kestrune.example";
        QTest::newRow("empty description") << "" << "PushButton9_Click" << 104
                                           << "\r\nin Kestrune2021/08/31.Form1.PushButton9_Click at line 104\r\r"
                                              "Please email screenshot of this message to bugs@kestrune.example";
    }
    void reportText()
    {
        QFETCH(QString, description);
        QFETCH(QString, handler);
        QFETCH(int, line);
        QFETCH(QString, expected);
        QCOMPARE(ErrorReportText(description, HandlerLocation(handler), line), expected);
    }

    void failingStepReportsAndResumes()
    {
        ScriptedPlatform p;
        p.setAppTitle(QStringLiteral("Title"));
        QStringList ran;
        HandlerSteps s(p, QStringLiteral("PushButton1_Click"));
        QVERIFY(s.step(100, [&] { ran << "100"; }));
        QVERIFY(!s.step(102, [&] {
            ran << "102";
            throw RuntimeError(ErrNo::FileNotFound, QStringLiteral("File not found"));
            ran << "102 rest"; // never reached: the rest of a failing step is skipped
        }));
        QVERIFY(s.step(104, [&] { ran << "104"; }));
        QCOMPARE(ran, (QStringList{"100", "102", "104"}));
        QCOMPARE(p.boxes.size(), 1);
        QCOMPARE(p.boxes[0].title, QStringLiteral("Application Error"));
        QCOMPARE(p.boxes[0].buttons, 48);
        QCOMPARE(p.boxes[0].prompt, ErrorReportText(QStringLiteral("File not found"),
                                                    QStringLiteral("in Kestrune2021/08/31.Form1.PushButton1_Click "), 102));
        QCOMPARE(s.lastErrorNumber(), ErrNo::FileNotFound);
    }

    void failingTestEntersGuardedBranch()
    {
        ScriptedPlatform p;
        HandlerSteps s(p, QStringLiteral("Form_Load"));
        bool branch = false;
        if (s.test(104, []() -> bool { throw RuntimeError(ErrNo::InvalidCall, QStringLiteral("Invalid procedure call or argument")); }))
            branch = true;
        QVERIFY(branch);
        QVERIFY(!s.test(106, [] { return false; }));
        QCOMPARE(p.boxes.size(), 1);
        QVERIFY(p.boxes[0].prompt.contains(QStringLiteral("at line 104\r\r")));
    }

    void twoFailuresGiveTwoBoxesInOrder()
    {
        ScriptedPlatform p;
        HandlerSteps s(p, QStringLiteral("PushButton6_Click"));
        s.step(130, [] { throw RuntimeError(ErrNo::PathNotFound, QStringLiteral("Path not found")); });
        s.step(132, [] {});
        s.step(136, [] { throw RuntimeError(ErrNo::DiskFull, QStringLiteral("Disk full")); });
        QCOMPARE(p.boxes.size(), 2);
        QVERIFY(p.boxes[0].prompt.startsWith(QStringLiteral("Path not found\r\n")));
        QVERIFY(p.boxes[0].prompt.contains(QStringLiteral("at line 130\r")));
        QVERIFY(p.boxes[1].prompt.startsWith(QStringLiteral("Disk full\r\n")));
        QVERIFY(p.boxes[1].prompt.contains(QStringLiteral("at line 136\r")));
        QCOMPARE(s.failures(), 2);
    }

    void calledProcedureReportsCallingStep()
    {
        ScriptedPlatform p;
        HandlerSteps s(p, QStringLiteral("Form_Load"));
        auto inner = [] { throw RuntimeError(ErrNo::InvalidPicture, QStringLiteral("Invalid picture")); };
        auto procedure = [&] { inner(); };
        s.step(108, procedure);
        QCOMPARE(p.boxes.size(), 1);
        QVERIFY(p.boxes[0].prompt.contains(QStringLiteral("in Kestrune2021/08/31.Form1.Form_Load at line 108\r")));
    }

    void foreignFailuresAreReported_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("descriptionStart");
        QTest::newRow("out of memory") << 0 << "Out of memory\r\n";
        QTest::newRow("standard exception") << 1 << "Internal error: boom\r\n";
    }
    void foreignFailuresAreReported()
    {
        QFETCH(int, kind);
        QFETCH(QString, descriptionStart);
        ScriptedPlatform p;
        HandlerSteps s(p, QStringLiteral("PushButton4_Click"));
        s.step(118, [&] {
            if (kind == 0)
                throw std::bad_alloc();
            throw std::runtime_error("boom");
        });
        QCOMPARE(p.boxes.size(), 1);
        QVERIFY(p.boxes[0].prompt.startsWith(descriptionStart));
    }

    void specialErrorNumberIsReturnedNotReported()
    {
        ScriptedPlatform p;
        HandlerSteps s(p, QStringLiteral("PushButton4_Click"));
        const int got = s.stepUnless(108, ErrNo::FileNameBufferTooSmall, [] {
            throw RuntimeError(ErrNo::FileNameBufferTooSmall, QStringLiteral("too small"));
        });
        QCOMPARE(got, ErrNo::FileNameBufferTooSmall);
        QVERIFY(p.boxes.isEmpty());
        QCOMPARE(s.stepUnless(108, ErrNo::FileNameBufferTooSmall,
                              [] { throw RuntimeError(ErrNo::FileNotFound, QStringLiteral("File not found")); }),
                 -1);
        QCOMPARE(p.boxes.size(), 1);
    }

    void programEndPassesThrough()
    {
        ScriptedPlatform p;
        HandlerSteps s(p, QStringLiteral("PushButton2_Click"));
        bool passed = false;
        try {
            s.step(112, [&] { p.EndProgram(); });
        } catch (const ProgramEnded &) {
            passed = true;
        }
        QVERIFY(passed);
        QVERIFY(p.boxes.isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestHandlerSteps)
#include "test_handler_steps.moc"
