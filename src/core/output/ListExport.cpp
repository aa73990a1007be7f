#include "core/output/ListExport.h"

#include "core/output/ListFormats.h"
#include "core/output/ListTable.h"
#include "core/output/SaveTarget.h"

#include "core/shell/controls/RowSelection.h"
#include "core/shell/platform/LargeBlocks.h"
#include "core/shell/platform/Platform.h"
#include "core/shell/handlers/MemoryCheck.h"
#include "core/shell/handlers/Startup.h"

namespace Main {

using ListFormats::ListTable;

void CopyListToClipboard(Platform &platform, ListModel &list)
{
    if (list.count() == 0)
        return;
    // The text is refused before it is made when the memory left cannot hold
    // it: the clipboard stays as it was.
    const QByteArray text = ListFormats::BuildClipboardText(
        ListTable(list), [&] { platform.DoEvents(); }, [&](qsizetype bytes) { EnsureMemoryFor(platform, bytes); });
    ClearClipboard(platform);
    SetClipboardText(platform, text, 0);
}

void CopySelectionToClipboard(Platform &platform, ListModel &list, const RowSelection &selection)
{
    if (selection.isEmpty())
        return;
    // The selection as it was asked for: clicks while events run may change it.
    const std::vector<RowSelection::Range> ranges = selection.ranges();
    const ListTable table(list);
    qsizetype bytes = 0;
    for (const RowSelection::Range &r : ranges) {
        for (qsizetype row = r.first; row <= r.last; ++row) {
            platform.DoEvents();
            bytes += table.cell(row + 1, 1).utf8Length() + 2;
        }
    }
    // Refused before it is made when the memory left cannot hold it; else
    // written once, in UTF-8 as the results' copy is, into a text of the
    // measured size, which grows only when rows changed meanwhile.
    EnsureMemoryFor(platform, bytes);
    QByteArray text(bytes, Qt::Uninitialized);
    // Tens of megabytes written once: in large pages, a few dozen faults.
    LargeBlocks::adviseLargePages(text.data(), size_t(bytes));
    qsizetype at = 0;
    for (const RowSelection::Range &r : ranges) {
        for (qsizetype row = r.first; row <= r.last; ++row) {
            platform.DoEvents();
            const ListFormats::CellText cell = table.cell(row + 1, 1);
            const qsizetype need = cell.utf8Length() + 2;
            if (text.size() - at < need)
                text.resize(std::max(at + need, 2 * text.size()));
            char *out = cell.writeUtf8To(text.data() + at);
            *out++ = '\r';
            *out++ = '\n';
            at = out - text.data();
        }
    }
    text.truncate(at);
    ClearClipboard(platform);
    SetClipboardText(platform, text, 0);
}

namespace {

// A clipboard call that throws counts as one failed attempt: these two never
// pass an error on.
template <class F>
bool attempt(F &&f)
{
    try {
        return f();
    } catch (const std::exception &) {
        return false;
    }
}

} // namespace

void ClearClipboard(Platform &platform)
{
    for (int attempts = 0; attempts < kClipboardAttempts; ++attempts)
        if (attempt([&] { return platform.ClipboardClear(); }))
            return;
}

bool SetClipboardText(Platform &platform, const QByteArray &text, int format)
{
    for (int attempts = 0; attempts < kClipboardAttempts; ++attempts)
        if (attempt([&] { return platform.ClipboardSetText(text, format); }))
            return true;
    return false;
}

QString OverwriteQuestion(const QString &fileName)
{
    return QStringLiteral("Are you sure you wish to overwrite ") + fileName + QStringLiteral(" ?");
}

void SaveListCommaDelimited(Platform &platform, ListModel &list, const QString &fileName, SaveRegistry *saves)
{
    int answer = Msg::Yes;
    if (FileExists(fileName))
        answer = platform.MsgBox(OverwriteQuestion(fileName), Msg::YesNo);
    if (answer != Msg::Yes)
        return;
    SaveTarget target(saves);
    target.open(fileName);
    CodePageEncoder encoder;
    ListFormats::WriteCommaDelimited(ListTable(list), target, encoder, [&] { platform.DoEvents(); });
    target.commit();
}

} // namespace Main
