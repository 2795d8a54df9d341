// The Win32 backend in process, under Wine in a private Xvfb (or on
// Windows): the real window with the real handlers. Run with --dpi=N, the
// resolution the prefix was set up with; every pixel figure follows from it.
// One program, since each run of it needs a Wine prefix and a display of its
// own: splitting it would start both again for every part.
#include "app/Form1.h"
#include "platform/win32/Utf.h"
#include "platform/win32/Win32Runtime.h"
#include "runtime/RuntimeError.h"
#include "app/Controls.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

using namespace abacoria;
namespace win32 = abacoria::win32;

namespace {

int expectedDpi = 96;

bool pumpUntil(win32::Win32Backend& b, const std::function<bool()>& done, int seconds = 10)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        b.processEvents();
        Sleep(10);
    }
    return true;
}

// The window with its handlers, started; message boxes answered by a hook
// that records them (No to questions), unless told to show real ones.
struct Session {
    win32::Win32Runtime host;
    app::Form1 form{host};
    std::vector<rt::MessageBoxRequest> boxes;

    explicit Session(bool hookBoxes = true)
    {
        if (hookBoxes)
            host.setMessageBoxHook([this](const rt::MessageBoxRequest& r) {
                boxes.push_back(r);
                return r.buttons == rt::vbYesNo ? rt::vbNo : rt::vbOK;
            });
        host.start(form);
        pump();
    }
    win32::Win32Backend& b() { return host.backend(); }
    rt::ControlId id(rt::Control c) { return host.idOf(c).value(); }
    HWND hwnd(rt::Control c) { return b().handle(id(c)); }
    void pump() { b().processEvents(); }
    // The banner stands still: ticks would flip Label3 under the test.
    void stopBanner() { b().stopTimer(); }
    void post(HWND to, UINT msg, WPARAM wp = 0, LPARAM lp = 0)
    {
        PostMessageW(to, msg, wp, lp);
        pump();
    }
    void clickAt(HWND on, POINT p)
    {
        const LPARAM at = MAKELPARAM(p.x, p.y);
        PostMessageW(on, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(on, WM_LBUTTONUP, 0, at);
        pump();
    }
    void key(HWND to, WPARAM vk)
    {
        PostMessageW(to, WM_KEYDOWN, vk, 1);
        if (vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_SPACE)
            PostMessageW(to, WM_CHAR, vk, 1);
        PostMessageW(to, WM_KEYUP, vk, 0xC0000001);
        pump();
    }
    std::string display() { return host.text(app::Text1); }
};

std::string nameOf(const ui::ControlSpec& s)
{
    return std::string(s.name) + (s.index >= 0 ? "(" + std::to_string(s.index) + ")" : "");
}

SIZE textExtent(HFONT font, const std::string& text)
{
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    const std::wstring w = win32::wide(text);
    SIZE size{};
    GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &size);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return {size.cx, tm.tmHeight};
}

std::wstring familyOf(HFONT font)
{
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    // A bitmap font (Windows' own "MS Sans Serif" is one) has no outline
    // names; an outline font is named by its family, whatever alias found it.
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    std::wstring family = face;
    if (const UINT n = GetOutlineTextMetricsW(dc, 0, nullptr)) {
        std::vector<char> buf(n);
        auto* otm = reinterpret_cast<OUTLINETEXTMETRICW*>(buf.data());
        GetOutlineTextMetricsW(dc, n, otm);
        family = reinterpret_cast<const wchar_t*>(buf.data() + reinterpret_cast<std::uintptr_t>(otm->otmpFamilyName));
    }
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return family;
}

std::wstring className(HWND h)
{
    wchar_t name[64] = {};
    GetClassNameW(h, name, 64);
    return name;
}

} // namespace

