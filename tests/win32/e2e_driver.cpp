// End to end: starts the real abacoria.exe and works it from this process as
// a person would: keys clicked, the display read, message boxes found by
// title and answered through their buttons, the close box, the banner.
// Clicks that open a modal box are posted, never sent, so this process never
// waits inside the program's handler. Every step waits for a state, with a
// time-out; exit status 0 when the whole session went as it should.
//
//   e2e_driver PATH_TO_ABACORIA_EXE      (a Unix path is taken as Wine's Z:)
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

PROCESS_INFORMATION app{};

[[noreturn]] void fail(const std::string& what)
{
    std::printf("[e2e] FAILED: %s\n", what.c_str());
    std::fflush(stdout);
    if (app.hProcess)
        TerminateProcess(app.hProcess, 99);
    ExitProcess(1);
}

void say(const std::string& what)
{
    std::printf("[e2e] %s\n", what.c_str());
    std::fflush(stdout);
}

void waitFor(const std::function<bool()>& done, int seconds, const std::string& what)
{
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
    while (!done()) {
        if (WaitForSingleObject(app.hProcess, 0) == WAIT_OBJECT_0)
            fail(what + ": the program ended");
        if (GetTickCount64() > end)
            fail(what + ": timed out");
        Sleep(20);
    }
}

std::wstring textOf(HWND h)
{
    DWORD_PTR n = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &n))
        return L"";
    std::wstring s(n + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(h, WM_GETTEXT, n + 1, reinterpret_cast<LPARAM>(s.data()), SMTO_ABORTIFHUNG, 5000, &got);
    s.resize(got);
    return s;
}

std::string narrow(const std::wstring& s)
{
    std::string out;
    for (wchar_t c : s)
        out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

std::wstring classOf(HWND h)
{
    wchar_t name[64] = {};
    GetClassNameW(h, name, 64);
    return name;
}

// A shown top-level window of the program with this class and title.
struct TopLevelQuery {
    const wchar_t* cls;
    const std::wstring* title;
    HWND found;
};

BOOL CALLBACK matchTopLevel(HWND h, LPARAM lp)
{
    auto* q = reinterpret_cast<TopLevelQuery*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid == app.dwProcessId && IsWindowVisible(h) && classOf(h) == q->cls && textOf(h) == *q->title) {
        q->found = h;
        return FALSE;
    }
    return TRUE;
}

HWND topLevel(const wchar_t* cls, const std::wstring& title)
{
    TopLevelQuery q{cls, &title, nullptr};
    EnumWindows(matchTopLevel, reinterpret_cast<LPARAM>(&q));
    return q.found;
}

std::vector<HWND> children(HWND parent)
{
    std::vector<HWND> all;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        all.push_back(c);
    return all;
}

HWND childWith(HWND parent, const wchar_t* cls, const std::wstring& caption)
{
    for (HWND c : children(parent))
        if (classOf(c) == cls && (caption.empty() || textOf(c) == caption))
            return c;
    fail("no " + narrow(cls) + " \"" + narrow(caption) + "\"");
}

// What a mouse click does: press and release over the window, posted.
void click(HWND h, POINT at)
{
    const LPARAM lp = MAKELPARAM(at.x, at.y);
    PostMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, lp);
    PostMessageW(h, WM_LBUTTONUP, 0, lp);
}

void clickButton(HWND b)
{
    RECT r;
    GetClientRect(b, &r);
    click(b, {r.right / 2, r.bottom / 2});
}

// Waits for the message box with this title and text; answers it with the
// button, returns once it is gone.
void answerBox(const std::wstring& title, const std::wstring& text, int button)
{
    HWND box = nullptr;
    waitFor([&] { return (box = topLevel(L"#32770", title)) != nullptr; }, 60, "box \"" + narrow(title) + "\"");
    const std::wstring shown = textOf(GetDlgItem(box, 0xFFFF));
    if (shown != text)
        fail("box \"" + narrow(title) + "\" says \"" + narrow(shown) + "\", not \"" + narrow(text) + "\"");
    HWND b = GetDlgItem(box, button);
    if (!b)
        fail("box \"" + narrow(title) + "\" has no button " + std::to_string(button));
    PostMessageW(b, BM_CLICK, 0, 0);
    waitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 20, "box \"" + narrow(title) + "\" to close");
    say("answered \"" + narrow(title) + "\": " + narrow(text.substr(0, 40)));
}

