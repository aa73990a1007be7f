// "Start Extracting": one domain per entry, in order, into the result list.
#include "extract/DomainRule.h"
#include "shell/Form1.h"
#include "shell/HandlerSteps.h"
#include "shell/ListModel.h"
#include "shell/Platform.h"

void Form1::PushButton2_Click()
{
    HandlerSteps s(platform(), QStringLiteral("PushButton2_Click"));
    if (s.test(100, [&] { return IsExtracting; }))
        return;
    s.step(102, [&] { IsExtracting = true; });
    if (s.test(104, [&] { return entries().count() >= 1; })) {
        s.step(106, [&] { setMousePointer(PointerHourglass); });
        s.step(108, [&] { results().clear(); });
        // The count is taken once: entries added while the run yields wait for the next run.
        const qsizetype n = s.value<qsizetype>(110, [&] { return entries().count(); }, 0);
        QByteArray scratch;
        for (qsizetype i = 1; i <= n; ++i) {
            // Events run at most every ~10 ms however often this is called, so
            // the window answers clicks while the run stays linear.
            s.step(112, [&] { platform().DoEvents(); });
            // Rows are read and written as the lists store them, in UTF-8; the
            // rule gives the same bytes as DomainFromEntry gives text.
            QByteArrayView entry;
            s.step(114, [&] { entry = entries().textUtf8(i); });
            if (s.test(116, [&] { return entry.contains('@'); })) {
                QByteArrayView domain;
                s.step(118, [&] { domain = DomainFromEntryUtf8(entry, scratch); });
                s.step(120, [&] { results().addUtf8(domain); });
            } else {
                s.step(122, [&] { results().addUtf8(DomainFromEntryUtf8(entry, scratch)); });
            }
        }
        s.step(126, [&] { setMousePointer(PointerDefault); });
        s.step(128, [&] { platform().MsgBox(QStringLiteral("Done.")); });
    } else {
        s.step(130, [&] { platform().MsgBox(QStringLiteral("No Email/Url(s) added.")); });
    }
    s.step(132, [&] { IsExtracting = false; });
}
