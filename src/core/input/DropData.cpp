#include "core/input/DropData.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include <algorithm>

namespace Main {

DropData ReadDropData(const QMimeData &data)
{
    DropData drop;
    const QList<QUrl> urls = data.hasUrls() ? data.urls() : QList<QUrl>();
    if (!urls.isEmpty() && std::all_of(urls.begin(), urls.end(), [](const QUrl &u) { return u.isLocalFile(); })) {
        for (const QUrl &url : urls) {
            const QString path = QDir::toNativeSeparators(url.toLocalFile());
            // A folder would load nothing, or the wrong thing: the whole drop
            // is refused rather than half of it taken.
            if (QFileInfo(path).isDir())
                return DropData();
            drop.paths << path;
        }
        drop.kind = DropData::Kind::Files;
        return drop;
    }
    // Text of its own, not the addresses written out (which Qt's text() would
    // give): a browser's link comes with its address as text.
    if (data.hasFormat(QStringLiteral("text/plain"))) {
        drop.kind = DropData::Kind::Text;
        drop.text = data.text();
    }
    return drop;
}

} // namespace Main
