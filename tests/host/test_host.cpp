// The runtime host's rules, on the test backend: building the window from the
// layout, the classic errors, the element rules, dispatch and default error
// handling, re-entrancy, the close protocol and the services: one test a
// rule, all of them here, which is why it runs past 400 lines.
#include "TestBackend.h"
#include "ErrorNumber.h"

#include "runtime/ClassicRandom.h"
#include "runtime/HandlerRun.h"
#include "runtime/ProgramPath.h"
#include "runtime/RuntimeError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <new>

using namespace abacoria;
using abacoria::testing::errorNumberOf;
using abacoria::testing::TestBackend;
using abacoria::testing::TestProgram;

namespace {

// Runs whatever the test puts in it as the handler of every event.
class ScriptedTarget : public rt::EventTarget {
public:
    std::function<void(const rt::Event&, std::int16_t*)> handler;
    std::vector<rt::Event> events;
    void onEvent(const rt::Event& event, std::int16_t* cancel) override
    {
        events.push_back(event);
        if (handler)
            handler(event, cancel);
    }
};

struct ScriptedProgram {
    ScriptedProgram() { host.setOnUnloaded([this] { ++unloads; }); }
    TestBackend backend;
    rt::Host host{backend};
    ScriptedTarget target;
    int unloads = 0;
};
} // namespace

TEST(Host, RandomSequenceIsTheClassicOneUnseeded)
{
    const float first[] = {0.7055475f, 0.5334240f, 0.5795186f, 0.2895625f, 0.3019480f};
    rt::ClassicRandom generator;
    for (float expected : first)
        EXPECT_NEAR(generator.next(), expected, 5e-8f);
    // Every value is in [0, 1) and the sequence has the full 24-bit period.
    rt::ClassicRandom g;
    const std::uint32_t start = g.state();
    int period = 0;
    do {
        const float v = g.next();
        ASSERT_TRUE(v >= 0.0f && v < 1.0f);
        ++period;
    } while (g.state() != start && period <= (1 << 24));
    EXPECT_EQ(period, 1 << 24);
    TestProgram p;
    EXPECT_NEAR(p.host.rnd(), first[0], 5e-8f);
    EXPECT_NEAR(p.host.rnd(), first[1], 5e-8f);
}

TEST(Host, BuildsTheStoredLayoutThenLoadsThenShows)
{
    ScriptedProgram p;
    bool shownAtLoad = true;
    p.target.handler = [&](const rt::Event&, std::int16_t*) { shownAtLoad = p.backend.shown; };
    EXPECT_FALSE(p.backend.shown);
    p.host.start(p.target);
    ASSERT_EQ(p.target.events.size(), 1u);
    EXPECT_EQ(p.target.events[0].kind, rt::EventKind::Load);
    EXPECT_FALSE(shownAtLoad);
    EXPECT_TRUE(p.backend.shown);

    // Every stored control but the timer, each in front of those before it.
    const auto order = ui::creationOrder();
    ASSERT_EQ(p.backend.stacking.size(), order.size() - 1);
    std::size_t i = 0;
    for (const ui::ControlSpec* s : order) {
        if (s->kind != ui::Kind::Timer) {
            EXPECT_EQ(p.backend.at(p.backend.stacking[i++]).spec, s);
        }
    }
    EXPECT_TRUE(p.backend.timerOn);
    EXPECT_EQ(p.backend.timerInterval, 500);
    // The timer's row names it, and its ticks.
    EXPECT_EQ(p.backend.timerName, "Timer1");
    p.backend.tick();
    EXPECT_EQ(p.target.events.back().control, "Timer1");

    // Tab order: buttons and the display by tab index; focus on "1".
    std::vector<std::string> tabs;
    for (rt::ControlId id : p.backend.tabOrder)
        tabs.push_back(p.backend.at(id).caption + p.backend.at(id).text);
    const std::vector<std::string> expected{"1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "=",
                                            "+", "-", "/", "*", "0", ".", "Click Me!"};
    EXPECT_EQ(tabs, expected); // the second "0" is the display's text
    EXPECT_EQ(p.backend.focus, *p.host.idOf({"cmdButton", 0}));
}

