// Event storms: long random runs of everything a user and the system can do
// to the real window, with the program's rules checked after every event.
//
// Each run draws fresh seeds and prints them. To replay one sequence:
//   ABACORIA_STORM_SEED=<seed> ABACORIA_STORM_LIMIT=<limit> ./test_storm
// ABACORIA_STORM_SEQUENCES and ABACORIA_STORM_EVENTS make a run longer.
// One file, long as it is: the storm's events and the model of the window
// that checks them after each one are one piece, kept in step by hand.
#include "Harness.h"
#include "fuzz/ReferenceNumber.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QWindow>
#include <QtTest>

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace abacoria;
using rt::MessageBoxRequest;
using qtbackend::QtRuntime;

namespace {

constexpr int defaultSequences = 10;
constexpr int defaultEvents = 1000;
constexpr int fullFlood = 10000;
constexpr int bigFloodTail = 15; // events left when the whole prize is won

const std::string overflowBox = "Run-time error '6':\r\nOverflow";
const std::string runTimeErrorPrefix = "Run-time error";
const std::string askBox = "This operation will take a long time to finish,continue?";
const std::string prizeBox = "You have just won 100000 command buttons for your desktop!!!";
const std::string refusalBox = "You HAVE to click my sponser's ad";
const std::string farewellBox = "Hope you had FUN ;-)";
const std::string externalProgram = "C:\\Windows\\Clc.exe";

int envInt(const char* name, int fallback)
{
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok ? v : fallback;
}

// What each keypad key appends, by element index.
QString keyCaption(int index)
{
    return index == 10 ? QStringLiteral(".") : index == 9 ? QStringLiteral("0") : QString::number(index + 1);
}

class Dice {
public:
    explicit Dice(std::uint64_t seed)
        : gen_(seed)
    {
    }
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(gen_); }
    bool chance(double p) { return std::uniform_real_distribution<double>(0.0, 1.0)(gen_) < p; }
    template <class T, std::size_t N>
    const T& pick(const std::array<T, N>& a)
    {
        return a[static_cast<std::size_t>(below(static_cast<int>(N)))];
    }

private:
    std::mt19937_64 gen_;
};

// The control a widget stands for, from its object name ("cmdButton(3)").
struct ControlName {
    QString name;
    int index = -1;
};

ControlName controlOf(const QWidget* w)
{
    if (!w)
        return {};
    const QString n = w->objectName();
    const int open = n.indexOf('(');
    if (open < 0)
        return {n, -1};
    return {n.left(open), n.mid(open + 1, n.size() - open - 2).toInt()};
}

// One run of the program: the real window and its handlers, with message
// boxes answered at random and program starts recorded.
struct Program {
    Program(Dice& dice, int elementLimit)
        : dice(dice)
    {
        runtime.setElementLimit(elementLimit);
        runtime.setMessageBoxHook([this](const MessageBoxRequest& r) {
            boxes.push_back(r);
            // A real box runs an event loop of its own: timers and posted
            // events get through while it is open.
            if (this->dice.chance(0.1)) {
                ++openBoxes;
                QCoreApplication::processEvents();
                --openBoxes;
            }
            if (r.buttons == rt::vbYesNo) {
                const int a = this->dice.chance(0.5) ? rt::vbYes : rt::vbNo;
                answers.push_back(a);
                return a;
            }
            return rt::vbOK;
        });
        runtime.setProgramStarter([this](std::string_view path, int style) -> double {
            starts.push_back({std::string(path), style});
            if (this->dice.chance(0.5))
                throw rt::RuntimeError(rt::errFileNotFound);
            return 4242;
        });
        runtime.setOnUnloaded([this] { ++unloads; });
        runtime.start(form);
    }

    Dice& dice;
    QObject queue; // context of events queued into a handler's event pass
    QtRuntime runtime;
    app::Form1 form{runtime};
    std::vector<MessageBoxRequest> boxes;
    std::vector<int> answers;
    std::vector<std::pair<std::string, int>> starts;
    int unloads = 0;
    int openBoxes = 0; // message boxes running their event loop right now
};

