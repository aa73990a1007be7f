// "Copy" on either list: the selected rows to the clipboard.
#include "core/output/ListExport.h"

#include "gui/shell/window/Form1.h"
#include "core/shell/handlers/HandlerSteps.h"
#include "gui/shell/controls/ListView.h"

void Form1::mnuEntriesCopy_Click()
{
    HandlerSteps s(platform(), QStringLiteral("mnuEntriesCopy_Click"));
    s.step(100, [&] { Main::CopySelectionToClipboard(platform(), entries(), ListView1->selection()); });
}

void Form1::mnuResultsCopy_Click()
{
    HandlerSteps s(platform(), QStringLiteral("mnuResultsCopy_Click"));
    s.step(100, [&] { Main::CopySelectionToClipboard(platform(), results(), ListView2->selection()); });
}