// The layout table in pixels at the two resolutions the tests run at,
// worked out by hand: each figure is twips / (1440 / dpi), rounded.
struct Placed {
    const char* name;
    int index;
    int at96[4], at120[4]; // left, top, width, height
};
constexpr Placed placed[] = {
    {"Command2", 0, {112, 200, 65, 33}, {140, 250, 81, 41}},
    {"cmdButton", 10, {56, 152, 33, 33}, {70, 190, 41, 41}},
    {"calc", -1, {8, 216, 169, 17}, {10, 270, 211, 21}},
    {"Text1", -1, {16, 8, 153, 19}, {20, 10, 191, 24}},
    {"cmdOper", 3, {136, 152, 33, 33}, {170, 190, 41, 41}},
    {"cmdOper", 2, {136, 112, 33, 33}, {170, 140, 41, 41}},
    {"cmdOper", 1, {136, 72, 33, 33}, {170, 90, 41, 41}},
    {"cmdOper", 0, {136, 32, 33, 33}, {170, 40, 41, 41}},
    {"Command1", -1, {96, 152, 33, 33}, {120, 190, 41, 41}},
    {"cmdButton", 9, {16, 152, 33, 33}, {20, 190, 41, 41}},
    {"cmdButton", 8, {96, 112, 33, 33}, {120, 140, 41, 41}},
    {"cmdButton", 7, {56, 112, 33, 33}, {70, 140, 41, 41}},
    {"cmdButton", 6, {16, 112, 33, 33}, {20, 140, 41, 41}},
    {"cmdButton", 5, {96, 72, 33, 33}, {120, 90, 41, 41}},
    {"cmdButton", 4, {56, 72, 33, 33}, {70, 90, 41, 41}},
    {"cmdButton", 3, {16, 72, 33, 33}, {20, 90, 41, 41}},
    {"cmdButton", 2, {96, 32, 33, 33}, {120, 40, 41, 41}},
    {"cmdButton", 1, {56, 32, 33, 33}, {70, 40, 41, 41}},
    {"cmdButton", 0, {16, 32, 33, 33}, {20, 40, 41, 41}},
    {"Label4", -1, {8, 240, 169, 17}, {10, 300, 211, 21}},
    {"Label3", -1, {128, 256, 53, 21}, {160, 320, 66, 26}},
    {"Label2", -1, {4, 260, 129, 14}, {5, 325, 161, 18}},
    {"Shape2", -1, {0, 256, 185, 25}, {0, 320, 231, 31}},
    {"Label1", -1, {8, 200, 169, 17}, {10, 250, 211, 21}},
    {"Shape1", -1, {8, 16, 169, 177}, {10, 20, 211, 221}},
};

