// The main window as laid out: every control's place, caption and font, the
// window's own properties, the tab order, what the lists ignore, and the icon.
#include "gui/shell/controls/ListView.h"
#include "core/shell/handlers/Startup.h"
#include "gui/shell/window/StartPosition.h"
#include "support/WindowFixture.h"

#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QPushButton>
#include <QTest>
#include <QtEndian>

namespace {

const QString kResources = QStringLiteral(KESTRUNE_RESOURCES);
const QString kListTip =
    QStringLiteral("Double-click item to remove it. Move | line to right and out of window to reveal full names.");

// Twips as the layout gives them, so each row reads like the layout table;
// 15 twips make a pixel.
QRect twips(int left, int top, int width, int height)
{
    auto px = [](int t) { return int(t / 15.0 + 0.5); };
    return QRect(px(left), px(top), px(width), px(height));
}

void checkFont(const QFont &font, double points)
{
    QCOMPARE(font.family(), QStringLiteral("Arial"));
    QCOMPARE(font.pointSizeF(), points);
    QCOMPARE(font.weight(), QFont::Bold);
    QVERIFY(!font.italic());
    QVERIFY(!font.underline());
    QVERIFY(!font.strikeOut());
    // Arial or a face with its metrics must really be there: the captions are
    // sized for it.
    const QFontInfo shown(font);
    QVERIFY2(shown.family() == QLatin1String("Arial") || shown.family() == QLatin1String("Liberation Sans"),
             qPrintable(shown.family()));
    QCOMPARE(shown.pixelSize(), qRound(points * 96 / 72));
}

QStringList focusWalk(Qt::Key key, int presses)
{
    QStringList walk;
    for (int i = 0; i < presses; ++i) {
        QTest::keyClick(QApplication::focusWidget(), key);
        walk << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString());
    }
    return walk;
}

// Where a run of pixels of one colour lies along a line of an image: each run
// as its first step and its length.
QList<QPair<int, int>> runsOf(const QImage &image, QPoint from, QPoint step, int steps, const QColor &colour)
{
    QList<QPair<int, int>> runs;
    for (int i = 0; i < steps; ++i) {
        const QPoint at = from + step * i;
        if (!image.rect().contains(at) || image.pixelColor(at) != colour)
            continue;
        if (!runs.isEmpty() && runs.last().first + runs.last().second == i)
            ++runs.last().second;
        else
            runs.append({i, 1});
    }
    return runs;
}

// The window as a screen with that many device pixels a pixel shows it.
QImage shownAt(Form1 &w, qreal scale)
{
    QImage image((QSizeF(w.size()) * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::magenta);
    w.render(&image);
    return image;
}

const QStringList kTabOrder = {"ListView1", "PushButton1", "PushButton4", "PushButton8", "PushButton9", "PushButton2",
                               "ListView2", "PushButton6", "PushButton7", "PushButton5", "PushButton3"};

} // namespace

