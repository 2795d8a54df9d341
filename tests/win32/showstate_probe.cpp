// Planted by the program-start test: writes how it was asked to show itself
// and whether its window came up maximized to "<its own path>.<pid>.txt"
// (the tests at both resolutions run at once), then ends.
#include <windows.h>

#include <cstdio>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    STARTUPINFOW si{};
    si.cb = sizeof si;
    GetStartupInfoW(&si);
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.lpszClassName = L"ShowStateProbe";
    RegisterClassW(&wc);
    HWND w = CreateWindowW(L"ShowStateProbe", L"probe", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 200, 100,
                           nullptr, nullptr, instance, nullptr);
    ShowWindow(w, show);
    const bool zoomed = IsZoomed(w) != 0;
    DestroyWindow(w);

    wchar_t path[MAX_PATH + 32];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    wsprintfW(path + n, L".%lu.txt", GetCurrentProcessId());
    wchar_t tmp[MAX_PATH + 40];
    lstrcpyW(tmp, path);
    lstrcatW(tmp, L".new");
    FILE* f = _wfopen(tmp, L"w");
    if (!f)
        return 1;
    std::fprintf(f, "flags=%lu show=%u zoomed=%d\n", static_cast<unsigned long>(si.dwFlags & STARTF_USESHOWWINDOW),
                 static_cast<unsigned>(si.wShowWindow), zoomed ? 1 : 0);
    std::fclose(f);
    // Whole or not at all: the test polls for the file.
    MoveFileExW(tmp, path, MOVEFILE_REPLACE_EXISTING);
    return 0;
}