TEST(Win32Layout, WindowAndEveryControlAtThisDpi)
{
    Session s;
    win32::Win32Backend& b = s.b();
    ASSERT_EQ(b.dpi(), expectedDpi) << "the prefix's resolution did not take";
    ASSERT_TRUE(expectedDpi == 96 || expectedDpi == 120) << "no figures for this resolution";
    const bool at96 = expectedDpi == 96;
    EXPECT_EQ(b.twipsPerPixel(), at96 ? 15 : 12);

    HWND w = b.window();
    EXPECT_EQ(win32::utf8(win32::windowText(w)), "Abacoria");
    const LONG style = GetWindowLongW(w, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    RECT client;
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, at96 ? 185 : 231);
    EXPECT_EQ(client.bottom, at96 ? 281 : 351);

    std::size_t seen = 0;
    for (const ui::ControlSpec& spec : ui::controls()) {
        if (spec.kind == ui::Kind::Timer)
            continue;
        SCOPED_TRACE(nameOf(spec));
        const Placed* row = nullptr;
        for (const Placed& p : placed)
            if (spec.name == p.name && spec.index == p.index)
                row = &p;
        ASSERT_NE(row, nullptr) << "a control the figures above do not know";
        ++seen;
        const int* want = at96 ? row->at96 : row->at120;
        const rt::ControlId id = s.id({spec.name, spec.index});
        const RECT r = b.rect(id);
        EXPECT_EQ(r.left, want[0]);
        EXPECT_EQ(r.top, want[1]);
        if (spec.autoSize) {
            // Measured with the real font, trailing blanks included; never
            // smaller than the design where the font runs narrower.
            const SIZE text = textExtent(b.font(id), std::string(spec.caption));
            EXPECT_EQ(r.right - r.left, std::max<int>(text.cx, want[2]));
            EXPECT_EQ(r.bottom - r.top, std::max<int>(text.cy, want[3]));
        } else {
            EXPECT_EQ(r.right - r.left, want[2]);
            EXPECT_EQ(r.bottom - r.top, want[3]);
        }
        EXPECT_EQ(b.shown(id), spec.visible);
        if (spec.kind == ui::Kind::PushButton || spec.kind == ui::Kind::Label) {
            EXPECT_EQ(b.caption(id), spec.caption);
        }
        // Windowless: labels and rectangles are the form's own painting.
        EXPECT_EQ(b.handle(id) == nullptr, ui::paintsOnSurface(spec.kind));
        if (HWND h = b.handle(id)) {
            EXPECT_NE(GetDlgCtrlID(h), IDOK); // the dialog manager's own ids
            EXPECT_NE(GetDlgCtrlID(h), IDCANCEL);
        }
    }
    EXPECT_EQ(seen, std::size(placed));
    EXPECT_EQ(s.display(), "0");
    HWND edit = s.hwnd(app::Text1);
    EXPECT_EQ(className(edit), L"Edit");
    EXPECT_TRUE(GetWindowLongW(edit, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_GE(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE); // no length limit
}

TEST(Win32Layout, FontsAskedForAndFacesUsed)
{
    Session s;
    // What the test prefix answers for faces Wine does not ship.
    const std::map<std::wstring, std::wstring> standIns{{L"Arial", L"Liberation Sans"}, {L"Comic Sans MS", L"Comic Neue"}};
    for (const ui::ControlSpec& spec : ui::controls()) {
        if (spec.kind == ui::Kind::Timer || spec.kind == ui::Kind::Rectangle || spec.kind == ui::Kind::ProgressBar)
            continue;
        SCOPED_TRACE(nameOf(spec));
        const ui::Font want = spec.font.value_or(ui::window().font);
        HFONT font = s.b().font(s.id({spec.name, spec.index}));
        if (HWND h = s.b().handle(s.id({spec.name, spec.index}))) {
            EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)), font);
        }
        LOGFONTW lf{};
        ASSERT_TRUE(GetObjectW(font, sizeof lf, &lf));
        EXPECT_EQ(lf.lfHeight, -MulDiv(static_cast<int>(std::lround(want.points * 100)), expectedDpi, 7200));
        EXPECT_EQ(lf.lfWeight, want.bold ? FW_BOLD : FW_NORMAL);
        const std::wstring face = win32::wide(want.face);
        EXPECT_EQ(lf.lfFaceName, face);
        const std::wstring used = familyOf(font);
        const auto standIn = standIns.find(face);
        EXPECT_TRUE(used == face || (standIn != standIns.end() && used == standIn->second))
            << win32::utf8(used) << " drawn for " << want.face;
    }
}

TEST(Win32Keyboard, TabOrderFromTheFirstKey)
{
    Session s;
    std::vector<const ui::ControlSpec*> order;
    for (const ui::ControlSpec& spec : ui::controls())
        if ((spec.kind == ui::Kind::PushButton || spec.kind == ui::Kind::TextBox) && spec.visible && spec.tabIndex >= 0)
            order.push_back(&spec);
    std::sort(order.begin(), order.end(), [](auto* a, auto* b) { return a->tabIndex < b->tabIndex; });
    ASSERT_EQ(GetFocus(), s.hwnd(rt::Control{order.front()->name, order.front()->index}));
    for (std::size_t i = 1; i <= order.size(); ++i) {
        s.key(GetFocus(), VK_TAB);
        const ui::ControlSpec* want = order[i % order.size()];
        EXPECT_EQ(GetFocus(), s.hwnd({want->name, want->index})) << "step " << i << ": " << nameOf(*want);
    }
}

