#include "gui/shell/platform/WindowsShell.h"

#include "core/shell/platform/RuntimeError.h"

#include <QWidget>

#include <windows.h>
#include <cderr.h>
#include <commdlg.h>

#include <vector>

namespace WindowsShell {

void CommonDialogError(unsigned long extendedError)
{
    switch (extendedError) {
    case FNERR_BUFFERTOOSMALL:
        throw FileNameBufferTooSmall();
    default:
        throw RuntimeError(ErrNo::DialogFailure,
                           QStringLiteral("The common dialog function failed (error 0x%1).")
                               .arg(qulonglong(extendedError), 4, 16, QLatin1Char('0')));
    }
}

QString FileDialogValue(const wchar_t *buffer, qsizetype capacity)
{
    // Explorer-style dialogs separate the names by NULs and end the list with two.
    QString value;
    qsizetype i = 0;
    while (i < capacity && buffer[i] != 0) {
        qsizetype end = i;
        while (end < capacity && buffer[end] != 0)
            ++end;
        if (!value.isEmpty())
            value += QChar(0);
        value += QString::fromWCharArray(buffer + i, end - i);
        i = end + 1;
    }
    return value;
}

bool FileDialog(QWidget *owner, const FileDialogRequest &request, QString *result)
{
    // "Text Files (*.txt)|*.txt|..." is the dialog's pairs with NULs for bars,
    // and one more NUL at the end.
    std::wstring filter = request.filter.toStdWString();
    for (wchar_t &c : filter)
        if (c == L'|')
            c = L'\0';
    filter.push_back(L'\0');
    const std::wstring title = request.title.toStdWString();

    // The proposed name fills the buffer's start; a several-file value
    // proposes its folder, the part before its first NUL.
    std::vector<wchar_t> buffer(size_t(std::max(request.bufferChars, 2)), L'\0');
    const std::wstring proposed = request.fileName.section(QChar(0), 0, 0).toStdWString();
    proposed.copy(buffer.data(), std::min(proposed.size(), buffer.size() - 1));

    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner ? reinterpret_cast<HWND>(owner->window()->winId()) : nullptr;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = DWORD(buffer.size());
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.Flags = DWORD(request.flags);
    const BOOL ok = request.kind == FileDialogRequest::Kind::Save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!ok) {
        const DWORD error = CommDlgExtendedError();
        if (error == 0)
            return false; // Cancel
        CommonDialogError(error);
    }
    *result = FileDialogValue(buffer.data(), qsizetype(buffer.size()));
    return !result->isEmpty();
}

QString ExplorerPath()
{
    // The system's Windows folder: on a Remote Desktop server a program not
    // marked terminal-server aware is told a private one of the user's by
    // GetWindowsDirectoryW, which holds no explorer.exe.
    wchar_t folder[MAX_PATH];
    const UINT n = GetSystemWindowsDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        throw FileNotFound();
    return QString::fromWCharArray(folder, int(n)) + QStringLiteral("\\explorer.exe");
}

bool HighContrastOn()
{
    HIGHCONTRASTW contrast = {};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0)
        && (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

void StartMinimized(const QString &application, const QString &commandLine)
{
    const std::wstring program = application.toStdWString();
    std::wstring command = commandLine.toStdWString();
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMINIMIZED; // minimized with focus
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        throw FileNotFound();
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

void OpenUrlThroughExplorer(const QString &url)
{
    StartMinimized(ExplorerPath(), QStringLiteral("explorer \"") + url + QLatin1Char('"'));
}

} // namespace WindowsShell
