// What the window leaves behind: nothing. After the prize flood and the end
// of the window every widget is gone; in the sanitizer build LeakSanitizer
// must also find no unreachable memory at that point.
#include "Harness.h"

#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <memory>

#if defined(__SANITIZE_ADDRESS__)
#define ABACORIA_HAVE_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ABACORIA_HAVE_LSAN 1
#endif
#endif
#ifdef ABACORIA_HAVE_LSAN
#include <sanitizer/lsan_interface.h>
#endif

using namespace abacoria;
using testing::Harness;

namespace {

constexpr int wholePrize = 10000;

int liveWidgets() { return int(QApplication::allWidgets().size()); }

int prizeButtons(QWidget* window)
{
    int n = 0;
    for (QPushButton* b : window->findChildren<QPushButton*>())
        if (b->objectName().startsWith("Command2(") && !b->isHidden())
            ++n;
    return n;
}

// Unreachable memory right now, as LeakSanitizer counts it; 0 where the
// build has no LeakSanitizer.
int leakedNow()
{
#ifdef ABACORIA_HAVE_LSAN
    return __lsan_do_recoverable_leak_check();
#else
    return 0;
#endif
}

} // namespace

class LeaksTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void wholePrizeThenCloseLeavesNothing();
    void closeDuringTheFloodLeavesNothing();
    void manyWindowsLeaveNothing();

private:
    int baseline_ = 0;
};

void LeaksTest::initTestCase()
{
    // The first window loads fonts, styles and plugins for good: that is
    // the baseline, not a leak.
    {
        Harness warmUp;
        warmUp.runtime.setElementLimit(1);
        warmUp.click("Label2");
        warmUp.runtime.window()->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    baseline_ = liveWidgets();
    QCOMPARE(leakedNow(), 0);
}

void LeaksTest::wholePrizeThenCloseLeavesNothing()
{
    auto h = std::make_unique<Harness>();
    QPointer<QWidget> window = h->runtime.window();
    h->click("Label2"); // the hook answers OK
    QCOMPARE(h->form.state().AdClicked, rt::vbTrue);
    QCOMPARE(prizeButtons(window), wholePrize);
    QVERIFY(liveWidgets() >= baseline_ + wholePrize);

    window->close(); // allowed now
    QVERIFY(!h->runtime.formLoaded());
    QCOMPARE(h->unloads, 1);
    h.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!window);
    QCOMPARE(liveWidgets(), baseline_);
    QCOMPARE(leakedNow(), 0);
}

void LeaksTest::closeDuringTheFloodLeavesNothing()
{
    // The close arrives in one of the flood's event passes and ends the
    // window under the running handler; the widgets go as soon as the
    // handler has unwound, before the runtime itself is destroyed.
    Harness h;
    QPointer<QWidget> window = h.runtime.window();
    h.runtime.setElementLimit(300);
    int passes = 0;
    QObject context;
    std::function<void()> closeLater = [&] {
        if (++passes < 50 && h.runtime.formLoaded()) {
            QMetaObject::invokeMethod(&context, closeLater, Qt::QueuedConnection);
            return;
        }
        if (window)
            window->close();
    };
    QMetaObject::invokeMethod(&context, closeLater, Qt::QueuedConnection);
    h.click("Label2");
    QVERIFY(!h.runtime.formLoaded());
    QCOMPARE(h.runtime.touchesAfterUnload(), 0);
    QVERIFY(window); // still there while the delivery unwinds
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!window);
    QCOMPARE(liveWidgets(), baseline_);
    QCOMPARE(leakedNow(), 0);
}

void LeaksTest::manyWindowsLeaveNothing()
{
    for (int round = 0; round < 20; ++round) {
        {
            Harness h;
            h.runtime.setElementLimit(round * 5);
            h.click("cmdButton", round % 11);
            h.tick();
            if (round % 2 == 0) {
                h.click("Label2");
                h.runtime.window()->close();
                QVERIFY(!h.runtime.formLoaded());
            }
            // Odd rounds end with the window still up: destroying the
            // runtime takes it down.
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(liveWidgets(), baseline_);
    }
    QCOMPARE(leakedNow(), 0);
}

ABACORIA_TEST_MAIN(LeaksTest)
#include "test_leaks.moc"