class TestLayout : public QObject {
    Q_OBJECT
private slots:
    void controls_data()
    {
        QTest::addColumn<QString>("caption"); // empty for the lists
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<double>("points");
        QTest::newRow("ListView1") << QString() << twips(120, 120, 7800, 2780) << 9.0;
        QTest::newRow("PushButton1") << "Add One Email Address" << twips(120, 2990, 3840, 405) << 11.25;
        QTest::newRow("PushButton4") << "Load Emails From Text File" << twips(4080, 2990, 3840, 405) << 11.25;
        QTest::newRow("PushButton8") << "Clear List" << twips(120, 3500, 3840, 405) << 11.25;
        QTest::newRow("PushButton9") << "Load Sample Emails" << twips(4080, 3500, 3840, 405) << 11.25;
        QTest::newRow("PushButton2") << "Start Extracting" << twips(120, 4010, 7800, 405) << 11.25;
        QTest::newRow("ListView2") << QString() << twips(120, 4515, 7800, 2780) << 9.0;
        QTest::newRow("PushButton6") << "Save Results As Text File" << twips(120, 7380, 3840, 405) << 11.25;
        QTest::newRow("PushButton7") << "Save As Comma Delimited" << twips(4080, 7380, 3840, 405) << 11.25;
        QTest::newRow("PushButton5") << "Copy Results To Clipboard" << twips(120, 7890, 3840, 405) << 11.25;
        QTest::newRow("PushButton3") << "Clear List" << twips(4080, 7890, 3840, 405) << 11.25;
    }
    void controls()
    {
        QFETCH(QString, caption);
        QFETCH(QRect, geometry);
        QFETCH(double, points);
        WindowFixture f;
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        auto *control = f.w().findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
        QVERIFY(control);
        QCOMPARE(control->geometry(), geometry);
        QVERIFY(control->isVisibleTo(&f.w()));
        checkFont(control->font(), points);
        if (caption.isEmpty()) {
            auto *list = qobject_cast<ListView *>(control);
            QVERIFY(list);
            QCOMPARE(list->toolTip(), kListTip);
            QVERIFY(!list->header()->isHidden());
            // One column of 7000 twips, so 800 twips of the list lie right of it.
            QCOMPARE(list->header()->count(), 1);
            QCOMPARE(list->header()->sectionSize(0), 467);
            // Items in the system's text colour on its window background.
            QCOMPARE(list->viewport()->backgroundRole(), QPalette::Base);
            QCOMPARE(list->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
            QCOMPARE(list->palette().color(QPalette::Text), QApplication::palette().color(QPalette::Text));
        } else {
            auto *button = qobject_cast<QPushButton *>(control);
            QVERIFY(button);
            QCOMPARE(button->text(), caption);
            QVERIFY(button->toolTip().isEmpty());
            QCOMPARE(button, f.w().button(name.mid(10).toInt()));
            // The caption fits on the button in its font.
            QVERIFY(QFontMetrics(button->font()).horizontalAdvance(caption) < geometry.width() - 8);
        }
    }

    // Nothing else on the window: the eleven controls and no more.
    void onlyTheElevenControls()
    {
        WindowFixture f;
        QStringList names;
        for (QWidget *child : f.w().findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (!child->isWindow())
                names << child->objectName();
        names.sort();
        QStringList expected = kTabOrder;
        expected.sort();
        QCOMPARE(names, expected);
    }

    void window()
    {
        WindowFixture f(WindowFixture::Start::Later);
        Form1 &w = f.create();
        QCOMPARE(w.windowTitle(), QStringLiteral("Form1")); // the layout's placeholder
        f.start();
        QCOMPARE(w.windowTitle(), QString::fromLatin1(kDisplayName));
        // 8040 by 8415 twips, fixed.
        QCOMPARE(w.size(), QSize(536, 561));
        QCOMPARE(w.minimumSize(), QSize(536, 561));
        QCOMPARE(w.maximumSize(), QSize(536, 561));
        const Qt::WindowFlags flags = w.windowFlags();
        QVERIFY(w.isWindow());
        QVERIFY(flags.testFlag(Qt::WindowTitleHint));
        QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
        QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::FramelessWindowHint));
        QVERIFY(!flags.testFlag(Qt::Tool)); // a taskbar window
        checkFont(w.font(), 9.0);
        // White, on the surface itself and in the gaps between controls.
        QCOMPARE(w.BackColor(), QColor(Qt::white));
        const QImage shot = w.grab().toImage();
        for (const QPoint at : {QPoint(2, 2), QPoint(268, 210), QPoint(268, 296), QPoint(530, 556)})
            QCOMPARE(shot.pixelColor(at), QColor(Qt::white));
        QVERIFY(f.p.boxes.isEmpty());
    }

