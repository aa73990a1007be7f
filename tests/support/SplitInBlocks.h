#pragma once

#include "core/input/LineSplitter.h"

#include <QByteArray>
#include <QByteArrayList>

// Feeds `bytes` to the splitter in blocks ending at each cut (ascending, empty
// blocks allowed), finishes it (as a file, or as pasted text), and returns the
// lines it gave.
template <class Cuts>
QByteArrayList SplitInBlocks(LineSplitter &splitter, const QByteArray &bytes, const Cuts &cuts, bool pasted = false)
{
    QByteArrayList lines;
    const auto sink = [&lines](QByteArrayView line) { lines.append(line.toByteArray()); };
    qsizetype from = 0;
    for (const qsizetype cut : cuts) {
        splitter.feed(QByteArrayView(bytes).sliced(from, cut - from), sink);
        from = cut;
    }
    splitter.feed(QByteArrayView(bytes).sliced(from), sink);
    if (pasted)
        splitter.finishPasted(sink);
    else
        splitter.finish(sink);
    return lines;
}