// Watches every event the application delivers and checks the rules that
// must hold at any moment, not only between the storm's own steps.
class Watch : public QObject {
public:
    std::function<void()> check;

protected:
    bool eventFilter(QObject*, QEvent*) override
    {
        if (check)
            check();
        return false;
    }
};

class Storm {
public:
    Storm(std::uint64_t seed, int elementLimit)
        : dice_(seed)
        , limit_(elementLimit)
    {
        watch_.check = [this] { checkAnyTime(); };
        qApp->installEventFilter(&watch_);
    }
    ~Storm()
    {
        qApp->removeEventFilter(&watch_);
        watch_.check = nullptr;
        program_.reset();
    }

    // Runs the sequence; an empty result means every rule held.
    QString run(int events)
    {
        for (n_ = 0; n_ < events && failure_.isEmpty(); ++n_) {
            if (!program_ || !program_->runtime.formLoaded())
                restart();
            if (!failure_.isEmpty())
                break;
            step(events - n_);
            if (program_->runtime.formLoaded())
                ++eventsOnLiveWindow;
            checkAnyTime();
            // The event loop runs between two things the user does.
            QCoreApplication::processEvents();
            checkAnyTime();
        }
        if (failure_.isEmpty())
            return {};
        QString log;
        for (const QString& line : log_)
            log += "\n    " + line;
        return failure_ + "\n  last events:" + log;
    }

    int eventsOnLiveWindow = 0;
    int windows = 0;
    int floods = 0;
    int equalsRuns = 0;
    int overflows = 0;
    int closesRefused = 0;

private:
    // ---- the rules ----------------------------------------------------

    void fail(const QString& what)
    {
        if (failure_.isEmpty())
            failure_ = QString("event %1: %2").arg(n_).arg(what);
    }

    void note(const QString& what)
    {
        log_.push_back(what);
        if (log_.size() > 12)
            log_.pop_front();
    }

    void checkAnyTime()
    {
        if (!program_ || checking_)
            return;
        checking_ = true;
        Program& p = *program_;
        const rt::Boolean ad = p.form.state().AdClicked;
        if (ad != rt::vbFalse && ad != rt::vbTrue)
            fail(QString("AdClicked holds %1").arg(ad));
        if (adClicked_ && ad != rt::vbTrue)
            fail("AdClicked went back to False");
        adClicked_ = ad == rt::vbTrue;
        if (p.runtime.touchesAfterUnload() != 0)
            fail(QString("handlers touched the window %1 times after it was gone").arg(p.runtime.touchesAfterUnload()));
        if (!p.runtime.formLoaded() && !closeAllowed_)
            fail("the window ended without an allowed close");
        if (p.unloads > 1)
            fail("the window was unloaded twice");
        for (; boxesSeen_ < p.boxes.size(); ++boxesSeen_) {
            const std::string& prompt = p.boxes[boxesSeen_].prompt;
            if (prompt.rfind(runTimeErrorPrefix, 0) == 0 && !(prompt == overflowBox && overflowAllowed_))
                fail(QString("unexpected error box: %1").arg(QString::fromStdString(prompt)));
        }
        checking_ = false;
    }

    void restart()
    {
        if (program_ && !closeAllowed_)
            fail("the window was gone without an allowed close");
        program_.reset(); // the old window and every widget with it
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        adClicked_ = false;
        closeAllowed_ = false;
        overflowAllowed_ = false;
        boxesSeen_ = 0;
        program_ = std::make_unique<Program>(dice_, limit_);
        ++windows;
        note("-- program started");
        if (!program_->runtime.window() || !program_->runtime.window()->isVisible())
            fail("the window did not come up");
    }

    QWidget* window() { return program_->runtime.window(); }
    QLineEdit* display() { return qobject_cast<QLineEdit*>(program_->runtime.widget({"Text1"})); }
    QWidget* control(const char* name, int index = -1) { return program_->runtime.widget({name, index}); }

