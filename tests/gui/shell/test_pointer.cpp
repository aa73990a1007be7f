// The window pointer setting as the mouse moves over the window, and the
// shipped hand cursor.
#include "gui/shell/controls/ListView.h"
#include "support/WindowFixture.h"

#include <QFile>
#include <QHeaderView>
#include <QImageReader>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QtEndian>

namespace {

const QString kResources = QStringLiteral(KESTRUNE_RESOURCES);

// The places a move can happen, by name: "surface" is the bare window, a list
// name is the list's rows, "header1"/"header2" a list's column header,
// "scroll1" a list's vertical scroll bar.
QWidget *place(Form1 &w, const QString &name, QPoint *at)
{
    *at = QPoint(5, 5);
    if (name == QLatin1String("surface")) {
        *at = QPoint(268, 196); // the gap between the input list and the first button row
        return &w;
    }
    if (name == QLatin1String("ListView1"))
        return w.ListView1->viewport();
    if (name == QLatin1String("ListView2"))
        return w.ListView2->viewport();
    if (name == QLatin1String("header1"))
        return w.ListView1->header()->viewport();
    if (name == QLatin1String("header2"))
        return w.ListView2->header()->viewport();
    if (name == QLatin1String("scroll1"))
        return w.ListView1->verticalScrollBar();
    return w.findChild<QPushButton *>(name);
}

Qt::CursorShape shapeFor(int setting, bool hand)
{
    switch (setting) {
    case Form1::PointerHourglass: return Qt::WaitCursor;
    case Form1::PointerCustom: return hand ? Qt::BitmapCursor : Qt::ArrowCursor;
    default: return Qt::ArrowCursor;
    }
}

// Starts the window and shows it, optionally with the shipped hand beside
// the executable.
void startShown(WindowFixture &f, bool withHand)
{
    if (withHand)
        QVERIFY(QFile::copy(kResources + QStringLiteral("/HAND-M.CUR"), f.appFile(QStringLiteral("HAND-M.CUR"))));
    f.start();
    f.show();
}

// A real move of the mouse, delivered by the window system to whatever lies
// under it, so only controls that track the mouse see it.
void moveTo(Form1 &w, const QString &name)
{
    QPoint at;
    QWidget *target = place(w, name, &at);
    QVERIFY2(target, qPrintable(name));
    // Two steps, so the pointer really moves even when it already rests there.
    QTest::mouseMove(target, at + QPoint(1, 0));
    QTest::mouseMove(target, at);
    QCoreApplication::processEvents();
}

} // namespace

