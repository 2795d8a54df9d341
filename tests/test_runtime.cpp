#include "Harness.h"

#include "runtime/ClassicRandom.h"
#include "runtime/HandlerRun.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace abacoria;
using qtbackend::QtRuntime;
using testing::Harness;

namespace {

// Runs whatever the test puts in it as the handler of every event.
class ScriptedTarget : public rt::EventTarget {
public:
    std::function<void()> handler;
    int runs = 0;
    void onEvent(const rt::Event&, std::int16_t*) override
    {
        ++runs;
        if (handler)
            handler();
    }
};

int errorNumberOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const rt::RuntimeError& e) {
        return e.number();
    }
    return 0;
}

} // namespace

class RuntimeTest : public QObject {
    Q_OBJECT

private slots:
    void randomSequence();
    void messageBoxes_data();
    void messageBoxes();
    void elementCreation();
    void shownControlsTakeTheHoverOnlyUnderThePointer();
    void defaultErrorModeEndsTheHandlerAndReports();
    void resumeNextSkipsFailingStatements();
    void resumeNextDoesNotOutliveTheWindow();
    void programStartRefusesWindowsPaths();
    void programStartRunsAbsoluteExecutables();
    void doEventsRunsPendingEventsAndTellsWhenTheWindowIsGone();
};

void RuntimeTest::randomSequence()
{
    const float first[] = {0.7055475f, 0.5334240f, 0.5795186f, 0.2895625f, 0.3019480f};
    rt::ClassicRandom generator;
    for (float expected : first)
        QVERIFY(std::abs(generator.next() - expected) < 5e-8f);
    // Every value is in [0, 1) and the sequence has the full 24-bit period.
    rt::ClassicRandom g;
    const std::uint32_t start = g.state();
    int period = 0;
    do {
        const float v = g.next();
        QVERIFY(v >= 0.0f && v < 1.0f);
        ++period;
    } while (g.state() != start && period <= (1 << 24));
    QCOMPARE(period, 1 << 24);
    // The runtime's generator is that sequence, unseeded.
    QtRuntime runtime;
    QVERIFY(std::abs(runtime.rnd() - first[0]) < 5e-8f);
    QVERIFY(std::abs(runtime.rnd() - first[1]) < 5e-8f);
}

void RuntimeTest::messageBoxes_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QString>("title"); // empty: none passed
    QTest::addColumn<int>("press"); // QMessageBox::StandardButton, or 0 for the default (Enter)
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("shownTitle");

    QTest::newRow("OK only, default") << 0 << "" << 0 << 1 << "Abacoria";
    QTest::newRow("OK only, clicked") << 0 << "Yell" << int(QMessageBox::Ok) << 1 << "Yell";
    QTest::newRow("Yes/No default is Yes") << 4 << "Abacoria" << 0 << 6 << "Abacoria";
    QTest::newRow("Yes clicked") << 4 << "Q" << int(QMessageBox::Yes) << 6 << "Q";
    QTest::newRow("No clicked") << 4 << "" << int(QMessageBox::No) << 7 << "Abacoria";
}

void RuntimeTest::messageBoxes()
{
    QFETCH(int, buttons);
    QFETCH(QString, title);
    QFETCH(int, press);
    QFETCH(int, result);
    QFETCH(QString, shownTitle);

    QtRuntime runtime; // no hook: the real dialog
    QString seenTitle, seenText;
    int seenButtons = 0;
    bool noIcon = false;
    bool firstIsDefault = false;
    // Answered from the event loop the dialog runs, as a user would.
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        seenTitle = box->windowTitle();
        seenText = box->text();
        seenButtons = static_cast<int>(box->buttons().size());
        noIcon = box->icon() == QMessageBox::NoIcon;
        firstIsDefault = box->defaultButton() == box->buttons().constFirst()
            || box->defaultButton() == box->button(buttons == 4 ? QMessageBox::Yes : QMessageBox::Ok);
        if (press)
            box->button(QMessageBox::StandardButton(press))->click();
        else
            QTest::keyClick(box, Qt::Key_Return);
    });
    const std::string t = title.toStdString();
    const int answer = title.isEmpty() ? runtime.msgBox("one\r\ntwo", buttons, std::nullopt)
                                       : runtime.msgBox("one\r\ntwo", buttons, t);
    QCOMPARE(answer, result);
    QCOMPARE(seenTitle, shownTitle);
    QCOMPARE(seenText, QString("one\ntwo"));
    QCOMPARE(seenButtons, buttons == 4 ? 2 : 1);
    QVERIFY(noIcon);
    QVERIFY(firstIsDefault);
}