    // Where the window first shows, frame and all: centred on the screen's
    // available area when it fits; otherwise at the area's top (and left), so
    // that the whole title bar is on the screen.
    void startPosition_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QPoint>("corner");
        QTest::newRow("100 %, 1024 by 768") << QRect(0, 0, 1024, 768) << QSize(536, 598) << QPoint(244, 85);
        QTest::newRow("below a 27-pixel panel") << QRect(0, 27, 1280, 997) << QSize(536, 598) << QPoint(372, 226);
        QTest::newRow("a second screen to the right") << QRect(1920, 0, 1280, 1024) << QSize(536, 598)
                                                      << QPoint(2292, 213);
        QTest::newRow("200 %, 1080 lines: too high") << QRect(0, 0, 1920, 1080) << QSize(1072, 1159) << QPoint(424, 0);
        QTest::newRow("too high, below a panel") << QRect(0, 32, 1920, 1048) << QSize(1072, 1159) << QPoint(424, 32);
        QTest::newRow("too wide and too high") << QRect(0, 0, 800, 600) << QSize(1072, 1122) << QPoint(0, 0);
        QTest::newRow("exactly as high as the area") << QRect(0, 0, 1920, 1122) << QSize(1072, 1122) << QPoint(424, 0);
    }
    void startPosition()
    {
        QFETCH(QRect, available);
        QFETCH(QSize, frame);
        QFETCH(QPoint, corner);
        QCOMPARE(::startPosition(available, frame), corner);
    }

    // On a scaled screen each list keeps its frame as at 100 %: every side one
    // line, whole, at the list's outermost device pixels, as wide as a pixel
    // is on that screen, rounded. A list's edges fall between device pixels
    // at 125 %, 150 % and 175 % (8 and 301 pixels down, 185 high).
    void frameLinesAtEveryScale_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<qreal>("scale");
        for (const char *list : {"ListView1", "ListView2"})
            for (const qreal scale : {1.0, 1.25, 1.5, 1.75, 2.0})
                QTest::newRow(qPrintable(QStringLiteral("%1 at %2 %").arg(list).arg(scale * 100))) << list << scale;
    }
    void frameLinesAtEveryScale()
    {
        QFETCH(QString, list);
        QFETCH(qreal, scale);
        WindowFixture f;
        auto *view = f.w().findChild<ListView *>(list);
        // The frame's colour as the style draws it at 100 %: half-way along the top.
        const QRect at1 = view->geometry();
        const QColor line = shownAt(f.w(), 1).pixelColor(at1.center().x(), at1.top());
        QVERIFY(line != QColor(Qt::white));
        const QImage shown = shownAt(f.w(), scale);
        const QRectF device(QPointF(at1.topLeft()) * scale, QSizeF(at1.size()) * scale);
        const int width = std::max(1, qRound(scale));
        struct Side {
            const char *name;
            QPointF edge;  // a point just outside the list, on the side
            QPoint inwards;
            QPointF along; // from one end of the side to the other
        };
        const Side sides[] = {
            {"top", device.topLeft() + QPointF(0, -0.01), {0, 1}, {device.width(), 0}},
            {"bottom", device.bottomLeft() + QPointF(0, 0.01), {0, -1}, {device.width(), 0}},
            {"left", device.topLeft() + QPointF(-0.01, 0), {1, 0}, {0, device.height()}},
            {"right", device.topRight() + QPointF(0.01, 0), {-1, 0}, {0, device.height()}},
        };
        for (const Side &side : sides) {
            for (const qreal part : {0.25, 0.5, 0.75}) {
                // From three device pixels outside the list to a few inside.
                const QPointF onEdge = side.edge + side.along * part;
                const QPoint outside = QPoint(int(std::floor(onEdge.x())), int(std::floor(onEdge.y()))) - side.inwards * 3;
                const auto runs = runsOf(shown, outside, side.inwards, width + 6, line);
                const QByteArray where = QByteArray(side.name) + " at " + QByteArray::number(part) + ": "
                    + QByteArray::number(runs.size()) + " runs, first at " + QByteArray::number(runs.value(0).first)
                    + " of width " + QByteArray::number(runs.value(0).second);
                // One line, as wide as a pixel, starting within a device pixel of the edge.
                QVERIFY2(runs.size() == 1 && runs[0].second == width && runs[0].first >= 3 && runs[0].first <= 4,
                         where.constData());
            }
        }
    }

    // The icon in four sizes replaces the layout's single one at start-up.
    void windowIcon()
    {
        WindowFixture f;
        const QIcon icon = f.w().windowIcon();
        QList<QSize> sizes = icon.availableSizes();
        std::sort(sizes.begin(), sizes.end(), [](QSize a, QSize b) { return a.width() < b.width(); });
        QCOMPARE(sizes, (QList<QSize>{{32, 32}, {48, 48}, {128, 128}, {256, 256}}));
        // Each size is drawn for that size, not scaled from another.
        const QImage small = icon.pixmap(32).toImage();
        const QImage large = icon.pixmap(256).toImage().scaled(32, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QVERIFY(small != large);
        QCOMPARE(qAlpha(icon.pixmap(256).toImage().pixel(0, 0)), 0); // a tile with rounded corners
    }

    // The Windows icon file holds the same four pictures as the PNGs: 32 at
    // 24 bits with a mask, the others at 32 bits.
    void iconFile_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("bits");
        QTest::newRow("32") << 0 << 32 << 24;
        QTest::newRow("48") << 1 << 48 << 32;
        QTest::newRow("128") << 2 << 128 << 32;
        QTest::newRow("256") << 3 << 256 << 32;
    }
    void iconFile()
    {
        QFETCH(int, index);
        QFETCH(int, size);
        QFETCH(int, bits);
        QFile file(kResources + QStringLiteral("/icons/kestrune.ico"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray ico = file.readAll();
        const char *d = ico.constData();
        auto u16 = [d](qsizetype at) { return int(qFromLittleEndian<quint16>(d + at)); };
        auto u32 = [d](qsizetype at) { return qint64(qFromLittleEndian<quint32>(d + at)); };
        QCOMPARE(u16(2), 1); // an icon
        QCOMPARE(u16(4), 4); // four images
        const qsizetype entry = 6 + 16 * index;
        QCOMPARE(quint8(d[entry]) == 0 ? 256 : int(quint8(d[entry])), size);
        QCOMPARE(quint8(d[entry + 1]) == 0 ? 256 : int(quint8(d[entry + 1])), size);
        QCOMPARE(u16(entry + 6), bits);
        const qint64 length = u32(entry + 8);
        const qint64 offset = u32(entry + 12);
        QVERIFY(offset + length <= ico.size());

        // The bitmap: header, bottom-up colour rows, bottom-up mask rows.
        QCOMPARE(u32(offset), 40);
        QCOMPARE(u32(offset + 4), qint64(size));
        QCOMPARE(u32(offset + 8), qint64(size) * 2);
        QCOMPARE(u16(offset + 14), bits);
        const int colourStride = (size * bits / 8 + 3) & ~3;
        const int maskStride = ((size + 31) / 32) * 4;
        QCOMPARE(length, 40 + qint64(colourStride + maskStride) * size);

        const QImage png(kResources + QStringLiteral("/icons/kestrune-%1.png").arg(size));
        QCOMPARE(png.size(), QSize(size, size));
        int differing = 0;
        for (int y = 0; y < size; ++y) {
            const char *row = d + offset + 40 + qsizetype(size - 1 - y) * colourStride;
            const char *mask = d + offset + 40 + qsizetype(colourStride) * size + qsizetype(size - 1 - y) * maskStride;
            for (int x = 0; x < size; ++x) {
                const QRgb want = png.pixel(x, y);
                const bool hidden = (quint8(mask[x / 8]) >> (7 - x % 8)) & 1;
                if (hidden != (qAlpha(want) < 128))
                    ++differing;
                const char *pixel = row + x * (bits / 8);
                if (bits == 32 && quint8(pixel[3]) != qAlpha(want))
                    ++differing;
                if (qAlpha(want) >= 128
                    && (quint8(pixel[0]) != qBlue(want) || quint8(pixel[1]) != qGreen(want)
                        || quint8(pixel[2]) != qRed(want)))
                    ++differing;
            }
        }
        QCOMPARE(differing, 0);
        // Qt reads it as the same picture too.
        QImageReader reader(file.fileName());
        QVERIFY(reader.jumpToImage(index));
        QCOMPARE(reader.read().size(), QSize(size, size));
    }

    // A focused button is pressed from the keyboard as on Windows: Enter too.
    void keysPressTheFocusedButton_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("rowsAfter");
        QTest::newRow("Space") << int(Qt::Key_Space) << int(Qt::NoModifier) << 3;
        QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier) << 3;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 3;
        QTest::newRow("Ctrl+Return is not a press") << int(Qt::Key_Return) << int(Qt::ControlModifier) << 0;
        QTest::newRow("a letter is not a press") << int(Qt::Key_L) << int(Qt::NoModifier) << 0;
    }
    void keysPressTheFocusedButton()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, rowsAfter);
        WindowFixture f;
        f.w().show();
        QApplication::setActiveWindow(&f.w());
        QVERIFY(QTest::qWaitForWindowActive(&f.w()));
        f.w().PushButton9->setFocus(Qt::TabFocusReason); // "Load Sample Emails"
        QTest::keyClick(f.w().PushButton9, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(f.w().entries().count(), qsizetype(rowsAfter));
        QVERIFY(f.p.boxes.isEmpty());
    }

    void tabOrder_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QStringList>("walk");
        // Eleven presses go round once and come back to the start.
        QStringList forward = kTabOrder.mid(1);
        forward << kTabOrder.first();
        QStringList backward;
        for (qsizetype i = kTabOrder.size() - 1; i >= 0; --i)
            backward << kTabOrder[i];
        QTest::newRow("tab") << int(Qt::Key_Tab) << forward;
        QTest::newRow("shift+tab") << int(Qt::Key_Backtab) << backward;
    }
    void tabOrder()
    {
        QFETCH(int, key);
        QFETCH(QStringList, walk);
        WindowFixture f;
        f.w().show();
        QApplication::setActiveWindow(&f.w());
        QVERIFY(QTest::qWaitForWindowActive(&f.w()));
        f.w().ListView1->setFocus(Qt::OtherFocusReason);
        QCOMPARE(QApplication::focusWidget(), f.w().ListView1);
        QCOMPARE(focusWalk(Qt::Key(key), int(walk.size())), walk);
    }

    // The program handles no click, double-click or key of either list: the
    // list only moves its selection.
    void listsIgnoreClicksAndKeys_data()
    {
        QTest::addColumn<int>("list");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("selectedAfter"); // the view's own row, 0-based
        for (const int list : {1, 2}) {
            const QByteArray l = "ListView" + QByteArray::number(list) + ": ";
            QTest::newRow(l + "double-click a row") << list << "dclick row 2" << 1;
            // The first row became current as the list took the focus.
            QTest::newRow(l + "double-click below the rows") << list << "dclick empty" << 0;
            QTest::newRow(l + "Delete") << list << "key Delete" << 0;
            QTest::newRow(l + "Backspace") << list << "key Backspace" << 0;
            QTest::newRow(l + "Return") << list << "key Return" << 0;
            QTest::newRow(l + "Space") << list << "key Space" << 0;
            QTest::newRow(l + "Escape") << list << "key Escape" << 0;
            QTest::newRow(l + "F2") << list << "key F2" << 0;
            QTest::newRow(l + "a letter") << list << "key A" << 0;
            QTest::newRow(l + "Down moves the selection") << list << "key Down" << 1;
            QTest::newRow(l + "End moves the selection") << list << "key End" << 2;
        }
    }
    void listsIgnoreClicksAndKeys()
    {
        QFETCH(int, list);
        QFETCH(QString, action);
        QFETCH(int, selectedAfter);
        WindowFixture f;
        const QStringList entries{"a@one.example", "https://www.two.example", "c@three.example"};
        const QStringList results{"one.example", "two.example", "three.example"};
        for (const QString &e : entries)
            f.w().entries().add(e);
        for (const QString &r : results)
            f.w().results().add(r);
        QCoreApplication::processEvents(); // the rows reach the views before either takes the focus
        f.w().show();
        QApplication::setActiveWindow(&f.w());
        QVERIFY(QTest::qWaitForWindowActive(&f.w()));
        ListView *view = list == 1 ? f.w().ListView1 : f.w().ListView2;
        view->setFocus(Qt::OtherFocusReason);
        const int rowHeight = view->rowHeight();

        if (action.startsWith(QLatin1String("dclick"))) {
            const QPoint at = action.endsWith(QLatin1String("row 2")) ? QPoint(20, rowHeight + rowHeight / 2)
                                                                      : QPoint(20, view->viewport()->height() - 3);
            // As the window system delivers it: press and release, then the
            // second press as a double-click, and its release.
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        } else {
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(20, rowHeight / 2)); // select row 1
            QCOMPARE(view->currentRow(), 0);
            const QString key = action.mid(4);
            const Qt::Key code = key == QLatin1String("Delete") ? Qt::Key_Delete
                : key == QLatin1String("Backspace")             ? Qt::Key_Backspace
                : key == QLatin1String("Return")                ? Qt::Key_Return
                : key == QLatin1String("Space")                 ? Qt::Key_Space
                : key == QLatin1String("Escape")                ? Qt::Key_Escape
                : key == QLatin1String("F2")                    ? Qt::Key_F2
                : key == QLatin1String("A")                     ? Qt::Key_A
                : key == QLatin1String("Down")                  ? Qt::Key_Down
                                                                : Qt::Key_End;
            QTest::keyClick(view, code);
        }
        QCOMPARE(view->currentRow(), qsizetype(selectedAfter));
        QCOMPARE(rowsOf(f.w().entries()), entries);
        QCOMPARE(rowsOf(f.w().results()), results);
        QVERIFY(f.p.boxes.isEmpty());
        QVERIFY(f.p.inputPrompts.isEmpty());
        QVERIFY(f.p.dialogs.isEmpty());
        QCOMPARE(QApplication::focusWidget(), view); // no key moved the focus away
    }
};

QTEST_MAIN(TestLayout)
#include "test_layout.moc"