class TestPointer : public QObject {
    Q_OBJECT
private slots:
    void transitions_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QStringList>("moves");
        QTest::addColumn<QList<int>>("settings");
        const int D = Form1::PointerDefault, A = Form1::PointerArrow, H = Form1::PointerHourglass,
                  C = Form1::PointerCustom;
        QTest::newRow("surface, button, back to surface")
            << D << QStringList{"surface", "PushButton1", "surface"} << QList<int>{D, C, D};
        QTest::newRow("button then each list")
            << D << QStringList{"PushButton9", "ListView1", "PushButton2", "ListView2"} << QList<int>{C, D, C, D};
        QTest::newRow("every button shows the hand")
            << D
            << QStringList{"PushButton1", "surface", "PushButton2", "surface", "PushButton3", "surface",
                           "PushButton4", "surface", "PushButton5", "surface", "PushButton6", "surface",
                           "PushButton7", "surface", "PushButton8", "surface", "PushButton9"}
            << QList<int>{C, D, C, D, C, D, C, D, C, D, C, D, C, D, C, D, C};
        QTest::newRow("hand stays from button to button")
            << D << QStringList{"PushButton6", "PushButton7", "PushButton5"} << QList<int>{C, C, C};
        QTest::newRow("a list's header and scroll bar are the list")
            << C << QStringList{"header1", "PushButton1", "header2", "PushButton1", "scroll1"}
            << QList<int>{D, C, D, C, D};
        QTest::newRow("arrow after a save lasts until a move")
            << A << QStringList{"ListView2"} << QList<int>{D};
        QTest::newRow("arrow after a save, then a button")
            << A << QStringList{"PushButton3", "surface"} << QList<int>{C, D};
        QTest::newRow("hourglass ignores every move")
            << H << QStringList{"surface", "PushButton1", "ListView1", "header1", "PushButton5", "ListView2"}
            << QList<int>{H, H, H, H, H, H};
    }
    void transitions()
    {
        QFETCH(int, start);
        QFETCH(QStringList, moves);
        QFETCH(QList<int>, settings);
        WindowFixture f(WindowFixture::Start::Shown);
        QVERIFY(f.visible);
        f.w().setMousePointer(start);
        for (qsizetype i = 0; i < moves.size(); ++i) {
            moveTo(f.w(), moves[i]);
            QPoint at;
            QWidget *target = place(f.w(), moves[i], &at);
            const QByteArray where = moves[i].toUtf8();
            QVERIFY2(f.w().MousePointer() == settings[i], where.constData());
            // What the user sees over the control is the window's setting.
            QVERIFY2(target->cursor().shape() == shapeFor(settings[i], false), where.constData());
        }
        QVERIFY(f.p.boxes.isEmpty());
    }

    // Each setting's shape, on the window and on the controls, which set none
    // of their own.
    void shapes_data()
    {
        QTest::addColumn<int>("setting");
        QTest::addColumn<int>("shape");
        QTest::newRow("0 default") << int(Form1::PointerDefault) << int(Qt::ArrowCursor);
        QTest::newRow("1 arrow") << int(Form1::PointerArrow) << int(Qt::ArrowCursor);
        QTest::newRow("11 hourglass") << int(Form1::PointerHourglass) << int(Qt::WaitCursor);
        QTest::newRow("99 without hand file") << int(Form1::PointerCustom) << int(Qt::ArrowCursor);
    }
    void shapes()
    {
        QFETCH(int, setting);
        QFETCH(int, shape);
        WindowFixture f;
        f.w().setMousePointer(Form1::PointerHourglass);
        f.w().setMousePointer(setting);
        QCOMPARE(f.w().MousePointer(), setting);
        QCOMPARE(int(f.w().cursor().shape()), shape);
        for (int n = 1; n <= 9; ++n)
            QCOMPARE(int(f.w().button(n)->cursor().shape()), shape);
        QCOMPARE(int(f.w().ListView1->viewport()->cursor().shape()), shape);
        QCOMPARE(int(f.w().ListView2->header()->viewport()->cursor().shape()), shape);
    }

    // During "Start Extracting" every move anywhere leaves the hourglass.
    void hourglassDuringRun_data()
    {
        QTest::addColumn<QStringList>("moves");
        QTest::newRow("buttons") << QStringList{"PushButton1", "PushButton2", "PushButton8", "PushButton3"};
        QTest::newRow("lists") << QStringList{"ListView1", "ListView2", "scroll1"};
        QTest::newRow("surface and headers") << QStringList{"surface", "header1", "header2"};
    }
    void hourglassDuringRun()
    {
        QFETCH(QStringList, moves);
        WindowFixture f(WindowFixture::Start::Later);
        startShown(f, true);
        QVERIFY(f.visible);
        QVERIFY(f.w().hasMouseIcon());
        for (int i = 0; i < 4; ++i)
            f.w().entries().add(QStringLiteral("user%1@example.com").arg(i));
        moveTo(f.w(), QStringLiteral("PushButton2"));
        QCOMPARE(f.w().MousePointer(), int(Form1::PointerCustom)); // the hand before the click

        QStringList seen;
        int step = 0;
        f.p.onYield = [&] {
            const QString name = moves[step++ % moves.size()];
            moveTo(f.w(), name);
            QPoint at;
            QWidget *target = place(f.w(), name, &at);
            seen << QStringLiteral("%1:%2:%3")
                        .arg(name)
                        .arg(f.w().MousePointer())
                        .arg(target->cursor().shape());
        };
        f.w().PushButton2->click();
        QCOMPARE(step, 4);
        for (const QString &s : std::as_const(seen))
            QVERIFY2(s.endsWith(QStringLiteral(":11:%1").arg(int(Qt::WaitCursor))), qPrintable(s));
        QCOMPARE(f.w().results().count(), 4);
        QCOMPARE(f.w().MousePointer(), int(Form1::PointerDefault)); // the run gave it back
        moveTo(f.w(), QStringLiteral("PushButton5"));
        QCOMPARE(f.w().MousePointer(), int(Form1::PointerCustom));
    }

    // A header shows a divider pointer while hovered; busy work must not
    // keep it nor let it come back.
    void headerDividerPointerGivesWayToHourglass()
    {
        WindowFixture f(WindowFixture::Start::Shown);
        QVERIFY(f.visible);
        QWidget *header = f.w().ListView1->header()->viewport();
        const QPoint divider(f.w().ListView1->header()->sectionSize(0) - 1, 4);
        QTest::mouseMove(header, divider);
        QCoreApplication::processEvents();
        QCOMPARE(header->cursor().shape(), Qt::SplitHCursor);
        f.w().setMousePointer(Form1::PointerHourglass);
        QCOMPARE(header->cursor().shape(), Qt::WaitCursor);
        QTest::mouseMove(header, divider + QPoint(-1, 1)); // still on the divider
        QCoreApplication::processEvents();
        QCOMPARE(header->cursor().shape(), Qt::WaitCursor);
        f.w().setMousePointer(Form1::PointerDefault);
        QTest::mouseMove(header, divider);
        QCoreApplication::processEvents();
        QCOMPARE(header->cursor().shape(), Qt::SplitHCursor); // back to normal afterwards
    }

    void handFileDecidesTheButtonPointer_data()
    {
        QTest::addColumn<bool>("shipped");
        QTest::newRow("hand shipped") << true;
        QTest::newRow("no hand file") << false;
    }
    void handFileDecidesTheButtonPointer()
    {
        QFETCH(bool, shipped);
        WindowFixture f(WindowFixture::Start::Later);
        startShown(f, shipped);
        QVERIFY(f.visible);
        QCOMPARE(f.w().hasMouseIcon(), shipped);
        QVERIFY(f.p.boxes.isEmpty());
        moveTo(f.w(), QStringLiteral("PushButton7"));
        QCOMPARE(f.w().MousePointer(), int(Form1::PointerCustom)); // 99 either way
        const QCursor shown = f.w().PushButton7->cursor();
        QCOMPARE(shown.shape(), shapeFor(Form1::PointerCustom, shipped));
        if (shipped) {
            QCOMPARE(shown.pixmap().size(), QSize(32, 32));
            QCOMPARE(shown.hotSpot(), *Form1::cursorHotSpot(kResources + QStringLiteral("/HAND-M.CUR")));
        }
    }

    // The shipped hand as each screen shows it: scaled with the screen where
    // the platform shows a picture's device pixels as they are (X11), the
    // hotspot still on the fingertip; left to a platform that scales it itself.
    void handAtEveryScale_data()
    {
        QTest::addColumn<qreal>("scale");
        QTest::addColumn<bool>("scaleHere");
        QTest::addColumn<int>("size");
        QTest::newRow("100 %") << 1.0 << true << 32;
        QTest::newRow("125 %") << 1.25 << true << 40;
        QTest::newRow("150 %") << 1.5 << true << 48;
        QTest::newRow("175 %") << 1.75 << true << 56;
        QTest::newRow("200 %") << 2.0 << true << 64;
        QTest::newRow("200 %, scaled by the platform") << 2.0 << false << 32;
    }
    void handAtEveryScale()
    {
        QFETCH(qreal, scale);
        QFETCH(bool, scaleHere);
        QFETCH(int, size);
        const QString path = kResources + QStringLiteral("/HAND-M.CUR");
        const QPoint hot = *Form1::cursorHotSpot(path);
        const QCursor hand(QPixmap(path), hot.x(), hot.y());
        const QCursor shown = Form1::cursorForScale(hand, scale, scaleHere);
        QCOMPARE(shown.shape(), Qt::BitmapCursor);
        QCOMPARE(shown.pixmap().size(), QSize(size, size));
        // The hotspot lands on a drawn pixel of the fingertip, as at 100 %:
        // on the topmost rows, near where the finger was.
        const qreal grown = qreal(size) / 32;
        QVERIFY(qAbs(shown.hotSpot().x() - hot.x() * grown) <= 1 && shown.hotSpot().y() <= (hot.y() + 1) * grown);
        const QImage image = shown.pixmap().toImage();
        QVERIFY(qAlpha(image.pixel(shown.hotSpot())) >= 128 || qAlpha(image.pixel(shown.hotSpot() + QPoint(0, 1))) >= 128);
    }

    // The shipped hand: a real Windows cursor that Qt reads, 32 by 32, whose
    // hotspot is the tip of the raised finger.
    void shippedHandCursor()
    {
        QVERIFY(QImageReader::supportedImageFormats().contains("cur"));
        const QString path = kResources + QStringLiteral("/HAND-M.CUR");
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.size() > 22);
        QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + 2), quint16(2)); // a cursor
        QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + 4), quint16(1)); // one image

        QImageReader reader(path, "cur");
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.size(), QSize(32, 32));
        QVERIFY(image.hasAlphaChannel());

        const std::optional<QPoint> hot = Form1::cursorHotSpot(path);
        QVERIFY(hot);
        int top = -1;
        for (int y = 0; y < 32 && top < 0; ++y)
            for (int x = 0; x < 32; ++x)
                if (qAlpha(image.pixel(x, y)) >= 128) {
                    top = y;
                    break;
                }
        QVERIFY(top >= 0);
        // The hotspot lies on the topmost drawn row (or just under it), within
        // the fingertip's width, and the pixel under it is drawn.
        QVERIFY2(hot->y() >= top && hot->y() <= top + 1, qPrintable(QStringLiteral("top %1").arg(top)));
        QVERIFY(qAlpha(image.pixel(*hot)) >= 128 || qAlpha(image.pixel(hot->x(), hot->y() + 1)) >= 128);
        int left = 32, right = -1;
        for (int x = 0; x < 32; ++x)
            if (qAlpha(image.pixel(x, top)) >= 128) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        QVERIFY(right - left <= 6); // a fingertip, not a flat edge
        QVERIFY(hot->x() >= left - 1 && hot->x() <= right + 1);
        // Transparent around it: a cursor, not a tile.
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(31, 0)), 0);
    }

    void cursorHotSpot_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QPoint>("hotSpot");
        // reserved, type, count; width, height, colours, reserved, x, y, size, offset
        auto header = [](quint16 type, quint16 count, quint8 w, quint8 h, quint16 x, quint16 y) {
            QByteArray b(22, '\0');
            qToLittleEndian<quint16>(type, b.data() + 2);
            qToLittleEndian<quint16>(count, b.data() + 4);
            b[6] = char(w);
            b[7] = char(h);
            qToLittleEndian<quint16>(x, b.data() + 10);
            qToLittleEndian<quint16>(y, b.data() + 12);
            return b;
        };
        QTest::newRow("cursor") << header(2, 1, 32, 32, 11, 1) << true << QPoint(11, 1);
        QTest::newRow("hotspot at the far corner") << header(2, 1, 32, 32, 31, 31) << true << QPoint(31, 31);
        QTest::newRow("256 is written as 0") << header(2, 1, 0, 0, 200, 255) << true << QPoint(200, 255);
        QTest::newRow("icon keeps planes there") << header(1, 1, 32, 32, 1, 32) << false << QPoint();
        QTest::newRow("no images") << header(2, 0, 32, 32, 3, 3) << false << QPoint();
        QTest::newRow("hotspot outside the image") << header(2, 1, 32, 32, 32, 4) << false << QPoint();
        QTest::newRow("cut short") << header(2, 1, 32, 32, 11, 1).left(13) << false << QPoint();
        QTest::newRow("a PNG") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0 \0\0\0 \b\x06\0\0", 29) << false
                               << QPoint();
        QByteArray reserved = header(2, 1, 32, 32, 5, 5);
        reserved[0] = 1;
        QTest::newRow("reserved word not zero") << reserved << false << QPoint();
    }
    void cursorHotSpot()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, found);
        QFETCH(QPoint, hotSpot);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("c.cur"));
        QVERIFY(writeAll(path, bytes));
        const std::optional<QPoint> got = Form1::cursorHotSpot(path);
        QCOMPARE(got.has_value(), found);
        if (found)
            QCOMPARE(*got, hotSpot);
    }
};

QTEST_MAIN(TestPointer)
#include "test_pointer.moc"
