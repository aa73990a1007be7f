// The lists' context menus and their keys, and the window taking drops: the
// ways lists already move between programs (paste, drag and drop, copy of
// rows), beside the nine buttons and changing nothing they do.
#include "gui/shell/window/Form1.h"

#include "gui/shell/controls/ListView.h"
#include "core/shell/platform/Platform.h"

#include <QAction>

void Form1::buildListCommands()
{
    // An item of a list's menu whose keys work while that list has the focus.
    const auto item = [this](ListView *list, const char *name, const char *text, QKeySequence::StandardKey keys,
                             void (Form1::*handler)()) {
        auto *action = new QAction(QLatin1String(text), list);
        action->setObjectName(QLatin1String(name));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetShortcut);
        list->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, handler] { platform_.RunHandler([this, handler] { (this->*handler)(); }); });
        return action;
    };
    mnuEntriesCopy = item(ListView1, "mnuEntriesCopy", "&Copy", QKeySequence::Copy, &Form1::mnuEntriesCopy_Click);
    mnuEntriesPaste = item(ListView1, "mnuEntriesPaste", "&Paste", QKeySequence::Paste, &Form1::mnuEntriesPaste_Click);
    mnuResultsCopy = item(ListView2, "mnuResultsCopy", "&Copy", QKeySequence::Copy, &Form1::mnuResultsCopy_Click);
    // Files and text dropped anywhere on the window go into the input list.
    setAcceptDrops(true);
}
