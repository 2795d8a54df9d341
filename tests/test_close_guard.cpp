#include "Harness.h"

#include <QPointer>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

using namespace abacoria;
using testing::Harness;

class CloseGuardTest : public QObject {
    Q_OBJECT

private slots:
    void refusesUntilTheBannerWasClicked();
    void saysGoodbyeTwiceAndEnds();
};

void CloseGuardTest::refusesUntilTheBannerWasClicked()
{
    Harness h;
    QWidget* window = h.runtime.window();
    for (int attempt = 1; attempt <= 3; ++attempt) {
        window->close();
        QCOMPARE(h.boxes.size(), std::size_t(attempt));
        QCOMPARE(h.boxes.back().prompt, std::string("You HAVE to click my sponser's ad"));
        QCOMPARE(h.boxes.back().title, std::string("Abacoria"));
        QCOMPARE(h.boxes.back().buttons, rt::vbOKOnly);
        QVERIFY(window->isVisible());
        QVERIFY(h.runtime.formLoaded());
    }
    QCOMPARE(h.unloads, 0);
    // Everything carries on: the banner still ticks, the keys still work.
    QVERIFY(h.runtime.timer()->isActive());
    h.click("cmdButton", 6);
    QCOMPARE(h.display(), std::string("7"));
}

void CloseGuardTest::saysGoodbyeTwiceAndEnds()
{
    Harness h;
    h.runtime.setElementLimit(50);
    h.click("Label2");
    QPointer<QWidget> window = h.runtime.window();
    QPointer<QWidget> prizeButton = h.runtime.widget({"Command2", 50});
    QVERIFY(prizeButton);
    h.boxes.clear();

    window->close();
    QCOMPARE(h.boxes.size(), std::size_t(2));
    QCOMPARE(h.boxes[0].prompt, std::string("Hope you had FUN ;-)"));
    QCOMPARE(h.boxes[0].title, std::string("Abacoria"));
    // The contact is ours to choose, on a domain reserved for examples.
    const QRegularExpression farewell(
        "^Direct all insults to [^@\\s]+@([a-z0-9-]+\\.)*example\\.(org|com|net)\r\nor post in the DuraZude$");
    QVERIFY2(farewell.match(QString::fromStdString(h.boxes[1].prompt)).hasMatch(), h.boxes[1].prompt.c_str());
    QCOMPARE(h.boxes[1].buttons, rt::vbOKOnly);
    QCOMPARE(h.unloads, 1);
    QVERIFY(!h.runtime.formLoaded());
    QVERIFY(!h.runtime.timer()->isActive());
    QVERIFY(!window->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!window);
    QVERIFY(!prizeButton);
    // A second close request after the end does nothing.
    QCOMPARE(h.unloads, 1);
}

ABACORIA_TEST_MAIN(CloseGuardTest)
#include "test_close_guard.moc"