TEST(Host, ClassicErrorNumbers)
{
    TestProgram p;
    struct Row {
        const char* what;
        std::function<void()> call;
        int number;
    };
    const Row rows[] = {
        {"no such control", [&] { p.host.caption({"Command9"}); }, 424},
        {"a plain control given an index", [&] { p.host.visible({"Text1", 0}); }, 340},
        {"no such element", [&] { p.host.move({"Command2", 3}, 0, 0); }, 340},
        {"an array without its index", [&] { p.host.setVisible({"cmdButton"}, true); }, 424},
        {"text of a button", [&] { p.host.text({"Command1"}); }, 438},
        {"caption of the display", [&] { p.host.setCaption({"Text1"}, "x"); }, 438},
        {"value of a label", [&] { p.host.setValue({"Label1"}, 1); }, 438},
        {"visibility of the timer", [&] { p.host.visible({"Timer1"}); }, 438},
        {"value above the range", [&] { p.host.setValue({"calc"}, 250001); }, 380},
        {"value below the range", [&] { p.host.setValue({"calc"}, -1); }, 380},
        {"value not a number", [&] { p.host.setValue({"calc"}, std::nanf("")); }, 380},
        {"loading an existing element", [&] { p.host.load({"Command2", 0}); }, 360},
        {"loading into a plain control", [&] { p.host.load({"Label2", 1}); }, 5},
        {"loading a negative index", [&] { p.host.load({"Command2", -1}); }, 5},
        {"loading into no control", [&] { p.host.load({"Command9", 1}); }, 424},
        {"a button set not offered", [&] { p.host.msgBox("x", 3, std::nullopt); }, 5},
    };
    for (const Row& row : rows)
        EXPECT_EQ(errorNumberOf(row.call), row.number) << row.what;
    // None of them reached the window.
    EXPECT_TRUE(p.backend.boxes.empty());
    EXPECT_FLOAT_EQ(p.control({"calc"}).value, 0);
}

TEST(Host, ElementsAreHiddenCopiesOfElementZero)
{
    ScriptedProgram p;
    p.host.start(p.target);
    p.host.setCaption({"Command2", 0}, "Take Me!");
    p.host.load({"Command2", 7});
    const auto id = *p.host.idOf({"Command2", 7});
    EXPECT_EQ(p.backend.idOfTopmost(), id);
    EXPECT_EQ(p.backend.at(id).caption, "Take Me!");
    EXPECT_FALSE(p.backend.at(id).visible);
    EXPECT_EQ(p.host.caption({"Command2", 7}), "Take Me!");
    EXPECT_FALSE(p.host.visible({"Command2", 7}));
    EXPECT_EQ(errorNumberOf([&] { p.host.load({"Command2", 7}); }), 360);
    // Moves are in twips, at the backend's scale.
    p.backend.perPixel = 12;
    p.host.move({"Command2", 7}, 1200, 245);
    EXPECT_EQ(p.backend.at(id).left, 100);
    EXPECT_EQ(p.backend.at(id).top, 20);
    // A click on it is a click on that element.
    p.backend.click(id);
    ASSERT_EQ(p.target.events.size(), 2u);
    EXPECT_EQ(p.target.events[1].control, "Command2");
    EXPECT_EQ(p.target.events[1].index, 7);

    // Out of window-system resources: error 7 and no trace of the element.
    p.host.setElementLimit(1);
    const std::size_t made = p.backend.controls.size();
    EXPECT_EQ(errorNumberOf([&] { p.host.load({"Command2", 8}); }), 7);
    EXPECT_FALSE(p.host.idOf({"Command2", 8}));
    EXPECT_EQ(p.backend.controls.size(), made);
}