TEST(Win32Keyboard, SpacePressesEnterAndEscapeDoNothing)
{
    Session s;
    s.key(s.hwnd(app::cmdButton(0)), VK_SPACE);
    ASSERT_EQ(s.display(), "1");
    // Tabbed onto, a plain push button becomes the dialog manager's default,
    // which Enter would click (display "0"); Escape would be IDCANCEL.
    SetFocus(s.hwnd(app::Command1));
    s.key(GetFocus(), VK_TAB);
    HWND plus = s.hwnd(app::cmdOper(0));
    ASSERT_EQ(GetFocus(), plus);
    for (const WPARAM vk : {VK_RETURN, VK_ESCAPE}) {
        s.key(plus, vk);
        EXPECT_EQ(s.display(), "1") << "key " << vk;
        EXPECT_EQ(GetFocus(), plus);
    }
    EXPECT_TRUE(s.boxes.empty());
    EXPECT_TRUE(s.host.formLoaded());
}

TEST(Win32Keyboard, QuickSecondClickOnAColouredKeyCounts)
{
    Session s;
    HWND two = s.hwnd(app::cmdButton(1));
    const LPARAM at = MAKELPARAM(5, 5);
    PostMessageW(two, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(two, WM_LBUTTONUP, 0, at);
    PostMessageW(two, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageW(two, WM_LBUTTONUP, 0, at);
    s.pump();
    EXPECT_EQ(s.display(), "22");
}

TEST(Win32Surface, BannerLabelsOverlapThenPrizeFloodToTheElementLimit)
{
    Session s;
    s.stopBanner();
    win32::Win32Backend& b = s.b();
    HWND w = b.window();
    const rt::ControlId label2 = s.id(app::Label2), label3 = s.id(app::Label3);
    RECT r2 = b.rect(label2), r3 = b.rect(label3), both;
    ASSERT_TRUE(IntersectRect(&both, &r2, &r3)) << "the banner labels no longer overlap";
    const POINT p{both.left, (both.top + both.bottom) / 2};
    RECT client;
    GetClientRect(w, &client);

    // Refused while the banner was never clicked.
    s.post(w, WM_CLOSE);
    ASSERT_EQ(s.boxes.size(), 1u);
    EXPECT_EQ(s.boxes[0].prompt, "You HAVE to click my sponser's ad");
    EXPECT_TRUE(IsWindowVisible(w));

    // Label3 in front while shown: it takes the click, and has no handler.
    EXPECT_EQ(b.labelAt(p), label3);
    s.clickAt(w, p);
    EXPECT_EQ(s.boxes.size(), 1u);

    // Hidden, the click reaches Label2: the prize, with room for 25 buttons.
    // (Windows runs out of window objects a little before 10000 buttons;
    // Wine has no such quota, so the limit is the host's.)
    s.host.setElementLimit(25);
    s.host.setVisible(app::Label3, false);
    EXPECT_EQ(b.labelAt(p), label2);
    s.clickAt(w, p);
    ASSERT_EQ(s.boxes.size(), 2u);
    EXPECT_EQ(s.boxes[1].prompt, "You have just won 100000 command buttons for your desktop!!!");
    ASSERT_TRUE(s.host.idOf(app::Command2(25)));
    EXPECT_FALSE(s.host.idOf(app::Command2(26))); // out of memory, skipped
    HWND last = s.hwnd(app::Command2(25));
    EXPECT_TRUE(IsWindowVisible(last));
    EXPECT_EQ(GetWindow(w, GW_CHILD), last);
    // Spread over the maximized client area, which the flood read right
    // after maximizing (whatever the window manager does later).
    POINT reach{0, 0};
    for (int i = 1; i <= 25; ++i) {
        const RECT r = b.rect(s.id(app::Command2(i)));
        reach = {std::max(reach.x, r.left), std::max(reach.y, r.top)};
    }
    EXPECT_TRUE(reach.x >= client.right || reach.y >= client.bottom) << reach.x << "," << reach.y;
    EXPECT_TRUE(IsZoomed(w));
    EXPECT_EQ(s.boxes.size(), 2u) << "the flood reported an error";
    EXPECT_TRUE(s.host.formLoaded());

    // Now the close is allowed: two farewells, and the window goes.
    s.post(w, WM_CLOSE);
    ASSERT_EQ(s.boxes.size(), 4u);
    EXPECT_EQ(s.boxes[2].prompt, "Hope you had FUN ;-)");
    EXPECT_FALSE(s.host.formLoaded());
    EXPECT_TRUE(pumpUntil(b, [&] { return !IsWindow(w); }));
}

TEST(Win32Surface, BannerTicks)
{
    Session s;
    const rt::ControlId label3 = s.id(app::Label3);
    const bool before = s.b().shown(label3);
    EXPECT_TRUE(pumpUntil(s.b(), [&] { return s.b().shown(label3) != before; }, 5));
}

namespace {
WNDPROC barProc = nullptr;
int positionsSent = 0;
LRESULT CALLBACK countingBarProc(HWND h, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == PBM_SETPOS)
        ++positionsSent;
    return CallWindowProcW(barProc, h, m, wp, lp);
}
} // namespace

TEST(Win32Progress, RangeAndAFillThatGrowsWithoutAPaintPerValue)
{
    Session s;
    HWND bar = s.hwnd(app::calc);
    EXPECT_EQ(className(bar), L"msctls_progress32");
    PBRANGE range{};
    SendMessageW(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 250000);
    barProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(countingBarProc)));
    positionsSent = 0;
    s.host.setVisible(app::calc, true);
    int last = static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0));
    int grew = 0;
    for (int v = 1; v <= 250000; ++v) {
        s.host.setValue(app::calc, static_cast<float>(v));
        if (v % 25000 == 0) {
            const int pos = static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0));
            EXPECT_GE(pos, last);
            grew += pos > last;
            last = pos;
        }
    }
    SetWindowLongPtrW(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(barProc));
    EXPECT_EQ(last, 250000);
    EXPECT_EQ(grew, 10);
    RECT client;
    GetClientRect(bar, &client);
    EXPECT_LE(positionsSent, client.right + 1); // at most one per pixel of fill
}

