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
    // A file manager's folders come without text; text that stands beside
    // addresses (a browser's link) is what the user sees being dragged.
    if (data.hasText()) {
        drop.kind = DropData::Kind::Text;
        drop.text = data.text();
    }
    return drop;
}

} // namespace Main
