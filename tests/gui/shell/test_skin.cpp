// The skin: what triggers it, what it colours, what it leaves alone, and how a
// skin that cannot be applied is reported.
#include "gui/shell/controls/FocusMark.h"
#include "gui/shell/controls/ListView.h"
#include "core/shell/handlers/Startup.h"
#include "support/Palettes.h"
#include "support/WindowFixture.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

const QString kResources = QStringLiteral(KESTRUNE_RESOURCES);
// Distinct from the window background and from white, so that a control
// coloured from the wrong role shows.
const QColor kButtonFace(0xd4, 0xd0, 0xc8);
const QColor kWindowRole(0xec, 0xe9, 0xe4);

const QString kSkin = QStringLiteral("x/o.cjs"); // beside the executable

QColor surfaceColour(Form1 &w)
{
    return w.grab().toImage().pixelColor(2, 2);
}

} // namespace

class TestSkin : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QPalette pal = QApplication::palette();
        pal.setColor(QPalette::Button, kButtonFace);
        pal.setColor(QPalette::Window, kWindowRole);
        QApplication::setPalette(pal);
    }

    // Only a normal file at x/o.cjs beside the executable is a skin.
    void trigger_data()
    {
        QTest::addColumn<QString>("arrangement");
        QTest::addColumn<bool>("skinned");
        QTest::newRow("nothing") << "none" << false;
        QTest::newRow("folder x without the file") << "folder x" << false;
        QTest::newRow("the file") << "file" << true;
        QTest::newRow("an empty file") << "empty file" << true;
        QTest::newRow("in the application folder itself") << "file at top" << false;
        QTest::newRow("another name in x") << "other name" << false;
        QTest::newRow("a folder named o.cjs") << "folder o.cjs" << false;
        QTest::newRow("hidden") << "hidden" << false;
#ifdef Q_OS_UNIX
        QTest::newRow("a link to a skin file") << "link" << true;
        QTest::newRow("a dangling link") << "dangling link" << false;
        QTest::newRow("a named pipe") << "fifo" << false;
#endif
    }
    void trigger()
    {
        QFETCH(QString, arrangement);
        QFETCH(bool, skinned);
        WindowFixture s(WindowFixture::Start::Later);
        const QDir app(s.appDir.path());
        const QByteArray sheet = "QPushButton { color: #123456; }";
        if (arrangement == QLatin1String("folder x")) {
            QVERIFY(app.mkpath(QStringLiteral("x")));
        } else if (arrangement == QLatin1String("file")) {
            QVERIFY(s.putAppFile(kSkin, sheet));
        } else if (arrangement == QLatin1String("empty file")) {
            QVERIFY(s.putAppFile(kSkin, QByteArray()));
        } else if (arrangement == QLatin1String("file at top")) {
            QVERIFY(writeAll(app.filePath(QStringLiteral("o.cjs")), sheet));
        } else if (arrangement == QLatin1String("other name")) {
            QVERIFY(app.mkpath(QStringLiteral("x")));
            QVERIFY(writeAll(app.filePath(QStringLiteral("x/o.cjs.txt")), sheet));
        } else if (arrangement == QLatin1String("folder o.cjs")) {
            QVERIFY(app.mkpath(QStringLiteral("x/o.cjs")));
        } else if (arrangement == QLatin1String("hidden")) {
#ifdef Q_OS_WIN
            QVERIFY(s.putAppFile(kSkin, sheet));
            QVERIFY(SetFileAttributesW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(s.appFile(kSkin)).utf16()),
                                       FILE_ATTRIBUTE_HIDDEN));
#else
            QSKIP("a file named o.cjs cannot be hidden here; isNormalFile covers hidden names");
