#pragma once

#include <QStringView>

class ListModel;
class Platform;

namespace Main {

// Appends pasted text to the list, one entry per line, in order: lines end at
// CR LF, CR or LF; a single line break at the very end adds no empty entry (a
// copied column ends with one); empty lines inside stay as empty entries;
// nothing else in a line changes (a TAB between copied cells stays). The rows
// are stored as UTF-8 text. Events run now and then, so a paste of millions
// of lines leaves the window answering; empty text adds nothing. Throws
// OutOfMemory() before adding anything when the rows would not fit in the
// memory left.
//
// Every paste and every dropped text goes in through here, and only here.
void AppendPastedText(Platform &platform, ListModel &list, QStringView text);

} // namespace Main
