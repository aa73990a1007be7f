#pragma once

// Windows' own shell services for the platform layer: the common file
// dialogs and the browser opened through explorer. Built on Windows only.
#include "core/shell/platform/Platform.h"

#include <QString>

class QWidget;

namespace WindowsShell {

// The system's open or save dialog with the request's flags, title and filter
// and a name buffer of request.bufferChars characters. False on Cancel; a
// failure of the dialog throws RuntimeError (see CommonDialogError).
bool FileDialog(QWidget *owner, const FileDialogRequest &request, QString *result);

// The number and text a failure of the common dialog is reported with, from
// the system's extended error code; a selection whose names do not fit the
// buffer is 20476.
[[noreturn]] void CommonDialogError(unsigned long extendedError);

// The chosen name(s) as the dialog leaves them in its buffer: one full path,
// or the folder and each name, each ended by a NUL and the whole by a second
// one. Several names become folder NUL name NUL name, without a NUL after the
// last.
QString FileDialogValue(const wchar_t *buffer, qsizetype capacity);

// Starts `explorer "url"` minimized, neither waiting for it nor reading its
// result; throws RuntimeError 53 when the command cannot start.
void OpenUrlThroughExplorer(const QString &url);

// The system's explorer.exe, in the system's Windows folder (the shared one,
// also on a Remote Desktop server). Started by that full
// path: a search would look in the program's folder and the current folder
// first, where anyone may have put a file of that name.
QString ExplorerPath();

// Whether Windows runs in high contrast (the HCF_HIGHCONTRASTON flag).
bool HighContrastOn();

// Starts the program with the command line, minimized with focus.
void StartMinimized(const QString &application, const QString &commandLine);

} // namespace WindowsShell