TEST(Host, DefaultErrorModeEndsTheHandlerReportsAndGoesOn)
{
    ScriptedProgram p;
    bool reachedAfterFailure = false;
    p.target.handler = [&](const rt::Event&, std::int16_t*) {
        rt::HandlerRun run;
        run([&] { p.host.setCaption({"Command2", 5}, "x"); }); // no such element
        reachedAfterFailure = true;
    };
    p.host.start(p.target); // the load event fails
    EXPECT_FALSE(reachedAfterFailure);
    ASSERT_EQ(p.backend.boxes.size(), 1u);
    EXPECT_EQ(p.backend.boxes[0].prompt, "Run-time error '340':\r\nControl array element doesn't exist");
    EXPECT_EQ(p.backend.boxes[0].title, "Abacoria");
    EXPECT_EQ(p.backend.boxes[0].buttons, rt::vbOKOnly);
    // The program keeps running with nothing lost.
    EXPECT_TRUE(p.host.formLoaded());
    EXPECT_TRUE(p.backend.shown);

    const std::pair<std::function<void()>, const char*> failures[] = {
        {[&] { p.host.shell("Clc.exe", rt::vbMaximizedFocus); }, "Run-time error '53':\r\nFile not found"},
        {[] { throw std::bad_alloc(); }, "Run-time error '7':\r\nOut of memory"},
        {[] { throw rt::RuntimeError(9); }, "Run-time error '9':\r\nSubscript out of range"},
    };
    for (const auto& [failure, message] : failures) {
        p.target.handler = [&](const rt::Event&, std::int16_t*) { failure(); };
        p.backend.click(*p.host.idOf({"Command1"}));
        EXPECT_EQ(p.backend.boxes.back().prompt, message);
    }
    EXPECT_EQ(p.backend.boxes.size(), 4u);
    EXPECT_EQ(p.host.handlerDepth(), 0);
}

TEST(Host, ResumeNextSkipsFailingStatementsForOneRunOnly)
{
    TestProgram p;
    rt::HandlerRun run;
    run.resumeNext();
    std::vector<int> reached;
    run([&] { p.host.load({"Command2", 0}); reached.push_back(1); });
    run([&] { reached.push_back(2); });
    run([&] { p.host.setValue({"calc"}, 1e9f); reached.push_back(3); });
    run([&] { p.host.setValue({"calc"}, 10.0f); reached.push_back(4); });
    EXPECT_EQ(reached, (std::vector<int>{2, 4}));
    EXPECT_EQ(run.skippedStatements(), 2);
    EXPECT_FLOAT_EQ(p.control({"calc"}).value, 10.0f);
    // A new run starts in the default mode again.
    rt::HandlerRun next;
    EXPECT_FALSE(next.resumingNext());
    EXPECT_EQ(errorNumberOf([&] { next([&] { p.host.load({"Command2", 0}); }); }), 360);
}

TEST(Host, CloseProtocol)
{
    ScriptedProgram p;
    std::int16_t answer = 1;
    p.target.handler = [&](const rt::Event& e, std::int16_t* cancel) {
        if (e.kind == rt::EventKind::Unload)
            *cancel = answer;
    };
    p.host.start(p.target);
    // Refused: the unload event came with Cancel 0 and set it.
    p.backend.requestClose();
    p.backend.requestClose();
    EXPECT_EQ(p.target.events.size(), 3u);
    EXPECT_EQ(p.target.events[1].kind, rt::EventKind::Unload);
    EXPECT_TRUE(p.host.formLoaded());
    EXPECT_FALSE(p.backend.hidden);
    EXPECT_TRUE(p.backend.timerOn);
    // Allowed: hidden, timer stopped, destroyed, the program told once.
    answer = 0;
    p.backend.requestClose();
    EXPECT_FALSE(p.host.formLoaded());
    EXPECT_TRUE(p.backend.hidden);
    EXPECT_FALSE(p.backend.timerOn);
    EXPECT_EQ(p.backend.destroyed, 1);
    EXPECT_EQ(p.unloads, 1);
    // Nothing reaches handlers any more.
    p.backend.requestClose();
    p.backend.tick();
    EXPECT_EQ(p.target.events.size(), 4u);
    EXPECT_FALSE(p.host.doEvents());
    EXPECT_EQ(p.backend.destroyed, 1);
}

TEST(Host, TheWindowSaysItWouldRefuseToCloseExactlyWhenItDoes)
{
    TestProgram p;
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_TRUE(p.form.refusesToClose());
        p.backend.requestClose();
        EXPECT_TRUE(p.host.formLoaded());
    }
    p.click({"Label2"});
    EXPECT_FALSE(p.form.refusesToClose());
    p.backend.requestClose();
    EXPECT_FALSE(p.host.formLoaded());
}

