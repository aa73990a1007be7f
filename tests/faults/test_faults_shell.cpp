// Start-up faults: a skin that cannot be applied, a cursor file that is no
// picture, a browser that will not open. Each is reported once under its own
// step, start-up finishes, and the user can work as usual afterwards.
#include "OrdinarySession.h"

#include "core/shell/handlers/Startup.h"

class TestFaultsShell : public QObject {
    Q_OBJECT
private slots:
    void startupFaults_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<QList<int>>("lines"); // the steps reported, in order
        QTest::newRow("a skin that is no style sheet") << QStringList{"sheet"} << QList<int>{100};
        QTest::newRow("a skin that is no text") << QStringList{"binary skin"} << QList<int>{100};
        QTest::newRow("a cursor file that is no picture") << QStringList{"cursor"} << QList<int>{106};
        QTest::newRow("a browser that will not open") << QStringList{"browser"} << QList<int>{108};
        QTest::newRow("all of them at once") << QStringList{"sheet", "cursor", "browser"}
                                             << QList<int>{100, 106, 108};
    }
    void startupFaults()
    {
        QFETCH(QStringList, faults);
        QFETCH(QList<int>, lines);
        WindowFixture r(WindowFixture::Start::Later);
        if (faults.contains(QStringLiteral("sheet")))
            QVERIFY(r.putAppFile(QStringLiteral("x/o.cjs"), "QPushButton { color: red"));
        if (faults.contains(QStringLiteral("binary skin")))
            QVERIFY(r.putAppFile(QStringLiteral("x/o.cjs"), QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)));
        if (faults.contains(QStringLiteral("cursor")))
            QVERIFY(r.putAppFile(QStringLiteral("HAND-M.CUR"), "no picture at all"));
        if (faults.contains(QStringLiteral("browser"))) {
            r.p.rndValues = {0.065}; // draws 7: the home page opens
            r.p.openUrlFails = true;
        }
        r.start();

        QCOMPARE(r.p.boxes.size(), lines.size());
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const ScriptedPlatform::Box &box = r.p.boxes[i];
            QCOMPARE(box.title, QStringLiteral("Application Error"));
            QCOMPARE(box.buttons, Msg::OkOnly | Msg::Exclamation);
            const QString where = QStringLiteral("\r\nin Kestrune2021/08/31.Form1.Form_Load at line %1\r").arg(lines[i]);
            QVERIFY2(box.prompt.contains(where), qPrintable(box.prompt));
        }
        // Start-up went all the way.
        QCOMPARE(r.w().windowTitle(), QString::fromLatin1(kDisplayName));
        QCOMPARE(r.p.appTitle(), Main::AppTitleFromDisplayName(QString::fromLatin1(kDisplayName)));
        QCOMPARE(r.w().entries().columnHeaderTitle(1), QStringLiteral("Email(s)"));
        QCOMPARE(r.w().results().columnHeaderWidth(1), 7000);
        QVERIFY(r.w().styleSheet().isEmpty());
        QCOMPARE(r.w().hasMouseIcon(), false);
        // The pointer still follows the mouse, hand over buttons included.
        r.w().PushButton_MouseMove(6);
        QCOMPARE(r.w().MousePointer(), int(Form1::PointerCustom));
        r.w().Form_MouseMove();
        QCOMPARE(r.w().MousePointer(), int(Form1::PointerDefault));
        ordinarySessionWorks(r);
    }
};

QTEST_MAIN(TestFaultsShell)
#include "test_faults_shell.moc"