    // ---- one step -----------------------------------------------------

    enum class Step {
        Key, Operator, Equals, Banner, OtherClick, RunTimeButton, Raised, Typing, Paste, Tick, Close,
        SpaceOnFocus, Tab, EqualsWithQueue, BannerWithQueue
    };

    Step chooseStep(int remaining)
    {
        const bool ad = adClicked_;
        const bool bigFlood = limit_ >= 1000;
        // Once thousands of buttons cover the window, every repaint walks
        // them all: the whole prize comes near the end of its sequence.
        if (bigFlood && !ad && remaining == bigFloodTail)
            return Step::BannerWithQueue;
        if (remaining == 2 && !ad)
            return Step::Banner; // make sure the final close may end the window
        if (remaining == 1)
            return Step::Close;
        const bool bannerAllowed = !bigFlood || remaining < bigFloodTail;
        struct Weight {
            Step step;
            double weight;
        };
        const std::array<Weight, 15> weights{{
            {Step::Key, 30},
            {Step::Operator, 8},
            {Step::Equals, 0.6}, // counts to 250000 every time
            {Step::Banner, ad ? (bigFlood ? 0.0 : 0.3) : bannerAllowed ? 1.5 : 0.0},
            {Step::OtherClick, 5},
            {Step::RunTimeButton, ad ? 4.0 : 0.0},
            {Step::Raised, 6},
            {Step::Typing, 16},
            {Step::Paste, 5},
            {Step::Tick, 10},
            {Step::Close, ad ? (bigFlood ? 0.0 : 0.15) : 3.0},
            {Step::SpaceOnFocus, 4},
            {Step::Tab, 2},
            {Step::EqualsWithQueue, 0.4},
            {Step::BannerWithQueue, ad ? (bigFlood ? 0.0 : 0.2) : bannerAllowed ? 0.6 : 0.0},
        }};
        double total = 0;
        for (const Weight& w : weights)
            total += w.weight;
        double x = dice_.below(1'000'000) / 1e6 * total;
        for (const Weight& w : weights) {
            if (x < w.weight)
                return w.step;
            x -= w.weight;
        }
        return Step::Key;
    }

    void step(int remaining)
    {
        const QString before = display()->text();

        switch (chooseStep(remaining)) {
        case Step::Key: {
            const int index = dice_.below(11);
            clickControl(control("cmdButton", index), QString("key %1").arg(keyCaption(index)));
            break;
        }
        case Step::Operator:
            clickControl(control("cmdOper", dice_.below(4)), "operator");
            break;
        case Step::Equals:
            clickControl(control("Command1"), "=");
            break;
        case Step::Banner:
            clickControl(control("Label2"), "banner");
            break;
        case Step::OtherClick: {
            static const std::array<const char*, 5> others{"Label3", "Label4", "Text1", "calc", "Form1"};
            const char* name = dice_.pick(others);
            QWidget* target = std::string_view(name) == "Form1" ? nullptr : control(name);
            clickControl(target, QString("click on %1").arg(name));
            break;
        }
        case Step::RunTimeButton: {
            const int index = 1 + dice_.below(std::min(limit_, fullFlood) + 1);
            QWidget* b = control("Command2", index);
            if (b && b->isVisible())
                clickControl(b, QString("Click Me! %1").arg(index));
            else
                raiseClick("Command2", index);
            break;
        }
        case Step::Raised: {
            // Clicks that reach a handler without the mouse (a covered key, a
            // click queued by the system).
            const int which = dice_.below(4);
            if (which == 0)
                raiseClick("cmdButton", dice_.below(11));
            else if (which == 1)
                raiseClick("cmdOper", dice_.below(4));
            else if (which == 2)
                raiseClick("Command2", dice_.below(20));
            else
                raiseClick("Label3", -1);
            break;
        }
        case Step::Typing:
            typeIntoDisplay();
            break;
        case Step::Paste:
            paste();
            break;
        case Step::Tick:
            tick();
            break;
        case Step::Close:
            requestClose(dice_.chance(0.5));
            break;
        case Step::SpaceOnFocus:
            spaceOnFocus();
            break;
        case Step::Tab:
            note("Tab");
            QTest::keyClick(window()->windowHandle(), Qt::Key_Tab);
            expectUnchanged(before, "Tab");
            break;
        case Step::EqualsWithQueue:
            queueIntoPass();
            note("= with events queued");
            clickOrRaise("Command1", true);
            break;
        case Step::BannerWithQueue:
            queueIntoPass();
            note("banner with events queued");
            clickOrRaise("Label2", true);
            break;
        }
        // Whatever was queued has had its pass by now, or arrives later.
        queuedPending_ = false;
    }

