// Draws the program icon and the hand cursor and writes them in the formats the
// program ships: PNGs for the resource file and the Linux icon theme, a
// four-image .ico for the Windows executable and a Windows .cur for the hand.
// Run once after changing a drawing; the outputs are kept in the repository:
//
//   cmake --build <build> --target kestrune_art
//   <build>/resources/kestrune_art <source>/resources
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPoint>
#include <QRadialGradient>
#include <QtEndian>

#include <cstdio>

namespace {

// ---------------------------------------------------------------------------
// The icon: a white "@" on a teal tile, its tail ending in an amber dot — the
// part after the "@" is what the program hands back.

QImage drawIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);

    // Small sizes get a fuller tile so the edge is not lost to blur.
    const double margin = size <= 32 ? 4 : 10;
    const QRectF tile(margin, margin, 256 - 2 * margin, 256 - 2 * margin);
    QLinearGradient fill(0, margin, 0, 256 - margin);
    fill.setColorAt(0.0, QColor(0x1b, 0x9a, 0x8c));
    fill.setColorAt(1.0, QColor(0x0b, 0x4f, 0x5c));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(tile, 52, 52);

    // A soft highlight over the upper half.
    QRadialGradient shine(QPointF(128, 30), 190);
    shine.setColorAt(0.0, QColor(255, 255, 255, 70));
    shine.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setBrush(shine);
    p.drawRoundedRect(tile, 52, 52);

    // Strokes are heavier at small sizes, where a thin line vanishes.
    const double stroke = size <= 32 ? 30 : (size <= 48 ? 27 : 24);
    QPen white(Qt::white, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setBrush(Qt::NoBrush);

    const QPointF c(122, 132);
    // The bowl of the "a".
    p.setPen(white);
    p.drawEllipse(c, 34, 34);

    // The stem of the "a" running down into the outer sweep of the "@".
    QPainterPath sweep;
    sweep.moveTo(c.x() + 34, c.y() - 40);
    sweep.lineTo(c.x() + 34, c.y() + 12);
    sweep.cubicTo(c.x() + 34, c.y() + 44, c.x() + 84, c.y() + 40, c.x() + 88, c.y() + 2);
    // Around the outside, counter-clockwise in screen terms, stopping short
    // at the lower right.
    const QRectF outer(c.x() - 88, c.y() - 88, 176, 176);
    sweep.arcTo(outer, 0, 300);
    p.drawPath(sweep);

    // The tail's end: the extracted part.
    const QPointF tailEnd = outer.center() + QPointF(88 * 0.5, 88 * 0.866);
    p.setPen(QPen(QColor(0x0b, 0x4f, 0x5c), stroke * 0.35));
    p.setBrush(QColor(0xf5, 0xa6, 0x23));
    const double dot = stroke * 0.95;
    p.drawEllipse(tailEnd + QPointF(stroke * 0.6, stroke * 0.2), dot, dot);
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// ---------------------------------------------------------------------------
// The hand: a white gloved hand with the index finger raised, outlined in
// black. Drawn on a 32-pixel grid; the fingertip is the hotspot.

constexpr QPoint kHandHotSpot(11, 1);

QImage drawHand()
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    auto rounded = [](QRectF r, double radius) {
        QPainterPath path;
        path.addRoundedRect(r, radius, radius);
        return path;
    };
    // Pixel centres sit on half coordinates: a 1-pixel line at x + 0.5 is crisp.
    QPainterPath hand = rounded(QRectF(9.5, 1.5, 4.5, 17), 2.25);   // index finger
    hand = hand.united(rounded(QRectF(13.5, 10.5, 4.5, 9), 2.25));   // middle finger
    hand = hand.united(rounded(QRectF(17.5, 11.5, 4.5, 9), 2.25));   // ring finger
    hand = hand.united(rounded(QRectF(21.5, 13.5, 4, 8), 2));        // little finger
    QPainterPath palm;
    palm.moveTo(9.5, 15);
    palm.lineTo(25.5, 17);
    palm.lineTo(25.5, 24);
    palm.cubicTo(25.5, 27.5, 23.5, 30.5, 19.5, 30.5);
    palm.lineTo(14.5, 30.5);
    palm.cubicTo(12, 30.5, 10.5, 29, 9, 27);
    palm.closeSubpath();
    hand = hand.united(palm);
    // The thumb, laid along the palm's left side and pointing up and out.
    QPainterPath thumb;
    thumb.moveTo(10, 21);
    thumb.lineTo(6, 17.5);
    thumb.cubicTo(4.5, 16.2, 2.5, 17.2, 3, 19);
    thumb.cubicTo(3.5, 20.8, 7, 24.5, 9.5, 27.5);
    thumb.closeSubpath();
    hand = hand.united(thumb).simplified();

    p.setPen(QPen(Qt::black, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(hand);

    // The creases between the folded fingers.
    p.setPen(QPen(Qt::black, 1.0, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(13.75, 13), QPointF(13.75, 18));
    p.drawLine(QPointF(17.75, 13), QPointF(17.75, 19));
    p.drawLine(QPointF(21.75, 15), QPointF(21.75, 20));
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// ---------------------------------------------------------------------------
// Windows icon and cursor containers. Every image is stored as a bottom-up
// bitmap with an AND mask, the form every reader of .ico and .cur files takes.

void putU16(QByteArray &out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void putU32(QByteArray &out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

// BITMAPINFOHEADER, colour rows and mask rows. 24-bit images keep no alpha:
// pixels at least half opaque are shown, the rest are masked out.
QByteArray bitmapEntry(const QImage &image, int bitCount)
{
    const int w = image.width();
    const int h = image.height();
    const int colourStride = ((w * bitCount / 8) + 3) & ~3;
    const int maskStride = ((w + 31) / 32) * 4;
    QByteArray out;
    putU32(out, 40);
    putU32(out, quint32(w));
    putU32(out, quint32(h * 2)); // colour and mask together
    putU16(out, 1);
    putU16(out, quint16(bitCount));
    putU32(out, 0); // no compression
    putU32(out, quint32((colourStride + maskStride) * h));
    putU32(out, 0);
    putU32(out, 0);
    putU32(out, 0);
    putU32(out, 0);
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row;
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const QRgb px = line[x];
            if (bitCount == 32) {
                row.append(char(qBlue(px)));
                row.append(char(qGreen(px)));
                row.append(char(qRed(px)));
                row.append(char(qAlpha(px)));
            } else if (qAlpha(px) >= 128) {
                row.append(char(qBlue(px)));
                row.append(char(qGreen(px)));
                row.append(char(qRed(px)));
            } else {
                row.append(3, '\0');
            }
        }
        row.append(colourStride - row.size(), '\0');
        out.append(row);
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            if (qAlpha(line[x]) < 128)
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        out.append(row);
    }
    return out;
}

struct Entry {
    QImage image;
    int bitCount;
    QPoint hotSpot; // cursors only
};

// type 1 is an icon, type 2 a cursor: a cursor keeps its hotspot where an
// icon keeps planes and bit count.
QByteArray container(quint16 type, const QList<Entry> &entries)
{
    QByteArray header;
    putU16(header, 0);
    putU16(header, type);
    putU16(header, quint16(entries.size()));
    QList<QByteArray> bodies;
    for (const Entry &e : entries)
        bodies.append(bitmapEntry(e.image, e.bitCount));
    quint32 offset = quint32(6 + 16 * entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const Entry &e = entries[i];
        header.append(char(e.image.width() >= 256 ? 0 : e.image.width()));
        header.append(char(e.image.height() >= 256 ? 0 : e.image.height()));
        header.append('\0'); // no palette
        header.append('\0');
        if (type == 2) {
            putU16(header, quint16(e.hotSpot.x()));
            putU16(header, quint16(e.hotSpot.y()));
        } else {
            putU16(header, 1);
            putU16(header, quint16(e.bitCount));
        }
        putU32(header, quint32(bodies[i].size()));
        putU32(header, offset);
        offset += quint32(bodies[i].size());
    }
    for (const QByteArray &b : bodies)
        header.append(b);
    return header;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(QDir::toNativeSeparators(path)));
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <resources folder>\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("icons")))
        return 1;

    QList<Entry> iconEntries;
    for (const int size : {32, 48, 128, 256}) {
        const QImage icon = drawIcon(size);
        const QString png = out.filePath(QStringLiteral("icons/kestrune-%1.png").arg(size));
        if (!icon.save(png, "PNG"))
            return 1;
        std::printf("%s\n", qPrintable(QDir::toNativeSeparators(png)));
        iconEntries.append({icon, size == 32 ? 24 : 32, {}});
    }
    if (!writeFile(out.filePath(QStringLiteral("icons/kestrune.ico")), container(1, iconEntries)))
        return 1;
    if (!writeFile(out.filePath(QStringLiteral("HAND-M.CUR")), container(2, {{drawHand(), 32, kHandHotSpot}})))
        return 1;
    // A preview of the hand at four times its size, for eyes only.
    drawHand().scaled(128, 128).save(out.filePath(QStringLiteral("art/hand-preview.png.tmp")), "PNG");
    return 0;
}