void RuntimeTest::elementCreation()
{
    Harness h;
    auto* templ = qobject_cast<QPushButton*>(h.runtime.widget({"Command2", 0}));
    h.runtime.load({"Command2", 7});
    auto* copy = qobject_cast<QPushButton*>(h.runtime.widget({"Command2", 7}));
    QVERIFY(copy);
    QCOMPARE(copy->text(), templ->text());
    QCOMPARE(copy->geometry(), templ->geometry());
    QCOMPARE(copy->font(), templ->font());
    QVERIFY(copy->isHidden());
    QVERIFY(!h.runtime.visible({"Command2", 7}));
    // Indexes need not be contiguous; an existing one cannot be loaded again.
    QCOMPARE(errorNumberOf([&] { h.runtime.load({"Command2", 7}); }), 360);
    QCOMPARE(errorNumberOf([&] { h.runtime.load({"Command2", 0}); }), 360);
    QCOMPARE(errorNumberOf([&] { h.runtime.move({"Command2", 3}, 0, 0); }), 340);
    // Out of window-system resources.
    h.runtime.setElementLimit(1);
    QCOMPARE(errorNumberOf([&] { h.runtime.load({"Command2", 8}); }), 7);
    QVERIFY(!h.runtime.widget({"Command2", 8}));
    // Clicking a created element runs nothing.
    h.runtime.setVisible({"Command2", 7}, true);
    copy->click();
    QVERIFY(h.boxes.empty());
    QCOMPARE(h.display(), std::string("0"));
}

void RuntimeTest::shownControlsTakeTheHoverOnlyUnderThePointer()
{
    Harness h;
    QWidget* window = h.runtime.window();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QWidget* display = h.runtime.widget({"Text1"});
    const auto pointAt = [&](QPoint local) {
        QCursor::setPos(window->mapToGlobal(local));
        QTest::mouseMove(window->windowHandle(), local);
    };
    const auto placeAt = [&](int index, QPoint topLeft) {
        h.runtime.load({"Command2", index});
        h.runtime.move({"Command2", index}, static_cast<float>(topLeft.x() * 15), static_cast<float>(topLeft.y() * 15));
        return h.runtime.widget({"Command2", index});
    };
    const QPoint onDisplay = display->geometry().center();
    pointAt(onDisplay);
    QTRY_VERIFY(display->underMouse());

    // Away from the pointer: the hover stays where it is until the pointer
    // comes over the new button.
    QWidget* away = placeAt(1, QPoint(0, display->geometry().bottom() + 20));
    QVERIFY(!away->geometry().contains(onDisplay));
    h.runtime.setVisible({"Command2", 1}, true);
    QVERIFY(display->underMouse());
    QVERIFY(!away->underMouse());
    pointAt(away->geometry().center());
    QTRY_VERIFY(away->underMouse());
    QVERIFY(!display->underMouse());

    // Under the pointer: the new button takes the hover at once, and does
    // so after any number of quiet shows.
    pointAt(onDisplay);
    QTRY_VERIFY(display->underMouse());
    for (int i = 2; i <= 20; ++i) {
        placeAt(i, QPoint(0, 0));
        h.runtime.setVisible({"Command2", i}, true);
    }
    QVERIFY(display->underMouse());
    QWidget* under = placeAt(21, onDisplay - QPoint(5, 5));
    h.runtime.setVisible({"Command2", 21}, true);
    QVERIFY(under->underMouse());
    QVERIFY(!display->underMouse());
}

void RuntimeTest::defaultErrorModeEndsTheHandlerAndReports()
{
    QtRuntime runtime;
    std::vector<rt::MessageBoxRequest> boxes;
    runtime.setMessageBoxHook([&](const rt::MessageBoxRequest& r) {
        boxes.push_back(r);
        return rt::vbOK;
    });
    ScriptedTarget target;
    bool reachedAfterFailure = false;
    target.handler = [&] {
        rt::HandlerRun run;
        run([&] { runtime.setCaption({"Command2", 5}, "x"); }); // no such element
        reachedAfterFailure = true;
    };
    runtime.start(target); // the load event fails
    QVERIFY(!reachedAfterFailure);
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].prompt, std::string("Run-time error '340':\r\nControl array element doesn't exist"));
    QCOMPARE(boxes[0].title, std::string("Abacoria"));
    // The program keeps running with nothing lost.
    QVERIFY(runtime.formLoaded());
    QVERIFY(runtime.window()->isVisible());
    target.handler = [&] { runtime.shell("C:\\Windows\\Clc.exe", rt::vbMaximizedFocus); };
    runtime.raise({rt::EventKind::Click, "Command1", -1});
    QCOMPARE(boxes.size(), std::size_t(2));
    QCOMPARE(boxes[1].prompt, std::string("Run-time error '53':\r\nFile not found"));
    QCOMPARE(target.runs, 2);
}