    // ---- clicks -------------------------------------------------------

    // Clicks the middle of a control (or anywhere on the window for null)
    // with the mouse, through the window the way the window system delivers
    // it. Whatever lies on top there receives the click; the rules of that
    // control decide what must happen.
    void clickControl(QWidget* target, const QString& what)
    {
        QWidget* win = window();
        QPoint at(-1, -1);
        const QRect area = QRect(QPoint(0, 0), win->size().boundedTo(win->windowHandle()->size()));
        if (target && target->isVisible()) {
            const QRect r = target->geometry();
            at = r.topLeft() + QPoint(1 + dice_.below(std::max(1, r.width() - 2)), 1 + dice_.below(std::max(1, r.height() - 2)));
        }
        if (!area.contains(at))
            at = QPoint(dice_.below(area.width()), dice_.below(area.height()));
        const ControlName receiver = controlOf(win->childAt(at));
        note(QString("%1: mouse at (%2,%3) on %4(%5)").arg(what).arg(at.x()).arg(at.y()).arg(receiver.name).arg(receiver.index));
        expectClick(receiver, [&] { QTest::mouseClick(win->windowHandle(), Qt::LeftButton, {}, at); });
    }

    void raiseClick(const char* name, int index)
    {
        note(QString("raised click on %1(%2)").arg(name).arg(index));
        Program& p = *program_;
        expectClick({name, index}, [&] { p.runtime.raise(rt::Event{rt::EventKind::Click, name, index}); });
    }

