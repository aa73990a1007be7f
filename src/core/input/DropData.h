#pragma once

#include <QString>
#include <QStringList>

class QMimeData;

namespace Main {

// What a drag brings to the window, read from its data as file managers and
// other programs offer it: local files to load, text to append as a paste,
// or nothing the window takes.
struct DropData {
    enum class Kind { Refused, Files, Text };
    Kind kind = Kind::Refused;
    QStringList paths; // Files: full paths in this system's form, in the order given
    QString text;      // Text
};

// Files when every address the data lists is a local path and none is a
// folder; a path that does not exist counts (it gets the load's "File not
// found"). Otherwise its plain text, when it has any (a link dragged from a
// browser comes as its address). Anything else is refused.
DropData ReadDropData(const QMimeData &data);

} // namespace Main
