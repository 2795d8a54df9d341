#include "Harness.h"

#include "runtime/ClassicRandom.h"

#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include <cmath>

using namespace abacoria;
using testing::Harness;

namespace {

const std::string prize = "You have just won 100000 command buttons for your desktop!!!";
constexpr int buttons = 10000;

QRect geometryOf(Harness& h, const char* name, int index = -1) { return h.runtime.widget({name, index})->geometry(); }

// Where the flood must put each button: two draws per button, x then y,
// times the client size in twips, as 32-bit floats.
std::vector<QPoint> expectedPositions(rt::ClassicRandom& random, QSize client, int count)
{
    const float width = static_cast<float>(client.width() * 15);
    const float height = static_cast<float>(client.height() * 15);
    std::vector<QPoint> out;
    for (int i = 0; i < count; ++i) {
        const float x = std::floor(random.next() * width);
        const float y = std::floor(random.next() * height);
        out.emplace_back(qRound(x / 15.0), qRound(y / 15.0));
    }
    return out;
}

// Stored controls and their geometry, to check nothing of the layout moves.
std::vector<std::pair<QWidget*, QRect>> storedGeometry(Harness& h)
{
    std::vector<std::pair<QWidget*, QRect>> out;
    for (QObject* child : h.runtime.window()->children())
        if (auto* w = qobject_cast<QWidget*>(child))
            out.emplace_back(w, w->geometry());
    return out;
}

// Runs f on the n-th event pass of whatever handler is letting events run.
class OnPass : public QObject {
public:
    OnPass(int n, std::function<void()> f)
        : n_(n)
        , f_(std::move(f))
    {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (++passes_ == n_) {
                timer_.stop();
                f_();
            }
        });
        timer_.start();
    }

private:
    int n_;
    int passes_ = 0;
    std::function<void()> f_;
    QTimer timer_;
};

} // namespace

class FloodTest : public QObject {
    Q_OBJECT

private slots:
    void floodsTheMaximizedWindow();
    void secondClickRepositionsEveryButton();
    void creationFailuresAreSkipped();
    void closingDuringTheFlood();
    void nestedBannerClickDuringTheFlood();
    void runTimeButtonsLookLikeTheTemplate();
};

void FloodTest::floodsTheMaximizedWindow()
{
    Harness h;
    h.runtime.timer()->stop();
    const auto stored = storedGeometry(h);
    h.click("Label2");

    QCOMPARE(h.boxes.size(), std::size_t(1));
    QCOMPARE(h.boxes[0].prompt, prize);
    QCOMPARE(h.boxes[0].title, std::string("Abacoria"));
    QCOMPARE(h.boxes[0].buttons, rt::vbOKOnly);
    QCOMPARE(h.form.state().AdClicked, rt::vbTrue);
    QWidget* window = h.runtime.window();
    QVERIFY(window->windowState() & Qt::WindowMaximized);
    QVERIFY(window->width() > 185 && window->height() > 281);

    rt::ClassicRandom random;
    const auto positions = expectedPositions(random, window->size(), buttons);
    const QSize templateSize = geometryOf(h, "Command2", 0).size();
    const QObjectList& order = window->children();
    const qsizetype firstFlood = order.size() - buttons;
    for (int i = 1; i <= buttons; ++i) {
        auto* b = qobject_cast<QPushButton*>(h.runtime.widget({"Command2", i}));
        QVERIFY(b);
        QCOMPARE(b->text(), QString("Click Me!"));
        QVERIFY(b->isVisible());
        QCOMPARE(b->geometry(), QRect(positions[std::size_t(i - 1)], templateSize));
        // Each new button went to the front, above all earlier ones.
        QCOMPARE(order.at(firstFlood + i - 1), b);
    }
    QVERIFY(!h.runtime.widget({"Command2", buttons + 1}));
    QVERIFY(!h.runtime.visible({"Command2", 0}));
    for (const auto& [w, rect] : stored)
        QCOMPARE(w->geometry(), rect);
    // The prize buttons do nothing.
    const std::string display = h.display();
    qobject_cast<QPushButton*>(h.runtime.widget({"Command2", 42}))->click();
    QCOMPARE(h.boxes.size(), std::size_t(1));
    QCOMPARE(h.display(), display);
}