    // What a click on a control must do, per the keypad, "=" and banner rules.
    template <class Deliver>
    void expectClick(const ControlName& c, Deliver&& deliver)
    {
        Program& p = *program_;
        QLineEdit* edit = display();
        const QString before = edit->text();
        const std::size_t boxesBefore = p.boxes.size();
        const std::size_t startsBefore = p.starts.size();
        const std::size_t answersBefore = p.answers.size();
        const bool queued = queuedPending_;

        if (c.name == "cmdButton" && c.index >= 0 && c.index <= 10) {
            const reference::Reading r = reference::readNumber(before.toStdString());
            overflowAllowed_ = r.overflow;
            deliver();
            checkAnyTime(); // the boxes this key showed, while an overflow box is due
            overflowAllowed_ = false;
            const QString after = display()->text();
            if (r.overflow) {
                ++overflows;
                if (after != before)
                    fail(QString("an overflowing display changed: %1 -> %2").arg(before.left(80), after.left(80)));
                if (p.boxes.size() != boxesBefore + 1 || p.boxes.back().prompt != overflowBox)
                    fail("an overflowing display gave no overflow box");
                if (!p.runtime.formLoaded())
                    fail("an overflow ended the program");
            } else {
                const QString expected = (r.value == 0 ? QString() : before) + keyCaption(c.index);
                if (after != expected)
                    fail(QString("key %1 on '%2' gave '%3', not '%4'")
                             .arg(keyCaption(c.index), before.left(80), after.left(80), expected.left(80)));
                if (p.boxes.size() != boxesBefore)
                    fail("a key showed a message box");
            }
            return;
        }
        if (c.name == "cmdOper" && c.index >= 0 && c.index <= 3) {
            deliver();
            if (display()->text() != "0")
                fail(QString("an operator left '%1'").arg(display()->text().left(80)));
            if (p.boxes.size() != boxesBefore)
                fail("an operator showed a message box");
            return;
        }
        if (c.name == "Command1") {
            ++equalsRuns;
            deliver();
            queuedPending_ = false;
            if (p.runtime.formLoaded()) {
                expectUnchanged(before, "=");
                if (control("calc")->isVisible() || control("Label1")->isVisible())
                    fail("the calculation stayed on show after \"=\"");
            }
            if (queued || !p.runtime.formLoaded())
                return;
            // Asked once; a No is yelled at and starts the other calculator.
            if (p.answers.size() != answersBefore + 1 || p.boxes.size() != boxesBefore + 2
                || p.boxes[boxesBefore].prompt != askBox || p.boxes[boxesBefore].buttons != rt::vbYesNo) {
                fail("\"=\" did not ask once and answer once");
                return;
            }
            const bool no = p.answers[answersBefore] == rt::vbNo;
            const std::size_t expectedStarts = startsBefore + (no ? 1 : 0);
            if (p.starts.size() != expectedStarts)
                fail(QString("\"=\" answered %1 started %2 programs").arg(no ? "No" : "Yes").arg(p.starts.size() - startsBefore));
            else if (no && (p.starts.back().first != externalProgram || p.starts.back().second != rt::vbMaximizedFocus))
                fail("\"=\" started the wrong program");
            return;
        }
        if (c.name == "Label2") {
            const bool first = !adClicked_;
            deliver();
            queuedPending_ = false;
            if (first)
                ++floods;
            if (p.form.state().AdClicked != rt::vbTrue)
                fail("the banner click was not recorded");
            if (p.boxes.size() <= boxesBefore || p.boxes[boxesBefore].prompt != prizeBox)
                fail("the banner click announced no prize");
            if (p.runtime.formLoaded()) {
                expectUnchanged(before, "the banner");
                if (first)
                    expectPrizeButtons();
            }
            return;
        }
        // Every other control has no handler: nothing may change.
        deliver();
        if (p.runtime.formLoaded() && c.name != "Text1")
            expectUnchanged(before, c.name);
        if (p.boxes.size() != boxesBefore)
            fail(QString("a click on %1 showed a message box").arg(c.name));
    }

    void expectUnchanged(const QString& before, const QString& what)
    {
        QLineEdit* edit = display();
        if (edit && edit->text() != before)
            fail(QString("%1 changed the display: '%2' -> '%3'").arg(what, before.left(80), edit->text().left(80)));
    }

    void expectPrizeButtons()
    {
        const int expected = std::min(limit_, fullFlood);
        int shown = 0;
        for (int i = 1; i <= fullFlood; ++i) {
            QWidget* b = control("Command2", i);
            if (b && b->isVisible())
                ++shown;
        }
        if (shown != expected)
            fail(QString("the prize showed %1 buttons, not %2").arg(shown).arg(expected));
    }

    // ---- the display ----------------------------------------------------

