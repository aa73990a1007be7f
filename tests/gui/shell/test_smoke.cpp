// The real program on a real display server: it starts, shows its one window
// with the right title and client size, fixed, without a maximize button, and
// no error box on the way. Runs only where xvfb-run and the X utilities are.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const char *const kTitle = "Kestrune Domain Extractor 2021";

// Started under xvfb-run: start the program, wait up to five seconds for its
// window, report what the X utilities see, then end it. The browser opener is
// a stand-in, so the one start in a hundred that opens the home page neither
// opens a browser nor stops at an error box.
const char *const kScript = R"(
PATH="$FAKEBIN:$PATH"; export PATH
"$PROGRAM" & pid=$!
i=0
while [ $i -lt 50 ]; do
  xwininfo -name "$TITLE" >/dev/null 2>&1 && break
  sleep 0.1; i=$((i+1))
done
sleep 0.3
echo "== window"; xwininfo -name "$TITLE" 2>&1
echo "== hints"; xprop -name "$TITLE" WM_NORMAL_HINTS _MOTIF_WM_HINTS WM_NAME 2>&1
echo "== tree"; xwininfo -root -tree 2>&1
kill $pid 2>/dev/null
wait $pid 2>/dev/null
echo "== end"
)";

int number(const QString &text, const QString &pattern)
{
    const QRegularExpressionMatch m = QRegularExpression(pattern).match(text);
    return m.hasMatch() ? m.captured(1).toInt(nullptr, 0) : -1;
}

} // namespace

class TestSmoke : public QObject {
    Q_OBJECT
private slots:
    void realWindowUnderXvfb()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
        if (xvfb.isEmpty())
            QSKIP("xvfb-run is not installed");
        for (const char *tool : {"xwininfo", "xprop", "sh"})
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
        const QString program = QStringLiteral(KESTRUNE_EXE);
        QVERIFY2(QFile::exists(program), qPrintable(program));

        QTemporaryDir fakeBin;
        QVERIFY(fakeBin.isValid());
        for (const char *opener : {"xdg-open", "explorer"}) {
            QFile stub(fakeBin.filePath(QLatin1String(opener)));
            QVERIFY(stub.open(QIODevice::WriteOnly));
            stub.write("#!/bin/sh\nexit 0\n");
            stub.close();
            QVERIFY(stub.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        }

        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM")); // the real window system this time
        env.remove(QStringLiteral("DISPLAY"));
        env.insert(QStringLiteral("PROGRAM"), program);
        env.insert(QStringLiteral("TITLE"), QLatin1String(kTitle));
        env.insert(QStringLiteral("FAKEBIN"), fakeBin.path());
        run.setProcessEnvironment(env);
        run.setProcessChannelMode(QProcess::MergedChannels);
        run.start(xvfb, {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 800x700x24"),
                         QStringLiteral("sh"), QStringLiteral("-c"), QLatin1String(kScript)});
        QVERIFY(run.waitForStarted(10000));
        if (!run.waitForFinished(30000)) {
            run.kill();
            run.waitForFinished(5000);
            QFAIL(qPrintable(QStringLiteral("no answer in 30 s:\n") + QString::fromLocal8Bit(run.readAll())));
        }
        const QString out = QString::fromLocal8Bit(run.readAll());
        QVERIFY2(out.contains(QLatin1String("== end")), qPrintable(out));
        const QString window = out.section(QStringLiteral("== window"), 1).section(QStringLiteral("== hints"), 0, 0);
        const QString hints = out.section(QStringLiteral("== hints"), 1).section(QStringLiteral("== tree"), 0, 0);
        const QString tree = out.section(QStringLiteral("== tree"), 1).section(QStringLiteral("== end"), 0, 0);

        QVERIFY2(window.contains(QStringLiteral("\"%1\"").arg(QLatin1String(kTitle))), qPrintable(out));
        QCOMPARE(number(window, QStringLiteral("Width: (\\d+)")), 536);
        QCOMPARE(number(window, QStringLiteral("Height: (\\d+)")), 561);
        QVERIFY(window.contains(QLatin1String("IsViewable")));
        // Centred on the 800 x 700 screen (no window manager adds a frame here).
        QCOMPARE(number(window, QStringLiteral("Absolute upper-left X:\\s+(\\d+)")), (800 - 536) / 2);
        QCOMPARE(number(window, QStringLiteral("Absolute upper-left Y:\\s+(\\d+)")), (700 - 561) / 2);

        // Fixed size, and Motif hints that offer minimize and close but no maximize.
        QVERIFY2(hints.contains(QLatin1String("minimum size: 536 by 561")), qPrintable(hints));
        QVERIFY2(hints.contains(QLatin1String("maximum size: 536 by 561")), qPrintable(hints));
        const QRegularExpressionMatch motif =
            QRegularExpression(QStringLiteral("_MOTIF_WM_HINTS\\S* = (0x[0-9a-f]+), (0x[0-9a-f]+), (0x[0-9a-f]+)"))
                .match(hints);
        QVERIFY2(motif.hasMatch(), qPrintable(hints));
        const int functions = motif.captured(2).toInt(nullptr, 16);
        const int decorations = motif.captured(3).toInt(nullptr, 16);
        constexpr int FuncMinimize = 8, FuncMaximize = 16, FuncClose = 32;
        constexpr int DecorMinimize = 32, DecorMaximize = 64;
        QVERIFY(functions & FuncMinimize);
        QVERIFY(functions & FuncClose);
        QVERIFY(!(functions & FuncMaximize));
        QVERIFY(decorations & DecorMinimize);
        QVERIFY(!(decorations & DecorMaximize));

        // Start-up raised no error box: the one window is the main window.
        QVERIFY2(!tree.contains(QLatin1String("Application Error")), qPrintable(tree));
        QCOMPARE(tree.count(QStringLiteral("\"%1\"").arg(QLatin1String(kTitle))), 1);
    }
};

QTEST_GUILESS_MAIN(TestSmoke)
#include "test_smoke.moc"