int visibleButtons(HWND main, const std::wstring& caption)
{
    int n = 0;
    for (HWND c : children(main))
        if (IsWindowVisible(c) && classOf(c) == L"Button" && textOf(c) == caption)
            ++n;
    return n;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::printf("usage: e2e_driver ABACORIA_EXE\n");
        return 2;
    }
    SetProcessDPIAware();
    std::wstring exe = argv[1];
    if (!exe.empty() && exe[0] == L'/') {
        for (wchar_t& c : exe)
            if (c == L'/')
                c = L'\\';
        exe = L"Z:" + exe;
    }
    std::wstring cmd = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &app))
        fail("cannot start " + narrow(exe));

    HWND main = nullptr;
    waitFor([&] { return (main = topLevel(L"AbacoriaForm", L"Abacoria")) != nullptr; }, 60, "the window");
    say("the window is up");
    HWND display = childWith(main, L"Edit", L"");
    auto displayIs = [&](const std::wstring& want) {
        waitFor([&] { return textOf(display) == want; }, 20, "display \"" + narrow(want) + "\"");
    };
    displayIs(L"0");
    auto key = [&](const wchar_t* caption) { clickButton(childWith(main, L"Button", caption)); };

    key(L"4");
    key(L"2");
    key(L".");
    key(L"5");
    displayIs(L"42.5");
    key(L"+");
    displayIs(L"0");
    key(L"7");
    displayIs(L"7");
    say("keys: 42.5, +, 7");

    HWND bar = childWith(main, PROGRESS_CLASSW, L"");
    const std::wstring question = L"This operation will take a long time to finish,continue?";
    for (const int answer : {IDYES, IDNO}) {
        key(L"=");
        HWND box = nullptr;
        waitFor([&] { return (box = topLevel(L"#32770", L"Abacoria")) != nullptr; }, 60, "the question");
        if (!IsWindowVisible(bar) || SendMessageW(bar, PBM_GETPOS, 0, 0) != 250000)
            fail("the bar is not shown full while the question is open");
        answerBox(L"Abacoria", question, answer);
        if (answer == IDYES)
            answerBox(L"Yell!", L"Gone nuts? 'Long time' means about two days\r\n.. Even if you have the time I haven't.. Sorry!",
                      IDOK);
        else // then the missing calculator's start fails quietly
            answerBox(L"Yell", L"Go to hell! You are best suited to MS stupid calc!", IDOK);
        waitFor([&] { return !IsWindowVisible(bar); }, 20, "the progress area to hide");
    }
    say("= answered Yes, then No");

    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    answerBox(L"Abacoria", L"You HAVE to click my sponser's ad", IDOK);
    if (!IsWindowVisible(main))
        fail("the window closed before the banner was clicked");
    say("close refused");

    // The banner text, at the left end of Label2 (clear of Label3).
    HDC screen = GetDC(nullptr);
    const int tpp = 1440 / GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    const POINT banner{60 / tpp + 8, 3900 / tpp + 5};
    const std::wstring prize = L"You have just won 100000 command buttons for your desktop!!!";
    click(main, banner);
    answerBox(L"Abacoria", prize, IDOK);
    waitFor([&] { return IsZoomed(main) && visibleButtons(main, L"Click Me!") == 10000; }, 180, "the flood of 10000");
    say("flooded: 10000 buttons, maximized");
    if (textOf(display) != L"7")
        fail("the display changed during the flood");

    // Again, and the close box while that flood runs.
    click(main, banner);
    answerBox(L"Abacoria", prize, IDOK);
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    answerBox(L"Abacoria", L"Hope you had FUN ;-)", IDOK);
    answerBox(L"Abacoria", L"Direct all insults to insults@abacoria.example.org\r\nor post in the DuraZude", IDOK);
    if (WaitForSingleObject(app.hProcess, 30000) != WAIT_OBJECT_0)
        fail("the program did not end after the farewells");
    DWORD code = 1;
    GetExitCodeProcess(app.hProcess, &code);
    if (code != 0)
        fail("exit status " + std::to_string(code));
    say("closed during the flood, both farewells, exit status 0");
    return 0;
}