TEST(Host, WindowClosedUnderARunningHandlerIsDestroyedOnlyWhenItEnds)
{
    ScriptedProgram p;
    bool passSaidGone = false;
    int destroyedInHandler = -1;
    p.target.handler = [&](const rt::Event& e, std::int16_t*) {
        if (e.kind != rt::EventKind::Click)
            return;
        p.backend.pending.push_back([&] { p.backend.requestClose(); });
        passSaidGone = !p.host.doEvents();
        destroyedInHandler = p.backend.destroyed;
        // The handler touches the window after all: stopped, never reaching the backend.
        rt::HandlerRun run;
        run.resumeNext();
        run([&] { p.host.setVisible({"calc"}, true); });
    };
    p.host.start(p.target);
    p.backend.click(*p.host.idOf({"Command1"}));
    EXPECT_TRUE(passSaidGone);
    EXPECT_EQ(destroyedInHandler, 0);
    EXPECT_EQ(p.backend.destroyed, 1);
    EXPECT_EQ(p.host.touchesAfterUnload(), 1);
    EXPECT_EQ(p.host.handlerDepth(), 0);
    EXPECT_TRUE(p.backend.boxes.empty()); // stopping there is no error to report
}

TEST(Host, EventPassesRunWhatIsPendingAndNestHandlers)
{
    ScriptedProgram p;
    std::vector<int> depths;
    p.target.handler = [&](const rt::Event& e, std::int16_t*) {
        depths.push_back(p.host.handlerDepth());
        if (e.kind == rt::EventKind::Click && depths.size() == 2) {
            p.backend.pending.push_back([&] { p.backend.click(*p.host.idOf({"Label2"})); });
            EXPECT_TRUE(p.host.doEvents());
        }
    };
    p.host.start(p.target);
    p.backend.click(*p.host.idOf({"Command1"}));
    EXPECT_EQ(depths, (std::vector<int>{1, 1, 2}));
    EXPECT_EQ(p.backend.passes, 1);
}

TEST(Host, TicksNeverNest)
{
    ScriptedProgram p;
    int ticks = 0;
    int deepest = 0;
    p.target.handler = [&](const rt::Event& e, std::int16_t*) {
        if (e.kind != rt::EventKind::Timer)
            return;
        ++ticks;
        deepest = std::max(deepest, p.host.handlerDepth());
        // A tick that lets events run, with another tick waiting.
        if (ticks == 1)
            p.backend.pending.push_back([&] { p.backend.tick(); });
        p.host.doEvents();
    };
    p.host.start(p.target);
    p.backend.tick();
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(deepest, 1);
    p.backend.tick();
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(deepest, 1);
}

TEST(Host, MessageBoxesAndTheirTitles)
{
    TestProgram p;
    p.backend.answers = {rt::vbNo, rt::vbOK};
    EXPECT_EQ(p.host.msgBox("Go on?", rt::vbYesNo, "Question"), rt::vbNo);
    EXPECT_EQ(p.host.msgBox("Done", rt::vbOKOnly, std::nullopt), rt::vbOK);
    EXPECT_EQ(p.host.msgBox("Done", rt::vbOKOnly, ""), rt::vbOK); // the first button when unanswered
    ASSERT_EQ(p.backend.boxes.size(), 3u);
    EXPECT_EQ(p.backend.boxes[0].title, "Question");
    EXPECT_EQ(p.backend.boxes[0].buttons, rt::vbYesNo);
    EXPECT_EQ(p.backend.boxes[1].title, "Abacoria");
    EXPECT_EQ(p.backend.boxes[2].title, "Abacoria");
    // A hook answers in place of the backend.
    p.host.setMessageBoxHook([](const rt::MessageBoxRequest& r) { return r.buttons == rt::vbYesNo ? 7 : 1; });
    EXPECT_EQ(p.host.msgBox("Go on?", rt::vbYesNo, std::nullopt), rt::vbNo);
    EXPECT_EQ(p.backend.boxes.size(), 3u);
}

