// How the program shows its window on the desktop it finds: through XWayland
// wherever an X server answers, Qt's Wayland plugin on a Wayland desktop
// without one, and a message saying why where neither works.
#include "gui/shell/platform/DisplayChoice.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef KESTRUNE_X11
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#endif

class TestDisplayChoice : public QObject {
    Q_OBJECT
private slots:
    void choice_data()
    {
        QTest::addColumn<QString>("requested");
        QTest::addColumn<bool>("x11");
        QTest::addColumn<bool>("wayland");
        QTest::addColumn<bool>("plugin");
        QTest::addColumn<QString>("platform"); // empty: the one requested
        QTest::addColumn<QString>("problem");  // a part of the message; empty: none
        QTest::newRow("an X11 desktop") << "" << true << false << false << "xcb" << "";
        QTest::newRow("Wayland with XWayland and the plugin") << "" << true << true << true << "xcb" << "";
        QTest::newRow("Wayland with XWayland, no plugin") << "" << true << true << false << "xcb" << "";
        QTest::newRow("Wayland without XWayland") << "" << false << true << true << "wayland" << "";
        QTest::newRow("Wayland without XWayland or the plugin")
            << "" << false << true << false << "" << "sudo apt install qt6-wayland";
        QTest::newRow("no display at all") << "" << false << false << true << "" << "set DISPLAY or WAYLAND_DISPLAY";
        QTest::newRow("Wayland asked for, the plugin there") << "wayland" << true << true << true << "" << "";
        QTest::newRow("Wayland asked for, no plugin") << "wayland" << true << true << false << ""
                                                      << "QT_QPA_PLATFORM asks for Wayland";
        QTest::newRow("X11 asked for, no X server") << "xcb" << false << true << true << ""
                                                    << "QT_QPA_PLATFORM asks for X11";
        QTest::newRow("a test's own platform") << "offscreen" << false << false << false << "" << "";
    }
    void choice()
    {
        QFETCH(QString, requested);
        QFETCH(bool, x11);
        QFETCH(bool, wayland);
        QFETCH(bool, plugin);
        QFETCH(QString, platform);
        QFETCH(QString, problem);
        const DisplayChoice chosen = chooseDisplay({requested, x11, wayland, plugin});
        QCOMPARE(chosen.platform, platform);
        QCOMPARE(chosen.problem.isEmpty(), problem.isEmpty());
        QVERIFY2(chosen.problem.contains(problem), qPrintable(chosen.problem));
        if (!problem.isEmpty())
            QVERIFY(chosen.problem.startsWith(QLatin1String("Kestrune Domain Extractor cannot open its window: ")));
    }

    // A compositor answers where something listens on the display's socket;
    // a socket left behind by one that ended, or any other file, does not.
    void waylandSocket_data()
    {
        QTest::addColumn<QString>("arrangement");
        QTest::addColumn<bool>("answers");
        QTest::newRow("listening, by name") << "listening" << true;
        QTest::newRow("listening, by full path") << "listening, full path" << true;
        QTest::newRow("left behind") << "left behind" << false;
        QTest::newRow("a plain file") << "file" << false;
        QTest::newRow("nothing there") << "missing" << false;
        QTest::newRow("no runtime folder") << "no runtime folder" << false;
    }
    void waylandSocket()
    {
        QFETCH(QString, arrangement);
        QFETCH(bool, answers);
#ifdef KESTRUNE_X11
        QTemporaryDir runtime;
        const QByteArray path = QFile::encodeName(runtime.filePath(QStringLiteral("wayland-9")));
        int fd = -1;
        if (arrangement.startsWith(QLatin1String("listening")) || arrangement == QLatin1String("left behind")
            || arrangement == QLatin1String("no runtime folder")) {
            fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address = {};
            address.sun_family = AF_UNIX;
            std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
            QCOMPARE(::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
            QCOMPARE(::listen(fd, 1), 0);
            if (arrangement == QLatin1String("left behind")) {
                ::close(fd);
                fd = -1;
            }
        } else if (arrangement == QLatin1String("file")) {
            QFile file(QFile::decodeName(path));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QString name = arrangement.endsWith(QLatin1String("full path")) ? QFile::decodeName(path)
                                                                              : QStringLiteral("wayland-9");
        const QString folder = arrangement == QLatin1String("no runtime folder") ? QString() : runtime.path();
        QCOMPARE(waylandAnswers(name, folder), answers);
        if (fd >= 0)
            ::close(fd);
#else
        Q_UNUSED(arrangement);
        Q_UNUSED(answers);
        QSKIP("Wayland is Linux's");
#endif
    }
};

QTEST_GUILESS_MAIN(TestDisplayChoice)
#include "test_display_choice.moc"