#endif
        } else if (arrangement == QLatin1String("link")) {
            QVERIFY(writeAll(app.filePath(QStringLiteral("real.css")), sheet));
            QVERIFY(app.mkpath(QStringLiteral("x")));
            QVERIFY(QFile::link(app.filePath(QStringLiteral("real.css")), s.appFile(kSkin)));
        } else if (arrangement == QLatin1String("dangling link")) {
            QVERIFY(app.mkpath(QStringLiteral("x")));
            QVERIFY(QFile::link(app.filePath(QStringLiteral("gone.css")), s.appFile(kSkin)));
#ifdef Q_OS_UNIX
        } else if (arrangement == QLatin1String("fifo")) {
            QVERIFY(app.mkpath(QStringLiteral("x")));
            QCOMPARE(::mkfifo(QFile::encodeName(s.appFile(kSkin)).constData(), 0600), 0);
#endif
        }
        Form1 &w = s.start();
        QVERIFY(s.p.boxes.isEmpty());
        const QColor expected = skinned ? kButtonFace : QColor(Qt::white);
        QCOMPARE(w.BackColor(), expected);
        QCOMPARE(surfaceColour(w), expected);
        QCOMPARE(w.styleSheet(), skinned && arrangement != QLatin1String("empty file") ? QString::fromUtf8(sheet)
                                                                                       : QString());
        if (!w.styleSheet().isEmpty()) {
            // The sheet reaches the controls.
            w.PushButton1->ensurePolished();
            QCOMPARE(w.PushButton1->palette().color(QPalette::ButtonText), QColor(0x12, 0x34, 0x56));
        }
    }

    // The test behind the trigger, on names this system can hide.
    void normalFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("normal");
        QTest::newRow("a file") << "o.cjs" << true;
        QTest::newRow("a hidden file") << ".o.cjs" << false;
        QTest::newRow("a folder") << "folder" << false;
        QTest::newRow("missing") << "missing.cjs" << false;
#ifdef Q_OS_UNIX
        QTest::newRow("a link to a file") << "link" << true;
        QTest::newRow("a dangling link") << "dangling" << false;