TEST(Host, ABoxWithoutAnAnswerGetsTheOneThatDoesLeast)
{
    struct Row {
        int buttons;
        std::optional<int> backend;
        int result;
    };
    const Row rows[] = {
        {rt::vbOKOnly, std::nullopt, rt::vbOK},
        {rt::vbYesNo, std::nullopt, rt::vbNo},
        {rt::vbOKOnly, rt::vbYes, rt::vbOK}, // not one of its buttons
        {rt::vbYesNo, rt::vbOK, rt::vbNo},
        {rt::vbYesNo, 0, rt::vbNo},
        {rt::vbYesNo, rt::vbYes, rt::vbYes},
    };
    TestProgram p;
    for (const Row& row : rows) {
        p.backend.answers = {row.backend};
        EXPECT_EQ(p.host.msgBox("?", row.buttons, std::nullopt), row.result)
            << row.buttons << " answered " << row.backend.value_or(-1);
    }
}

TEST(Host, ProgramPathsAreAbsoluteAndNeverSearched)
{
    struct Row {
        const char* path;
        bool posix, windows;
    };
    const Row rows[] = {
        {"/usr/bin/prog", true, false},
        {"C:\\Windows\\Clc.exe", false, true},
        {"c:/windows/clc.exe", false, true},
        {"\\\\server\\share\\prog.exe", false, true},
        {"Clc.exe", false, false},
        {"./Clc.exe", false, false},
        {"C:Clc.exe", false, false},
        {"\\Windows\\Clc.exe", false, false},
        {"", false, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(errorNumberOf([&] { rt::programPathForPosix(row.path); }), row.posix ? 0 : 53) << row.path;
        EXPECT_EQ(errorNumberOf([&] { rt::programPathForWindows(row.path); }), row.windows ? 0 : 53) << row.path;
    }
    EXPECT_EQ(errorNumberOf([] { rt::programPathForPosix(std::string_view("/bin/x\0y", 8)); }), 53);
    EXPECT_EQ(errorNumberOf([] { rt::programPathForWindows(std::string_view("C:\\x\0y", 6)); }), 53);

    // The host hands the backend only what its system's rule lets through.
    TestProgram p;
#ifdef _WIN32
    const char* runnable = "C:\\Windows\\Clc.exe";
    const char* refused = "/usr/bin/prog";
#else
    const char* runnable = "/usr/bin/prog";
    const char* refused = "C:\\Windows\\Clc.exe";
#endif
    EXPECT_EQ(p.host.shell(runnable, rt::vbMaximizedFocus), 4242);
    EXPECT_EQ(errorNumberOf([&] { p.host.shell(refused, rt::vbMaximizedFocus); }), 53);
    ASSERT_EQ(p.backend.starts.size(), 1u);
    EXPECT_EQ(p.backend.starts[0].path, runnable);
    EXPECT_EQ(p.backend.starts[0].windowStyle, 3);
    p.backend.startError = 5;
    EXPECT_EQ(errorNumberOf([&] { p.host.shell(runnable, rt::vbMaximizedFocus); }), 5);
}

TEST(Host, AWindowStyleIsOneOfTheClassicOnesElseError5)
{
    TestProgram p;
#ifdef _WIN32
    const char* path = "C:\\Windows\\Clc.exe";
#else
    const char* path = "/usr/bin/prog";
#endif
    for (const int style : {0, 1, 2, 3, 4, 6})
        EXPECT_EQ(errorNumberOf([&] { p.host.shell(path, style); }), 0) << style;
    for (const int style : {-1, 5, 7, 8, 255})
        EXPECT_EQ(errorNumberOf([&] { p.host.shell(path, style); }), 5) << style;
    // Checked before anything starts, and before the path.
    EXPECT_EQ(p.backend.starts.size(), 6u);
    EXPECT_EQ(errorNumberOf([&] { p.host.shell("Clc.exe", 5); }), 5);
}

TEST(Host, ClientSizeInTwipsAtTheBackendsScale)
{
    TestProgram p;
    EXPECT_FLOAT_EQ(p.host.scaleWidth(), 2775);
    EXPECT_FLOAT_EQ(p.host.scaleHeight(), 4215);
    p.host.setWindowState(rt::WindowState::Maximized);
    p.backend.perPixel = 12; // 120 dpi
    EXPECT_FLOAT_EQ(p.host.scaleWidth(), 1280 * 12);
    EXPECT_FLOAT_EQ(p.host.scaleHeight(), 960 * 12);
}
