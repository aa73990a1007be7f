// Holds a file open as a log tool does, sharing reading and writing but not
// its deletion, until told to let go:
//   hold_open FILE SIGNAL   opens FILE, makes SIGNAL.held, waits for SIGNAL
// (at most ten minutes), then closes FILE and removes SIGNAL.held.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t **argv)
{
    if (argc != 3)
        return 2;
    const HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const std::wstring held = std::wstring(argv[2]) + L".held";
    const HANDLE mark = CreateFileW(held.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (mark == INVALID_HANDLE_VALUE)
        return 1;
    CloseHandle(mark);
    for (int waited = 0; waited < 600000 && GetFileAttributesW(argv[2]) == INVALID_FILE_ATTRIBUTES; waited += 50)
        Sleep(50);
    CloseHandle(file);
    DeleteFileW(held.c_str());
    return 0;
}