void FloodTest::secondClickRepositionsEveryButton()
{
    // Repositioning repaints beneath each button's old place; a thousand
    // buttons show the behaviour at a fraction of the cost.
    constexpr int created = 1000;
    Harness h;
    h.runtime.timer()->stop();
    h.runtime.setElementLimit(created);
    h.click("Label2");
    h.click("Label2");
    QCOMPARE(h.boxes.size(), std::size_t(2));
    QCOMPARE(h.boxes[1].prompt, prize);
    QWidget* window = h.runtime.window();
    rt::ClassicRandom random;
    expectedPositions(random, window->size(), buttons); // the first run's draws
    const auto positions = expectedPositions(random, window->size(), buttons);
    const QObjectList& order = window->children();
    const qsizetype firstFlood = order.size() - created;
    QCOMPARE(order.size(), qsizetype(26 + created)); // 25 stored widgets, the timer, the buttons
    for (int i = 1; i <= created; ++i) {
        QWidget* b = h.runtime.widget({"Command2", i});
        QCOMPARE(b->pos(), positions[std::size_t(i - 1)]);
        QVERIFY(b->isVisible());
        QCOMPARE(order.at(firstFlood + i - 1), b);
    }
    QVERIFY(!h.runtime.widget({"Command2", created + 1}));
    // The repaints gathered while they moved leave the screen showing what a
    // fresh paint of the window shows.
    const auto onScreen = [&] {
        return window->screen()->grabWindow(window->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    };
    QTRY_COMPARE(onScreen(), window->grab().toImage().convertToFormat(QImage::Format_RGB32));
}

void FloodTest::creationFailuresAreSkipped()
{
    Harness h;
    h.runtime.timer()->stop();
    h.runtime.setElementLimit(100);
    h.click("Label2");
    QVERIFY(h.runtime.widget({"Command2", 100}));
    QVERIFY(!h.runtime.widget({"Command2", 101}));
    QVERIFY(!h.runtime.widget({"Command2", buttons}));
    // No error box, and the loop still ran to the end: two draws per button.
    QCOMPARE(h.boxes.size(), std::size_t(1));
    rt::ClassicRandom random;
    for (int i = 0; i < 2 * buttons; ++i)
        random.next();
    QCOMPARE(h.runtime.rnd(), random.next());
    QCOMPARE(h.form.state().AdClicked, rt::vbTrue);
}

void FloodTest::closingDuringTheFlood()
{
    Harness h;
    QPointer<QWidget> window = h.runtime.window();
    QPointer<QWidget> early;
    OnPass closer(500, [&] {
        early = h.runtime.widget({"Command2", 3});
        window->close();
    });
    h.click("Label2");

    QCOMPARE(h.boxes.size(), std::size_t(3));
    QCOMPARE(h.boxes[1].prompt, std::string("Hope you had FUN ;-)"));
    QVERIFY(h.boxes[2].prompt.rfind("Direct all insults to ", 0) == 0);
    QCOMPARE(h.unloads, 1);
    QVERIFY(!h.runtime.formLoaded());
    QCOMPARE(h.runtime.touchesAfterUnload(), 0);
    QCOMPARE(h.runtime.handlerDepth(), 0);
    QVERIFY(early);
    // The window and its buttons are destroyed once the delivery has unwound.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!window);
    QVERIFY(!early);
}

void FloodTest::nestedBannerClickDuringTheFlood()
{
    Harness h;
    h.runtime.timer()->stop();
    int depthOfSecondAnnouncement = 0;
    h.onBox = [&](const rt::MessageBoxRequest&) {
        if (h.boxes.size() == 2)
            depthOfSecondAnnouncement = h.runtime.handlerDepth();
    };
    constexpr int created = 2000;
    h.runtime.setElementLimit(created);
    OnPass nested(100, [&] { h.click("Label2"); });
    h.click("Label2");
    QCOMPARE(h.boxes.size(), std::size_t(2));
    QCOMPARE(depthOfSecondAnnouncement, 2);
    for (int i = 1; i <= created; ++i)
        QVERIFY(h.runtime.widget({"Command2", i}));
    QVERIFY(!h.runtime.widget({"Command2", created + 1}));
    // Both runs drew two numbers for each of their 10000 turns.
    rt::ClassicRandom random;
    for (int i = 0; i < 4 * buttons; ++i)
        random.next();
    QCOMPARE(h.runtime.rnd(), random.next());
    QVERIFY(h.runtime.formLoaded());
}

void FloodTest::runTimeButtonsLookLikeTheTemplate()
{
    // Run-time buttons copy one picture of their look instead of drawing
    // themselves; the template still draws itself, so the two must agree.
    Harness h;
    h.runtime.timer()->stop();
    const QImage expected = h.runtime.widget({"Command2", 0})->grab().toImage();
    for (int i = 1; i <= 2; ++i) { // the first draws the picture, the second reuses it
        h.runtime.load({"Command2", i});
        QCOMPARE(h.runtime.widget({"Command2", i})->grab().toImage(), expected);
    }
}

ABACORIA_TEST_MAIN(FloodTest)
#include "test_flood.moc"
