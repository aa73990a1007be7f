// The hand cursor file: where its pointer points.
#include "gui/shell/window/Form1.h"

#include <QFile>
#include <QtEndian>

std::optional<QPoint> Form1::cursorHotSpot(const QString &path)
{
    // Directory: reserved 0, type 2 (cursor), image count; then the first
    // entry, whose bytes 4 to 7 hold the hotspot where an icon keeps planes
    // and bit count.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray head = file.read(22);
    if (head.size() < 22)
        return std::nullopt;
    const auto u16 = [&head](int at) { return qFromLittleEndian<quint16>(head.constData() + at); };
    if (u16(0) != 0 || u16(2) != 2 || u16(4) == 0)
        return std::nullopt;
    const int width = quint8(head[6]) == 0 ? 256 : quint8(head[6]);
    const int height = quint8(head[7]) == 0 ? 256 : quint8(head[7]);
    const QPoint hotSpot(u16(10), u16(12));
    if (hotSpot.x() >= width || hotSpot.y() >= height)
        return std::nullopt;
    return hotSpot;
}