    void typeIntoDisplay()
    {
        // Characters a user may type; control characters are refused by the
        // display, everything else goes in as typed.
        static const std::array<QChar, 34> chars{
            u'0', u'1', u'2', u'3', u'4', u'5', u'6', u'7', u'8', u'9', u'.', u'.', u',', u'+', u'-', u'e', u'E',
            u'd', u'D', u'&', u'H', u'h', u'O', u'F', u'x', u' ', u'\u00e9', u'\u20ac', u'\u00bd', u'\u0663',
            u'\u00a0', QChar(0x01), QChar(0x1b), QChar(0x7f)};
        static const std::array<const char*, 12> words{
            "1e999", "-9D400", "&HFFFFFFFFF", "&hffff", "0.000", "1E+308", "17976931348623159e292",
            "4.9e-324", "&O777", "00", "1 2", "2.5d-3"};
        QLineEdit* edit = display();
        QString model = edit->text();
        int cursor = 0;
        bool all = false;
        QStringList what;
        switch (dice_.below(4)) {
        case 0:
            QTest::keyClick(edit, Qt::Key_Home);
            cursor = 0;
            what << "Home";
            break;
        case 1:
            QTest::keyClick(edit, Qt::Key_End);
            cursor = int(model.size());
            what << "End";
            break;
        case 2:
            cursor = dice_.below(int(model.size()) + 1);
            edit->deselect();
            edit->setCursorPosition(cursor); // as a click in the text would
            what << QString("cursor %1").arg(cursor);
            break;
        default:
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
            all = true;
            what << "Ctrl+A";
            break;
        }
        auto removeSelection = [&] {
            model.clear();
            cursor = 0;
            all = false;
        };
        const int count = 1 + dice_.below(8);
        for (int k = 0; k < count; ++k) {
            const int kind = dice_.below(10);
            if (kind == 0) {
                QTest::keyClick(edit, Qt::Key_Backspace);
                what << "Backspace";
                if (all)
                    removeSelection();
                else if (cursor > 0)
                    model.remove(--cursor, 1);
            } else if (kind == 1) {
                QTest::keyClick(edit, Qt::Key_Delete);
                what << "Delete";
                if (all)
                    removeSelection();
                else if (cursor < model.size())
                    model.remove(cursor, 1);
            } else if (kind == 2 && !all) {
                const bool left = dice_.chance(0.5);
                QTest::keyClick(edit, left ? Qt::Key_Left : Qt::Key_Right);
                what << (left ? "Left" : "Right");
                cursor = left ? std::max(0, cursor - 1) : std::min(int(model.size()), cursor + 1);
            } else {
                const QString text = kind == 3 ? QString::fromLatin1(dice_.pick(words)) : QString(dice_.pick(chars));
                for (QChar ch : text) {
                    const Qt::Key key = ch == u' ' ? Qt::Key_Space
                        : ch.unicode() < 0x7f && ch.isLetterOrNumber() ? Qt::Key(ch.toUpper().unicode())
                                                                        : Qt::Key_unknown;
                    QTest::sendKeyEvent(QTest::Click, edit, key, QString(ch), Qt::NoModifier);
                    if (!ch.isPrint())
                        continue;
                    if (all)
                        removeSelection();
                    model.insert(cursor++, ch);
                }
                what << QString("type '%1'").arg(text);
            }
        }
        note(what.join(", "));
        if (edit->text() != model)
            fail(QString("typing gave '%1', not '%2'").arg(edit->text().left(80), model.left(80)));
    }

    // Text from elsewhere: line breaks, tabs, control characters and long
    // numbers reach the display only this way.
    void paste()
    {
        static const std::array<const char*, 12> clips{
            "4\n2", "1\t2", " 1 2 ", "1\r\n2", "\x01\x02", "1e400", "-1D999", "&H1 0000 0000", "\n\n", "3,5",
            "0\n.\n0", "12abc"};
        QLineEdit* edit = display();
        QString text = QString::fromLatin1(dice_.pick(clips));
        if (dice_.chance(0.1))
            text = QString(100 + dice_.below(4000), QChar(u'0' + dice_.below(10)));
        QGuiApplication::clipboard()->setText(text);
        const bool all = dice_.chance(0.3);
        QString model = edit->text();
        int cursor = int(model.size());
        if (all) {
            edit->selectAll();
            model.clear();
            cursor = 0;
        } else {
            cursor = dice_.below(int(model.size()) + 1);
            edit->deselect();
            edit->setCursorPosition(cursor);
        }
        model.insert(cursor, text);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        note(QString("paste %1 chars at %2%3").arg(text.size()).arg(cursor).arg(all ? " over all" : ""));
        if (edit->text() != model)
            fail(QString("pasting gave '%1', not '%2'").arg(edit->text().left(80), model.left(80)));
    }

