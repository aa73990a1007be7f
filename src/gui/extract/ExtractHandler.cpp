// "Start Extracting": one domain per entry, in order, into the result list.
#include "core/extract/DomainRule.h"
#include "gui/shell/window/Form1.h"
#include "core/shell/handlers/HandlerSteps.h"
#include "core/shell/handlers/MemoryCheck.h"
#include "core/shell/controls/ListModel.h"
#include "core/shell/platform/CodePage.h"
#include "core/shell/platform/Platform.h"

void Form1::PushButton2_Click()
{
    HandlerSteps s(platform(), QStringLiteral("PushButton2_Click"));
    if (s.test(100, [&] { return IsExtracting; }))
        return;
    s.step(102, [&] { IsExtracting = true; });
    if (s.test(104, [&] { return entries().count() >= 1; })) {
        s.step(106, [&] { setMousePointer(PointerHourglass); });
        s.step(108, [&] {
            // A run the memory left cannot hold is refused before the old
            // results go: a locator a domain, mostly the entry's own bytes.
            Main::EnsureMemoryFor(platform(), Main::MemoryForRows(0, entries().count()) - results().allocatedBytes());
            results().clear();
        });
        // The count is taken once: entries added while the run yields wait for the next run.
        const qsizetype n = s.value<qsizetype>(110, [&] { return entries().count(); }, 0);
        QByteArray scratch;
        const CodePage &page = CodePage::system();
        // The two lists are the window's for its whole life.
        ListModel &in = entries();
        ListModel &out = results();
        // Out of memory, every further row would fail alike: the run stops
        // after its one box, keeping the domains it has.
        for (qsizetype i = 1; i <= n && !s.outOfMemory(); ++i) {
            // Events run at most every ~10 ms however often this is called, so
            // the window answers clicks while the run stays linear.
            s.step(112, [&] { platform().DoEvents(); });
            // Rows are read and written as the lists store them, in UTF-8; the
            // rule gives the same bytes as DomainFromEntry gives text. Its
            // markers are ASCII, so it works as well on a raw entry's own
            // bytes, whose domain stays raw: the saves write those bytes back.
            QByteArrayView entry;
            bool raw = false;
            const bool read = s.step(114, [&] { entry = in.textBytes(i, &raw); });
            const auto keep = [&](QByteArrayView domain) {
                // A domain whose bytes stand in its entry as they are (nearly
                // every one) shares them; no events ran since the entry was read.
                if (read && DomainInEntry(entry, domain))
                    out.addPartOf(in, i, domain, raw);
                else if (raw)
                    out.addRaw(domain);
                else
                    out.addUtf8(domain);
            };
            // A raw entry in a double-byte code page is read character by
            // character: the second byte of one may be an "@" or a "w".
            const bool walked = raw && page.isDoubleByte();
            // One look at the entry answers the test and feeds the rule.
            EntryLook look;
            if (s.test(116, [&] {
                    if (walked)
                        LookAtEntry(entry, look, page);
                    else
                        LookAtEntry(entry, look);
                    return look.hasAt();
                })) {
                QByteArrayView domain;
                s.step(118, [&] { domain = DomainFromEntryUtf8(entry, look, scratch); });
                s.step(120, [&] { keep(domain); });
            } else {
                s.step(122, [&] {
                    keep(walked ? DomainFromEntryBytes(entry, page, scratch) : DomainFromEntryUtf8(entry, look, scratch));
                });
            }
        }
        s.step(126, [&] { setMousePointer(PointerDefault); });
        s.step(128, [&] { platform().MsgBox(QStringLiteral("Done.")); });
    } else {
        s.step(130, [&] { platform().MsgBox(QStringLiteral("No Email/Url(s) added.")); });
    }
    s.step(132, [&] { IsExtracting = false; });
}
