// The end of the program, and the saves it must not leave half-written.
#include "gui/shell/window/Form1.h"

#include "core/shell/platform/Platform.h"

#include <QCloseEvent>

void Form1::registerSave(const void *save, std::function<void()> abandon)
{
    savesInProgress_.append({save, std::move(abandon)});
}

void Form1::unregisterSave(const void *save)
{
    savesInProgress_.removeIf([save](const auto &entry) { return entry.first == save; });
}

void Form1::Form_Unload()
{
    // Ends at once, mid-run or not. An unfinished save leaves its target as it
    // was: what it wrote goes, nothing is put in place.
    const auto saves = std::exchange(savesInProgress_, {});
    for (const auto &save : saves)
        save.second();
    platform_.EndProgram();
}

void Form1::closeEvent(QCloseEvent *event)
{
    event->accept();
    platform_.RunHandler([this] { Form_Unload(); });
}
