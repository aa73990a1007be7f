// The result list's clear, clipboard copy and two saves.
#include "core/output/ListExport.h"
#include "core/output/ListFormats.h"
#include "core/output/SaveTarget.h"

#include "gui/shell/window/Form1.h"
#include "core/shell/handlers/HandlerSteps.h"
#include "core/shell/controls/ListModel.h"
#include "core/shell/platform/Platform.h"
#include "core/shell/handlers/Startup.h"

namespace {

const char *const kSaveDialogTitle = "Save";

const char *const kCopiedMessage = "Results have been copied to the clipboard.\r\r"
                                   "Click a text area where you normally type and press Ctrl+V to paste the clipboard.";

class FormSaves final : public SaveRegistry {
public:
    explicit FormSaves(Form1 &form) : form_(form) {}
    void registerSave(SaveTarget *target) override
    {
        form_.registerSave(target, [target] { target->abandon(); });
    }
    void unregisterSave(SaveTarget *target) override { form_.unregisterSave(target); }

private:
    Form1 &form_;
};

// Lines 108 to 118 of both saves. Returns the chosen name, or the empty text
// when the save ends here. A dialog that failed counts as cancelled: its file
// name still holds the last use's choice, which the user did not pick now.
QString AskSaveName(HandlerSteps &s, CommonDialog &dialog)
{
    s.step(108, [&] { dialog.setFlags(kFileDialogFlags); });
    s.step(110, [&] { dialog.setDialogTitle(QLatin1String(kSaveDialogTitle)); });
    s.step(112, [&] { dialog.setFilter(QLatin1String(kFileDialogFilter)); });
    const bool shown = s.step(114, [&] { dialog.ShowSave(); });
    QString name;
    s.step(116, [&] { name = dialog.fileName(); });
    if (s.test(118, [&] { return !shown || dialog.cancelled() || name.isEmpty(); }))
        return QString();
    return name;
}

} // namespace

void Form1::PushButton3_Click()
{
    HandlerSteps s(platform(), QStringLiteral("PushButton3_Click"));
    s.step(100, [&] { results().clear(); });
}

void Form1::PushButton5_Click()
{
    HandlerSteps s(platform(), QStringLiteral("PushButton5_Click"));
    s.step(106, [&] { Main::CopyListToClipboard(platform(), results()); });
    s.step(108, [&] { platform().MsgBox(QLatin1String(kCopiedMessage)); });
}

void Form1::PushButton6_Click()
{
    HandlerSteps s(platform(), QStringLiteral("PushButton6_Click"));
    const QString name = AskSaveName(s, CommonDialog1);
    if (name.isEmpty())
        return;
    // Not answered counts as No.
    int answer = 0;
    if (s.test(120, [&] { return Main::FileExists(name); }))
        s.step(122, [&] { answer = platform().MsgBox(Main::OverwriteQuestion(name), Msg::YesNo); });
    else
        s.step(124, [&] { answer = Msg::Yes; });
    if (s.test(126, [&] { return answer != Msg::Yes; }))
        return;
    s.step(128, [&] { setMousePointer(PointerHourglass); });

    FormSaves saves(*this);
    SaveTarget target(&saves);
    CodePageEncoder encoder;
    // A file that would not open is reported once; a row that fails (gone
    // from the list, or not written) is reported once and ends the writing.
    // Either way the old file stays as it was.
    bool writing = s.step(130, [&] { target.open(name); });
    const qsizetype n = s.value<qsizetype>(132, [&] { return results().count(); }, 0);
    for (qsizetype i = 1; writing && i <= n; ++i) {
        s.step(134, [&] { platform().DoEvents(); });
        writing = s.step(136, [&] {
            bool raw = false;
            const QByteArrayView bytes = results().textBytes(i, &raw);
            // A raw row, and any row where the code page is UTF-8, goes out as
            // the list stores it.
            if (raw || encoder.passesUtf8Through())
                target.appendLine(bytes);
            else
                ListFormats::AppendTextFileLine(target.buffer(), ListFormats::CellText::fromStored(bytes, raw), encoder);
            target.rowDone();
            // The last rows go out with the last row: a disk that cannot
            // take them fails this row, not the close.
            if (i == n)
                target.writeRows();
        });
    }
    s.step(140, [&] {
        if (writing)
            target.commit();
        else
            target.abandon();
    });
    s.step(142, [&] { setMousePointer(PointerArrow); });
}

void Form1::PushButton7_Click()
{
    HandlerSteps s(platform(), QStringLiteral("PushButton7_Click"));
    const QString name = AskSaveName(s, CommonDialog1);
    if (name.isEmpty())
        return;
    // The overwrite question comes under the hourglass here.
    s.step(120, [&] { setMousePointer(PointerHourglass); });
    FormSaves saves(*this);
    s.step(122, [&] { Main::SaveListCommaDelimited(platform(), results(), name, &saves); });
    s.step(124, [&] { setMousePointer(PointerArrow); });
}