TEST(Win32MessageBox, TheSystemBoxAnsweredWithTheClassicCodes)
{
    Session s(false);
    struct Row {
        int buttons;
        int press;
        int result;
    };
    const Row rows[] = {{rt::vbYesNo, IDYES, 6}, {rt::vbYesNo, IDNO, 7}, {rt::vbOKOnly, IDOK, 1}};
    int n = 0;
    for (const Row& row : rows) {
        const std::string title = "Question " + std::to_string(++n);
        HWND owner = nullptr, cancel = nullptr, icon = nullptr;
        int defaultId = 0;
        bool found = false;
        std::thread answerer([&] {
            // Only a box that is up and showing its button is read: the
            // box exists a moment before its buttons do.
            HWND box = nullptr;
            for (int i = 0; i < 1000; ++i, Sleep(10)) {
                box = FindWindowW(L"#32770", win32::wide(title).c_str());
                if (box && IsWindowVisible(box) && GetDlgItem(box, row.press))
                    break;
                box = nullptr;
            }
            if (!box)
                return;
            Sleep(50); // let the dialog settle its default button
            found = true;
            owner = GetWindow(box, GW_OWNER);
            cancel = GetDlgItem(box, IDCANCEL);
            for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                const LONG style = GetWindowLongW(c, GWL_STYLE);
                if (className(c) == L"Button" && IsWindowVisible(c) && (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                    defaultId = GetDlgCtrlID(c);
                if (className(c) == L"Static" && (style & SS_TYPEMASK) == SS_ICON && IsWindowVisible(c)
                    && SendMessageW(c, STM_GETICON, 0, 0))
                    icon = c;
            }
            PostMessageW(GetDlgItem(box, row.press), BM_CLICK, 0, 0);
        });
        const std::optional<int> got = s.b().messageBox({"Continue?", row.buttons, title});
        answerer.join();
        SCOPED_TRACE(title);
        ASSERT_TRUE(found);
        EXPECT_EQ(got, row.result);
        EXPECT_EQ(owner, s.b().window());
        EXPECT_EQ(defaultId, row.buttons == rt::vbYesNo ? IDYES : IDOK);
        EXPECT_EQ(cancel, nullptr);
        EXPECT_EQ(icon, nullptr);
    }
}

TEST(Win32Elements, CopyOfElementZeroHiddenInFrontAndLoadedTwiceIs360)
{
    Session s;
    s.host.load(app::Command2(1));
    HWND copy = s.hwnd(app::Command2(1)), templ = s.hwnd(app::Command2(0));
    EXPECT_FALSE(IsWindowVisible(copy));
    EXPECT_EQ(win32::windowText(copy), L"Click Me!");
    const RECT a = s.b().rect(s.id(app::Command2(1))), t = s.b().rect(s.id(app::Command2(0)));
    EXPECT_TRUE(EqualRect(&a, &t));
    EXPECT_EQ(SendMessageW(copy, WM_GETFONT, 0, 0), SendMessageW(templ, WM_GETFONT, 0, 0));
    EXPECT_EQ(GetWindowLongW(copy, GWL_STYLE) | WS_VISIBLE, GetWindowLongW(templ, GWL_STYLE) | WS_VISIBLE);
    try {
        s.host.load(app::Command2(1));
        ADD_FAILURE() << "loaded twice";
    } catch (const rt::RuntimeError& e) {
        EXPECT_EQ(e.number(), rt::errAlreadyLoaded);
    }
    // Shown, it is in front of every other control, and answers its clicks
    // (it has no handler: nothing happens).
    s.host.setVisible(app::Command2(1), true);
    EXPECT_EQ(GetWindow(s.b().window(), GW_CHILD), copy);
    s.clickAt(copy, {3, 3});
    EXPECT_TRUE(s.boxes.empty());
}

TEST(Win32ProgramStart, PlantedProgramComesUpMaximized_MissingOnesAre53)
{
    Session s;
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir(self);
    dir.resize(dir.find_last_of(L'\\'));
    const std::wstring probe = dir + L"\\showstate_probe.exe";
    const double task = s.host.shell(win32::utf8(probe), rt::vbMaximizedFocus);
    ASSERT_GT(task, 0);
    const std::wstring out = probe + L"." + std::to_wstring(static_cast<unsigned long>(task)) + L".txt";
    ASSERT_TRUE(pumpUntil(s.b(), [&] { return GetFileAttributesW(out.c_str()) != INVALID_FILE_ATTRIBUTES; }, 30));
    std::ifstream in(win32::utf8(out)); // ASCII path under the build tree
    std::string line;
    std::getline(in, line);
    in.close();
    DeleteFileW(out.c_str());
    EXPECT_EQ(line, "flags=1 show=3 zoomed=1");

    for (const std::wstring& missing : {dir + L"\\no_such_program.exe", std::wstring(L"C:\\no\\such\\folder\\Clc.exe")}) {
        try {
            s.host.shell(win32::utf8(missing), rt::vbMaximizedFocus);
            ADD_FAILURE() << win32::utf8(missing) << " started";
        } catch (const rt::RuntimeError& e) {
            EXPECT_EQ(e.number(), rt::errFileNotFound) << win32::utf8(missing);
        }
    }
}

int main(int argc, char** argv)
{
    SetProcessDPIAware(); // what the program's manifest says
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--dpi=", 6) == 0)
            expectedDpi = std::atoi(argv[i] + 6);
    return RUN_ALL_TESTS();
}