#endif
    }
    void normalFile()
    {
        QFETCH(QString, name);
        QFETCH(bool, normal);
        QTemporaryDir dir;
        const QDir d(dir.path());
        QVERIFY(writeAll(d.filePath(QStringLiteral("o.cjs")), "x"));
        QVERIFY(writeAll(d.filePath(QStringLiteral(".o.cjs")), "x"));
        QVERIFY(d.mkpath(QStringLiteral("folder")));
#ifdef Q_OS_UNIX
        QVERIFY(QFile::link(d.filePath(QStringLiteral("o.cjs")), d.filePath(QStringLiteral("link"))));
        QVERIFY(QFile::link(d.filePath(QStringLiteral("gone")), d.filePath(QStringLiteral("dangling"))));
#endif
        QCOMPARE(Form1::isNormalFile(d.filePath(name)), normal);
    }

    // A skin's content: a style sheet in UTF-8. Anything else is reported under
    // start-up's step 100, after the colours changed, and start-up goes on.
    void content_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("sheet");   // as applied, when accepted
        QTest::addColumn<QString>("failure"); // the box's first line, when not
        const QByteArray example = readAll(kResources + QStringLiteral("/skins/o.cjs"));
        QTest::newRow("the shipped example") << example << QString::fromUtf8(example) << QString();
        QTest::newRow("empty") << QByteArray() << QString() << QString();
        QTest::newRow("comments only") << QByteArray("/* nothing yet */") << "/* nothing yet */" << QString();
        QTest::newRow("byte-order mark dropped") << QByteArray("\xEF\xBB\xBFQLabel { color: red; }")
                                                 << "QLabel { color: red; }" << QString();
        QTest::newRow("non-ASCII comment") << QByteArray("/* caf\xC3\xA9 \xE2\x9C\x93 */ QPushButton { }")
                                           << QStringLiteral("/* café ✓ */ QPushButton { }") << QString();
        const QString notSheet = QStringLiteral("Skin file is not a valid style sheet");
        const QString notText = QStringLiteral("Skin file is not valid text");
        QTest::newRow("unclosed block") << QByteArray("QPushButton { color: red") << QString() << notSheet;
        QTest::newRow("stray braces") << QByteArray("}}}{{") << QString() << notSheet;
        QTest::newRow("one brace too many") << QByteArray("QPushButton { color: red; } }") << QString() << notSheet;
        QTest::newRow("unterminated declaration block")
            << QByteArray("QLabel { color: red; } QFrame { border: 1px solid;") << QString() << notSheet;
        QTest::newRow("invalid UTF-8") << QByteArray("QLabel { color: r\xE9" "d; }") << QString() << notText;
        QTest::newRow("UTF-16") << QByteArray("\xFF\xFEQ\0L\0a\0b\0e\0l\0", 14) << QString() << notText;
        QTest::newRow("NUL inside") << QByteArray("QLabel { color: red; }\0/* */", 28) << QString() << notText;
        QTest::newRow("a picture") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << QString() << notText;
    }
    void content()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, sheet);
        QFETCH(QString, failure);
        WindowFixture s(WindowFixture::Start::Later);
        QVERIFY(s.putAppFile(kSkin, bytes));
        Form1 &w = s.start();
        QCOMPARE(w.BackColor(), kButtonFace); // the file's presence alone does that
        if (failure.isEmpty()) {
            QVERIFY(s.p.boxes.isEmpty());
            QCOMPARE(w.styleSheet(), sheet);
        } else {
            QCOMPARE(s.p.boxes.size(), 1);
            const ScriptedPlatform::Box &box = s.p.boxes.first();
            QCOMPARE(box.title, QStringLiteral("Application Error"));
            QCOMPARE(box.buttons, 48);
            QVERIFY2(box.prompt.startsWith(failure + QStringLiteral("\r\nin Kestrune2021/08/31.Form1.Form_Load at line 100\r")),
                     qPrintable(box.prompt));
            QVERIFY(w.styleSheet().isEmpty());
            // Start-up went on after the report.
            QCOMPARE(w.windowTitle(), QString::fromLatin1(kDisplayName));
            QCOMPARE(w.results().columnHeaderTitle(1), QStringLiteral("Domain(s)"));
        }
        // Qt's warnings reach their usual handler again afterwards.
        QTest::ignoreMessage(QtWarningMsg, "after the skin");
        qWarning("after the skin");
    }

    // A skin that is there but cannot be read: reported, colours kept, no sheet.
    void unreadable_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("no read permission") << "permissions";
        QTest::newRow("the read itself fails") << "read error";
    }
    void unreadable()
    {
        QFETCH(QString, how);
#ifdef Q_OS_UNIX
        WindowFixture s(WindowFixture::Start::Later);
        if (how == QLatin1String("permissions")) {
            QVERIFY(s.putAppFile(kSkin, "QLabel { }"));
            QVERIFY(QFile::setPermissions(s.appFile(kSkin), QFileDevice::Permissions()));
            QFile probe(s.appFile(kSkin));
            if (probe.open(QIODevice::ReadOnly))
                QSKIP("permissions do not stop this user from reading");
        } else {
            // A process's own memory file opens as a regular file, but reading
            // it from the start fails: nothing is mapped at address 0.
            if (!QFileInfo(QStringLiteral("/proc/self/mem")).isFile())
                QSKIP("no /proc/self/mem here");
            QVERIFY(QDir(s.appDir.path()).mkpath(QStringLiteral("x")));
            QVERIFY(QFile::link(QStringLiteral("/proc/self/mem"), s.appFile(kSkin)));
        }
        Form1 &w = s.start();
        QCOMPARE(s.p.boxes.size(), 1);
        QVERIFY2(s.p.boxes[0].prompt.startsWith(
                     QStringLiteral("Path/File access error\r\nin Kestrune2021/08/31.Form1.Form_Load at line 100\r")),
                 qPrintable(s.p.boxes[0].prompt));
        QCOMPARE(w.BackColor(), kButtonFace);
        QVERIFY(w.styleSheet().isEmpty());
#else
        Q_UNUSED(how);
        QSKIP("made unreadable by POSIX means only");
#endif
    }

    // With a skin, option buttons, check boxes, frames and labels take the
    // button face; every other kind keeps its colours. Without one, nothing
    // changes.
    void controlKinds_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("skin");
        QTest::addColumn<bool>("coloured");
        const QStringList kinds{"QLabel", "QCheckBox", "QRadioButton", "QGroupBox", "QFrame",
                                "QLabel in a QGroupBox", "QCheckBox in a QFrame"};
        for (const QString &k : kinds) {
            QTest::newRow(qPrintable(k + QStringLiteral(", skin"))) << k << true << true;
            QTest::newRow(qPrintable(k + QStringLiteral(", no skin"))) << k << false << false;
        }
        for (const QString &k : {QStringLiteral("QLineEdit"), QStringLiteral("QListWidget"),
                                 QStringLiteral("QPushButton"), QStringLiteral("QLineEdit in a QFrame")})
            QTest::newRow(qPrintable(k + QStringLiteral(", skin"))) << k << true << false;
    }
    void controlKinds()
    {
        QFETCH(QString, kind);
        QFETCH(bool, skin);
        QFETCH(bool, coloured);
        WindowFixture s(WindowFixture::Start::Later);
        if (skin)
            QVERIFY(s.putAppFile(kSkin, "/* plain */"));
        Form1 &w = s.create();
        QWidget *parent = &w;
        QString leaf = kind;
        if (kind.contains(QLatin1String(" in a "))) {
            const QString container = kind.section(QLatin1String(" in a "), 1);
            leaf = kind.section(QLatin1String(" in a "), 0, 0);
            parent = container == QLatin1String("QGroupBox") ? static_cast<QWidget *>(new QGroupBox(&w))
                                                             : static_cast<QWidget *>(new QFrame(&w));
        }
        QWidget *control = leaf == QLatin1String("QLabel")      ? static_cast<QWidget *>(new QLabel(parent))
            : leaf == QLatin1String("QCheckBox")                ? static_cast<QWidget *>(new QCheckBox(parent))
            : leaf == QLatin1String("QRadioButton")             ? static_cast<QWidget *>(new QRadioButton(parent))
            : leaf == QLatin1String("QGroupBox")                ? static_cast<QWidget *>(new QGroupBox(parent))
            : leaf == QLatin1String("QFrame")                   ? static_cast<QWidget *>(new QFrame(parent))
            : leaf == QLatin1String("QLineEdit")                ? static_cast<QWidget *>(new QLineEdit(parent))
            : leaf == QLatin1String("QListWidget")              ? static_cast<QWidget *>(new QListWidget(parent))
                                                                : static_cast<QWidget *>(new QPushButton(parent));
        const bool autoFillBefore = control->autoFillBackground();
        s.start();
        QVERIFY(s.p.boxes.isEmpty());
        QCOMPARE(control->palette().color(QPalette::Window), coloured ? kButtonFace : kWindowRole);
        QCOMPARE(control->autoFillBackground(), coloured ? true : autoFillBefore);
    }

    // The lists and buttons keep their own look when the skin colours the
    // window: the surface colour does not spread to them.
    void controlsKeepTheirLook()
    {
        WindowFixture plain(WindowFixture::Start::Later);
        WindowFixture skinned(WindowFixture::Start::Later);
        QVERIFY(skinned.putAppFile(kSkin, "/* no rules */"));
        Form1 &a = plain.start();
        Form1 &b = skinned.start();
        QCOMPARE(surfaceColour(a), QColor(Qt::white));
        QCOMPARE(surfaceColour(b), kButtonFace);
        const QList<QWidget *> left = a.findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        for (QWidget *control : left) {
            auto *other = b.findChild<QWidget *>(control->objectName(), Qt::FindDirectChildrenOnly);
            QVERIFY(other);
            const QByteArray name = control->objectName().toUtf8();
            QVERIFY2(control->palette() == other->palette(), name.constData());
            QVERIFY2(control->grab().toImage() == other->grab().toImage(), name.constData());
        }
    }

    // A keyboard user sees where the keys act, skin or none, in every colour
    // scheme: the focused control wears a ring that stands out 3:1 from its
    // own face and from the window's surface around it (white, the button
    // face, or the system's colour under high contrast), an empty list
    // included. Unfocused, it is drawn as before.
    void focusMark_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("skin");
        QTest::addColumn<QString>("palette");
        for (const char *control : {"ListView1", "PushButton1"})
            for (const QString &palette : paletteNames())
                for (const bool skin : {false, true})
                    QTest::newRow(qPrintable(QStringLiteral("%1, %2, %3")
                                                 .arg(control, palette, skin ? "the shipped skin" : "no skin")))
                        << control << skin << palette;
    }
    void focusMark()
    {
        QFETCH(QString, control);
        QFETCH(bool, skin);
        QFETCH(QString, palette);
        const PaletteInEffect colours(palette);
        WindowFixture s(WindowFixture::Start::Later);
        if (skin)
            QVERIFY(s.putAppFile(kSkin, readAll(kResources + QStringLiteral("/skins/o.cjs"))));
        s.start();
        QVERIFY(s.show());
        QApplication::setActiveWindow(&s.w());
        QVERIFY(QTest::qWaitForWindowActive(&s.w()));
        s.w().PushButton9->setFocus(Qt::TabFocusReason);
        const QImage unfocused = s.w().grab().toImage();
        auto *target = s.w().findChild<QWidget *>(control);
        target->setFocus(Qt::TabFocusReason);
        const QImage focused = s.w().grab().toImage();
        // Along the left edge, half-way down: the window, the ring's two
        // lines, the face.
        const QPoint middle = target->geometry().topLeft() + QPoint(0, target->height() / 2);
        const auto at = [&](const QImage &shot, int dx) { return shot.pixelColor(middle + QPoint(dx, 0)); };
        const QColor outer = at(focused, 0), inner = at(focused, 1), face = at(focused, 4), around = at(focused, -2);
        QVERIFY2(contrastRatio(outer, around) >= 3 && contrastRatio(inner, face) >= 3,
                 qPrintable(QStringLiteral("ring %1 %2 in %3 on %4")
                                .arg(outer.name(), inner.name(), face.name(), around.name())));
        QCOMPARE(at(unfocused, 4), face);
        QCOMPARE(at(unfocused, -2), around);
        // Unfocused, the edge is the style's own.
        QVERIFY(std::max(contrastRatio(at(unfocused, 0), outer), contrastRatio(at(unfocused, 1), inner)) > 1.5);
    }

    // Under high contrast the window shows the system's colours: its surface
    // the system's window colour instead of white, and no skin, though one is
    // there. In any other scheme the white surface and the skin stay. Either
    // way the captions read 4.5:1 on their faces; Windows' themed style paints
    // faces of its own, light whatever the palette, so a dark palette, which
    // Windows never hands it, is left out there.
    void highContrastGivesSystemColours_data()
    {
        QTest::addColumn<QString>("palette");
        QTest::addColumn<bool>("skin");
        for (const QString &palette : paletteNames())
            for (const bool skin : {false, true})
                QTest::newRow(qPrintable(palette + (skin ? ", the shipped skin" : ", no skin"))) << palette << skin;
    }
    void highContrastGivesSystemColours()
    {
        QFETCH(QString, palette);
        QFETCH(bool, skin);
        const PaletteInEffect colours(palette);
        const bool high = palette.startsWith(QLatin1String("high contrast"));
        WindowFixture s(WindowFixture::Start::Later);
        if (skin)
            QVERIFY(s.putAppFile(kSkin, readAll(kResources + QStringLiteral("/skins/o.cjs"))));
        Form1 &w = s.start();
        QVERIFY(s.p.boxes.isEmpty());
        const QColor system = QApplication::palette().color(QPalette::Window);
        const QColor surface = high ? system : skin ? QApplication::palette().color(QPalette::Button) : QColor(Qt::white);
        QCOMPARE(surfaceColour(w) == surface, true);
        QCOMPARE(w.styleSheet().isEmpty(), high || !skin);
#ifdef Q_OS_WIN
        if (palette == QLatin1String("dark") && !skin)
            return;
#endif
        // A caption's darkest or lightest pixel against its face.
        const QImage shot = w.grab().toImage();
        const auto readsOnFace = [&](const QRect &area, QPoint facePoint) {
            const QColor face = shot.pixelColor(facePoint);
            double best = 1;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    best = std::max(best, contrastRatio(shot.pixelColor(x, y), face));
            return best;
        };
        const QRect button = w.PushButton1->geometry();
        const QRect caption = button.adjusted(8, button.height() / 3, -8, -button.height() / 3);
        QVERIFY2(readsOnFace(caption, QPoint(button.left() + 5, button.center().y())) >= 4.5, "button caption");
        const QRect header = w.ListView1->geometry().adjusted(3, 3, -200, 0);
        QVERIFY2(readsOnFace(header.adjusted(0, 0, 0, -header.height() + 14), header.topLeft() + QPoint(80, 6)) >= 4.5,
                 "list header");
    }
};

QTEST_MAIN(TestSkin)
#include "test_skin.moc"
