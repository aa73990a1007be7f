#include "core/input/PasteList.h"

#include "core/input/LineSplitter.h"

#include "core/shell/controls/ListModel.h"
#include "core/shell/handlers/MemoryCheck.h"
#include "core/shell/platform/LargeBlocks.h"
#include "core/shell/platform/Platform.h"
#include "core/shell/platform/YieldGate.h"

#include <QStringEncoder>

#include <algorithm>

namespace Main {

namespace {

// Characters turned into UTF-8 at a time: the bytes of one step stay in the
// cache while they are cut into lines, and a step takes well under the
// interval at which events run.
constexpr qsizetype kPasteStepChars = qsizetype(1) << 17;

} // namespace

void AppendPastedText(Platform &platform, ListModel &list, QStringView text)
{
    // Refused before the first row goes in when what the rows will take is
    // not there: the list stays as it was.
    EnsureMemoryForText(platform, text);
    ClearUpperVectorState();
    // Addresses are ASCII: as many bytes as characters, line breaks included,
    // go into one stretch of storage.
    list.reserveBytes(text.size());
    LineSplitter lines;
    const auto append = [&list](QByteArrayView line) { list.addUtf8(line); };
    QStringEncoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    // A UTF-16 unit takes three bytes of UTF-8 at most.
    const LargeBlocks::Held step{size_t(3 * kPasteStepChars)};
    for (qsizetype at = 0; at < text.size();) {
        qsizetype n = std::min(kPasteStepChars, text.size() - at);
        // The two halves of a character go into the same step.
        if (at + n < text.size() && text[at + n - 1].isHighSurrogate())
            --n;
        char *const start = step.data();
        char *const end = utf8.appendToBuffer(start, text.sliced(at, n));
        lines.feed(QByteArrayView(start, end - start), append);
        at += n;
        platform.DoEvents();
        ClearUpperVectorState();
    }
    lines.finishPasted(append);
}

} // namespace Main
