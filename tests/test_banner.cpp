#include "Harness.h"

#include <QTimer>
#include <QtTest>

using namespace abacoria;
using testing::Harness;

class BannerTest : public QObject {
    Q_OBJECT

private slots:
    void tickTable_data();
    void tickTable();
    void timerRunsFromTheStart();
    void trailingBlanksGoOnTheFirstChange();
};

void BannerTest::tickTable_data()
{
    QTest::addColumn<int>("ticks");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<double>("bannerIndex");
    QTest::addColumn<bool>("prizeShown");

    const QString solid = "Click here to win solid";
    QTest::newRow("tick 1") << 1 << solid + "  " << 0.0 << false;
    QTest::newRow("tick 2") << 2 << solid << 1.0 << true;
    QTest::newRow("tick 3") << 3 << solid << 1.0 << false;
    QTest::newRow("tick 4") << 4 << solid << 2.0 << true;
    QTest::newRow("tick 5") << 5 << solid << 2.0 << false;
    QTest::newRow("tick 6") << 6 << "No draws!!!" << 3.0 << true;
    QTest::newRow("tick 7") << 7 << "No draws!!!" << 3.0 << false;
    QTest::newRow("tick 8") << 8 << "Just click 'n' win!" << 0.0 << true;
    QTest::newRow("tick 9") << 9 << "Just click 'n' win!" << 0.0 << false;
    QTest::newRow("tick 10") << 10 << solid << 1.0 << true;
    QTest::newRow("tick 16, second period") << 16 << "Just click 'n' win!" << 0.0 << true;
    QTest::newRow("tick 17") << 17 << "Just click 'n' win!" << 0.0 << false;
}

void BannerTest::tickTable()
{
    QFETCH(int, ticks);
    QFETCH(QString, caption);
    QFETCH(double, bannerIndex);
    QFETCH(bool, prizeShown);
    Harness h;
    h.runtime.timer()->stop(); // the test is the clock
    for (int i = 0; i < ticks; ++i) {
        h.tick();
        // The index only ever takes 0 to 3.
        QVERIFY(h.form.state().BannerIndex >= 0 && h.form.state().BannerIndex <= 3);
    }
    QCOMPARE(QString::fromStdString(h.runtime.caption({"Label2"})), caption);
    QCOMPARE(h.form.state().BannerIndex, bannerIndex);
    QCOMPARE(h.form.state().BannerTick, rt::Boolean(ticks % 2 ? rt::vbTrue : rt::vbFalse));
    QCOMPARE(h.runtime.visible({"Label3"}), prizeShown);
    QVERIFY(h.boxes.empty());
}

void BannerTest::timerRunsFromTheStart()
{
    Harness h;
    QTimer* timer = h.runtime.timer();
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 500);
    // Real ticks on the GUI thread: the prize label blinks.
    const bool shown = h.runtime.visible({"Label3"});
    QTRY_COMPARE_WITH_TIMEOUT(h.runtime.visible({"Label3"}), !shown, 5000);
    QCOMPARE(h.runtime.caption({"Label2"}), std::string("Click here to win solid  "));
    QTRY_COMPARE_WITH_TIMEOUT(h.runtime.caption({"Label2"}), std::string("Click here to win solid"), 5000);
}

void BannerTest::trailingBlanksGoOnTheFirstChange()
{
    Harness h;
    h.runtime.timer()->stop();
    QWidget* banner = h.runtime.widget({"Label2"});
    const QRect before = banner->geometry();
    h.tick();
    QCOMPARE(banner->geometry(), before);
    h.tick();
    QCOMPARE(banner->pos(), before.topLeft());
    QVERIFY(banner->width() < before.width()); // same words, narrower
}

ABACORIA_TEST_MAIN(BannerTest)
#include "test_banner.moc"
