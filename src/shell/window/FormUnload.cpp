// The end of the program, and the saves it must not leave half-written.
#include "shell/window/Form1.h"

#include "shell/platform/Platform.h"

#include <QCloseEvent>
#include <QSaveFile>

void Form1::registerSave(QSaveFile *file)
{
    savesInProgress_.append(file);
}

void Form1::unregisterSave(QSaveFile *file)
{
    savesInProgress_.removeAll(file);
}

void Form1::Form_Unload()
{
    // Ends at once, mid-run or not. An unfinished save leaves its target as it
    // was: its temporary file goes, nothing is put in place.
    for (QSaveFile *file : std::as_const(savesInProgress_)) {
        file->cancelWriting();
        file->commit();
    }
    savesInProgress_.clear();
    platform_.EndProgram();
}

void Form1::closeEvent(QCloseEvent *event)
{
    event->accept();
    platform_.RunHandler([this] { Form_Unload(); });
}
