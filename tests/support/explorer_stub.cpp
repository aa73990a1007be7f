// Stands in for explorer.exe: writes how it was started (the window state
// asked for, then its command line, UTF-8) to the file KESTRUNE_STUB_LOG names.
#include <windows.h>

int main()
{
    wchar_t log[MAX_PATH];
    if (!GetEnvironmentVariableW(L"KESTRUNE_STUB_LOG", log, MAX_PATH))
        return 1;
    STARTUPINFOW startup = {};
    GetStartupInfoW(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
    char text[4096];
    int n = wsprintfA(text, "%d\n", show);
    n += WideCharToMultiByte(CP_UTF8, 0, GetCommandLineW(), -1, text + n, int(sizeof text) - n, nullptr, nullptr) - 1;
    HANDLE file = CreateFileW(log, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(file, text, DWORD(n), &written, nullptr);
    CloseHandle(file);
    return 0;
}