    // Space on whatever has the keyboard focus: a button clicks, the display
    // takes a blank.
    void spaceOnFocus()
    {
        QWidget* focus = window()->focusWidget();
        const ControlName c = controlOf(focus);
        note(QString("Space on %1(%2)").arg(c.name).arg(c.index));
        if (qobject_cast<QLineEdit*>(focus)) {
            QLineEdit* edit = display();
            QString model = edit->text();
            if (edit->hasSelectedText())
                model.remove(edit->selectionStart(), int(edit->selectedText().size()));
            model.insert(edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition(), u' ');
            QTest::keyClick(window()->windowHandle(), Qt::Key_Space);
            if (edit->text() != model)
                fail(QString("Space in the display gave '%1', not '%2'").arg(edit->text().left(80), model.left(80)));
            return;
        }
        if (qobject_cast<QPushButton*>(focus)) {
            expectClick(c, [&] { QTest::keyClick(window()->windowHandle(), Qt::Key_Space); });
            return;
        }
        const QString before = display()->text();
        QTest::keyClick(window()->windowHandle(), Qt::Key_Space);
        expectUnchanged(before, "Space");
    }

    // ---- the system -----------------------------------------------------

    void tick()
    {
        note("timer tick");
        const QString before = display()->text();
        program_->runtime.raise(rt::Event{rt::EventKind::Timer, "Timer1", -1});
        expectUnchanged(before, "a tick");
    }

    // A close request from the window system (or from the window itself).
    // The guard allows it exactly when the banner has been clicked.
    void requestClose(bool fromWindowSystem)
    {
        Program& p = *program_;
        QWidget* win = p.runtime.window();
        if (!win)
            return; // nothing left to close
        const bool allowed = p.form.state().AdClicked == rt::vbTrue;
        note(QString("close request%1, banner %2clicked").arg(fromWindowSystem ? " from the window system" : "",
                                                              allowed ? "" : "not "));
        const std::size_t boxesBefore = p.boxes.size();
        if (allowed)
            closeAllowed_ = true;
        if (fromWindowSystem)
            win->windowHandle()->close();
        else
            win->close();
        if (allowed) {
            if (p.runtime.formLoaded() || p.runtime.window())
                fail("a close after the banner click left the window up");
            if (p.unloads != 1)
                fail("the end of the window was not announced once");
            if (p.boxes.size() < boxesBefore + 2 || p.boxes[boxesBefore].prompt != farewellBox)
                fail("the window ended without its farewells");
        } else {
            ++closesRefused;
            if (!p.runtime.formLoaded() || !win->isVisible())
                fail("a close before the banner click ended the window");
            if (p.boxes.size() <= boxesBefore || p.boxes[boxesBefore].prompt != refusalBox)
                fail("a refused close did not say why");
        }
    }

    // Things that arrive while a handler lets events run: a second "=", a
    // second banner click, a tick, a close request.
    void queueIntoPass()
    {
        const int count = 1 + dice_.below(3);
        for (int k = 0; k < count; ++k) {
            // A second whole prize inside the first would only double the
            // wait; a close would cut it short.
            const int kind = limit_ >= 1000 ? 2 * dice_.below(2) : dice_.below(4);
            postIntoPass(kind);
        }
        queuedPending_ = true;
    }

    void postIntoPass(int kind)
    {
        QMetaObject::invokeMethod(&program_->queue, [this, kind] { arriveDuringPass(kind); }, Qt::QueuedConnection);
    }

    void arriveDuringPass(int kind)
    {
        if (!program_ || !program_->runtime.formLoaded())
            return;
        // While a message box is open the window takes no input and no close
        // request (the box is modal); they wait until it has gone. Timers run.
        if (program_->openBoxes > 0 && kind != 2) {
            postIntoPass(kind);
            return;
        }
        if (kind == 0) {
            note("  (during the pass) =");
            ++equalsRuns;
            clickOrRaise("Command1");
        } else if (kind == 1) {
            note("  (during the pass) banner");
            clickOrRaise("Label2");
            if (program_->form.state().AdClicked != rt::vbTrue)
                fail("a banner click during a pass was not recorded");
        } else if (kind == 2) {
            tick();
        } else if (!adClicked_ || limit_ < 1000) {
            requestClose(false);
        }
        checkAnyTime();
    }

