// The calculator on a Wayland compositor: the program's own runtime and
// handlers on Qt's wayland platform, with input delivered to the platform
// window the way the wayland input code delivers it, and a close request
// taken the way the compositor's close reaches the window. Started by
// run_wayland.sh with a compositor running; message boxes are answered by the
// harness so that nothing blocks.
#include "Harness.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QWindow>
#include <QtTest>

using namespace abacoria;
using testing::Harness;

namespace {

QPoint centreIn(QWidget* w, QWidget* window) { return w->mapTo(window, w->rect().center()); }

} // namespace

class WaylandDriver : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void windowIsMappedByTheCompositor();
    void keysChangeTheDisplay();
    void closeGuardRefusesTheClose();
};

void WaylandDriver::initTestCase()
{
    // Anything else would prove nothing about Wayland.
    QCOMPARE(QGuiApplication::platformName(), QString("wayland"));
}

void WaylandDriver::windowIsMappedByTheCompositor()
{
    Harness h;
    QWidget* window = h.runtime.window();
    // Exposure on Wayland waits for the compositor to configure the surface.
    QVERIFY(QTest::qWaitForWindowExposed(window, 10000));
    QCOMPARE(window->windowHandle()->title(), QString("Abacoria"));
    QCOMPARE(window->size(), QSize(185, 281));
    QVERIFY(h.runtime.widget({"Text1"})->isVisible());
}

void WaylandDriver::keysChangeTheDisplay()
{
    Harness h;
    QWidget* window = h.runtime.window();
    QVERIFY(QTest::qWaitForWindowExposed(window, 10000));
    QWindow* surface = window->windowHandle();

    // A mouse click on "7", through the platform window.
    QTest::mouseClick(surface, Qt::LeftButton, {}, centreIn(h.runtime.widget({"cmdButton", 6}), window));
    QTRY_COMPARE_WITH_TIMEOUT(h.display(), std::string("7"), 5000);
    // The keyboard, through the platform window (a headless compositor has
    // no keyboard to give the window focus, so keys go to the window
    // directly): the clicked key has the focus, Space presses it again, Tab
    // moves on to "8".
    QCOMPARE(window->focusWidget(), h.runtime.widget({"cmdButton", 6}));
    QTest::keyClick(surface, Qt::Key_Space);
    QTRY_COMPARE_WITH_TIMEOUT(h.display(), std::string("77"), 5000);
    QTest::keyClick(surface, Qt::Key_Tab);
    QTest::keyClick(surface, Qt::Key_Space);
    QTRY_COMPARE_WITH_TIMEOUT(h.display(), std::string("778"), 5000);
    // An operator resets it.
    QTest::mouseClick(surface, Qt::LeftButton, {}, centreIn(h.runtime.widget({"cmdOper", 0}), window));
    QTRY_COMPARE_WITH_TIMEOUT(h.display(), std::string("0"), 5000);
    QCOMPARE(qobject_cast<QLineEdit*>(h.runtime.widget({"Text1"}))->text(), QString("0"));
}

void WaylandDriver::closeGuardRefusesTheClose()
{
    Harness h;
    QWidget* window = h.runtime.window();
    QVERIFY(QTest::qWaitForWindowExposed(window, 10000));
    QWindow* surface = window->windowHandle();

    // What the wayland platform does on the compositor's close request.
    QVERIFY(!surface->close());
    QCOMPARE(h.boxes.size(), std::size_t(1));
    QCOMPARE(h.boxes[0].prompt, std::string("You HAVE to click my sponser's ad"));
    QCOMPARE(h.unloads, 0);
    QVERIFY(h.runtime.formLoaded());
    QVERIFY(window->isVisible());

    // Still mapped and still answering: a click after the refused close
    // reaches the keypad.
    QTest::mouseClick(surface, Qt::LeftButton, {}, centreIn(h.runtime.widget({"cmdButton", 1}), window));
    QTRY_COMPARE_WITH_TIMEOUT(h.display(), std::string("2"), 5000);
    QVERIFY(surface->isExposed());

    // Once the banner has been clicked the same request closes the window.
    // No prize buttons can be made here: the flood is not what is tested.
    h.runtime.timer()->stop();
    h.runtime.setElementLimit(0);
    QTest::mouseClick(surface, Qt::LeftButton, {}, centreIn(h.runtime.widget({"Label2"}), window));
    QTRY_VERIFY_WITH_TIMEOUT(h.form.state().AdClicked == rt::vbTrue, 5000);
    QCOMPARE(h.boxes[1].prompt, std::string("You have just won 100000 command buttons for your desktop!!!"));
    const std::size_t before = h.boxes.size();
    surface->close();
    QCOMPARE(h.unloads, 1);
    QCOMPARE(h.boxes.size(), before + 2);
    QCOMPARE(h.boxes[before].prompt, std::string("Hope you had FUN ;-)"));
    QVERIFY(!h.runtime.formLoaded());
}

ABACORIA_TEST_MAIN(WaylandDriver)
#include "wayland_driver.moc"