void RuntimeTest::resumeNextSkipsFailingStatements()
{
    Harness h;
    rt::HandlerRun run;
    run.resumeNext();
    std::vector<int> reached;
    run([&] { h.runtime.load({"Command2", 0}); reached.push_back(1); });
    run([&] { reached.push_back(2); });
    run([&] { h.runtime.setValue({"calc"}, 1e9f); reached.push_back(3); });
    run([&] { h.runtime.setValue({"calc"}, 10.0f); reached.push_back(4); });
    QCOMPARE(reached, (std::vector<int>{2, 4}));
    QCOMPARE(run.skippedStatements(), 2);
    // A new run starts in the default mode again.
    rt::HandlerRun next;
    QVERIFY(!next.resumingNext());
    QCOMPARE(errorNumberOf([&] { next([&] { h.runtime.load({"Command2", 0}); }); }), 360);
}

void RuntimeTest::resumeNextDoesNotOutliveTheWindow()
{
    Harness h;
    h.runtime.window()->close(); // refused: the banner was not clicked
    QVERIFY(h.runtime.formLoaded());
    // Force the unload path the close guard allows once the banner was clicked.
    h.runtime.setElementLimit(0);
    h.click("Label2");
    h.boxes.clear();
    h.runtime.window()->close();
    QVERIFY(!h.runtime.formLoaded());
    QCOMPARE(h.unloads, 1);
    rt::HandlerRun run;
    run.resumeNext();
    bool threw = false;
    try {
        run([&] { h.runtime.setVisible({"calc"}, true); });
    } catch (const rt::FormUnloaded&) {
        threw = true;
    }
    QVERIFY(threw);
    QCOMPARE(h.runtime.touchesAfterUnload(), 1);
}

void RuntimeTest::programStartRefusesWindowsPaths()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString marker = dir.filePath("ran");
    const QString script = "#!/bin/sh\ntouch '" + marker + "'\n";
    // Plant executables under the literal name in the current folder and on PATH.
    for (const QString& name : {QString("C:\\Windows\\Clc.exe"), QString("Clc.exe")}) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(script.toUtf8());
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QString oldCwd = QDir::currentPath();
    const QByteArray oldPath = qgetenv("PATH");
    QDir::setCurrent(dir.path());
    qputenv("PATH", dir.path().toUtf8() + ":" + oldPath);

    QtRuntime runtime;
    const int windowsPath = errorNumberOf([&] { runtime.shell("C:\\Windows\\Clc.exe", rt::vbMaximizedFocus); });
    const int relative = errorNumberOf([&] { runtime.shell("Clc.exe", rt::vbMaximizedFocus); });
    const int dotRelative = errorNumberOf([&] { runtime.shell("./Clc.exe", rt::vbMaximizedFocus); });
    const int notExecutable = errorNumberOf([&] { runtime.shell("/etc/hostname", rt::vbMaximizedFocus); });
    const int missing = errorNumberOf([&] { runtime.shell("/nonexistent/Clc.exe", rt::vbMaximizedFocus); });

    QDir::setCurrent(oldCwd);
    qputenv("PATH", oldPath);
    QCOMPARE(windowsPath, 53);
    QCOMPARE(relative, 53);
    QCOMPARE(dotRelative, 53);
    QCOMPARE(notExecutable, 53);
    QCOMPARE(missing, 53);
    // A started program would have left its mark by now; nothing may have run.
    QTest::qWait(300);
    QVERIFY(!QFile::exists(marker));
}

void RuntimeTest::programStartRunsAbsoluteExecutables()
{
    QTemporaryDir dir;
    const QString marker = dir.filePath("ran");
    const QString path = dir.filePath("prog");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(("#!/bin/sh\ntouch '" + marker + "'\n").toUtf8());
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QtRuntime runtime;
    const double task = runtime.shell(path.toStdString(), rt::vbMaximizedFocus);
    QVERIFY(task > 0);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);
}

void RuntimeTest::doEventsRunsPendingEventsAndTellsWhenTheWindowIsGone()
{
    Harness h;
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    QVERIFY(h.runtime.doEvents());
    QVERIFY(ran);
    // Make closing allowed, then let a pending close destroy the window during the pass.
    h.runtime.setElementLimit(0);
    h.click("Label2");
    QMetaObject::invokeMethod(h.runtime.window(), [&] { h.runtime.window()->close(); }, Qt::QueuedConnection);
    QVERIFY(!h.runtime.doEvents());
    QVERIFY(!h.runtime.formLoaded());
    QVERIFY(!h.runtime.window());
    QVERIFY(!h.runtime.doEvents());
    QCOMPARE(h.runtime.touchesAfterUnload(), 0);
}

ABACORIA_TEST_MAIN(RuntimeTest)
#include "test_runtime.moc"