    // A click on a control by mouse where it can be seen, raised where it
    // is covered: either way its handler runs.
    void clickOrRaise(const char* name, bool withRules = false)
    {
        QWidget* target = control(name);
        QWidget* win = window();
        if (target && win && target->isVisible() && dice_.chance(0.5)) {
            const QPoint at = target->geometry().center();
            if (win->childAt(at) == target) {
                auto deliver = [&] { QTest::mouseClick(win->windowHandle(), Qt::LeftButton, {}, at); };
                if (withRules)
                    expectClick({name, -1}, deliver);
                else
                    deliver();
                return;
            }
        }
        Program& p = *program_;
        auto deliver = [&] { p.runtime.raise(rt::Event{rt::EventKind::Click, name, -1}); };
        if (withRules)
            expectClick({name, -1}, deliver);
        else
            deliver();
    }

    Dice dice_;
    int limit_;
    std::unique_ptr<Program> program_;
    Watch watch_;
    int n_ = 0;
    bool adClicked_ = false;
    bool closeAllowed_ = false;
    bool overflowAllowed_ = false;
    bool queuedPending_ = false;
    bool checking_ = false;
    std::size_t boxesSeen_ = 0;
    QString failure_;
    std::deque<QString> log_;
};

} // namespace

class StormTest : public QObject {
    Q_OBJECT

private slots:
    void storm_data();
    void storm();
    void summary();

private:
    int totalEvents_ = 0;
    int totalLive_ = 0;
};

void StormTest::storm_data()
{
    QTest::addColumn<quint64>("seed");
    QTest::addColumn<int>("limit");

    bool replay = false;
    const quint64 chosen = qEnvironmentVariable("ABACORIA_STORM_SEED").toULongLong(&replay);
    if (replay) {
        QTest::newRow("replay") << chosen << envInt("ABACORIA_STORM_LIMIT", 20);
        return;
    }
    const quint64 base = static_cast<quint64>(std::chrono::steady_clock::now().time_since_epoch().count())
        ^ (static_cast<quint64>(std::random_device{}()) << 32);
    // Most floods stop early as a window system out of resources would; one
    // sequence gets the whole prize.
    static const std::array<int, 6> smallLimits{0, 1, 7, 25, 60, 150};
    const int sequences = std::max(1, envInt("ABACORIA_STORM_SEQUENCES", defaultSequences));
    for (int i = 0; i < sequences; ++i) {
        const quint64 seed = base + static_cast<quint64>(i) * 0x9E3779B97F4A7C15ull;
        const int limit = i == 0 ? fullFlood : smallLimits[static_cast<std::size_t>(i) % smallLimits.size()];
        QTest::newRow(qPrintable(QString("sequence %1").arg(i))) << seed << limit;
    }
}

void StormTest::storm()
{
    QFETCH(quint64, seed);
    QFETCH(int, limit);
    const int events = std::max(2, envInt("ABACORIA_STORM_EVENTS", defaultEvents));
    Storm storm(seed, limit);
    const QString failure = storm.run(events);
    const QString replay = QString("ABACORIA_STORM_SEED=%1 ABACORIA_STORM_LIMIT=%2").arg(seed).arg(limit);
    qInfo("%s: %d events (%d on a live window), %d windows, %d floods, %d \"=\", %d overflows, %d closes refused",
          qPrintable(replay), events, storm.eventsOnLiveWindow, storm.windows, storm.floods, storm.equalsRuns,
          storm.overflows, storm.closesRefused);
    totalEvents_ += events;
    totalLive_ += storm.eventsOnLiveWindow;
    if (!failure.isEmpty())
        QFAIL(qPrintable(QString("replay with %1\n%2").arg(replay, failure)));
    QVERIFY(storm.floods > 0);
}

void StormTest::summary()
{
    qInfo("storm total: %d events, %d on a live window", totalEvents_, totalLive_);
    QVERIFY(totalEvents_ > 0);
}

ABACORIA_TEST_MAIN(StormTest)
#include "test_storm.moc"
