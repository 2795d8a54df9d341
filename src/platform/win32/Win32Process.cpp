// The Win32 backend's processes: starting a program (the classic window
// style as a show command), and what the process may count on from the
// system it runs on (its quota of window objects, whether that is Wine).
#include "platform/win32/Win32Backend.h"
#include "platform/win32/Win32Detail.h"

#include "platform/win32/Utf.h"
#include "runtime/RuntimeError.h"

namespace abacoria::win32 {

namespace {

// The show command for a classic window style, which the host has checked.
WORD showCommand(int windowStyle)
{
    switch (windowStyle) {
    case rt::vbHide: return SW_HIDE;
    case rt::vbMinimizedFocus: return SW_SHOWMINIMIZED;
    case rt::vbMaximizedFocus: return SW_SHOWMAXIMIZED;
    case rt::vbNormalNoFocus: return SW_SHOWNOACTIVATE;
    case rt::vbMinimizedNoFocus: return SW_SHOWMINNOACTIVE;
    default: return SW_SHOWNORMAL;
    }
}

bool notFound(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_DRIVE
        || error == ERROR_BAD_NETPATH || error == ERROR_BAD_NET_NAME;
}

} // namespace

namespace detail {

DWORD windowObjectQuota()
{
    DWORD quota = 0;
    DWORD size = sizeof quota;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
                     L"USERProcessHandleQuota", RRF_RT_REG_DWORD, nullptr, &quota, &size)
            != ERROR_SUCCESS
        || quota == 0)
        quota = 10000;
    return quota;
}

bool underWine()
{
    static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

} // namespace detail

double Win32Backend::startProgram(const std::string& path, int windowStyle)
{
    // The file itself, by its absolute path: never searched for, no shell.
    const std::wstring file = wide(path);
    std::wstring commandLine = L"\"" + file + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = showCommand(windowStyle);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(file.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        throw rt::RuntimeError(notFound(GetLastError()) ? rt::errFileNotFound : rt::errInvalidCall);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<double>(pi.dwProcessId);
}

} // namespace abacoria::win32
