#include "Harness.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QProgressBar>
#include <QStyle>
#include <QPushButton>
#include <QtTest>

using namespace abacoria;
using testing::Harness;

namespace {

QWidget* control(Harness& h, const char* name, int index = -1)
{
    QWidget* w = h.runtime.widget({name, index});
    if (!w)
        qFatal("no control %s(%d)", name, index);
    return w;
}

int stackPosition(Harness& h, const char* name)
{
    return static_cast<int>(h.runtime.window()->children().indexOf(control(h, name)));
}

} // namespace

class LayoutTest : public QObject {
    Q_OBJECT

private slots:
    void window();
    void controls_data();
    void controls();
    void autoSizedLabels();
    void fontsReallyUsed_data();
    void fontsReallyUsed();
    void stacking();
    void overlapClickGoesToTheFrontLabel();
    void initialFocusAndTabOrder();
    void enterAndEscapeDoNothing();
    void bannerTextsStoredAtLoad();
};

void LayoutTest::window()
{
    Harness h;
    QWidget* w = h.runtime.window();
    QCOMPARE(w->windowTitle(), QString("Abacoria"));
    QCOMPARE(w->size(), QSize(185, 281));
    QCOMPARE(w->minimumSize(), w->maximumSize()); // the user cannot resize it
    QVERIFY(w->windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(w->windowFlags() & Qt::WindowMinimizeButtonHint));
    QCOMPARE(w->windowState(), Qt::WindowNoState);
    QCOMPARE(w->palette().color(QPalette::Window), QColor(255, 255, 128));
    QVERIFY(w->autoFillBackground());
    QCOMPARE(QApplication::style()->name(), QString("windows"));
}

void LayoutTest::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<QRect>("pixels");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QColor>("face"); // invalid: the style's own

    const QColor green(0, 255, 0), red(255, 0, 0), none;
    QTest::newRow("Command2(0)") << "Command2" << 0 << QRect(112, 200, 65, 33) << false << "Click Me!" << none;
    QTest::newRow("calc") << "calc" << -1 << QRect(8, 216, 169, 17) << false << "" << none;
    QTest::newRow("Text1") << "Text1" << -1 << QRect(16, 8, 153, 19) << true << "0" << none;
    QTest::newRow("Label4") << "Label4" << -1 << QRect(8, 240, 169, 17) << true << "Visit my sponsers.." << none;
    QTest::newRow("Label1") << "Label1" << -1 << QRect(8, 200, 169, 17) << false << "Calculation in progress" << none;
    QTest::newRow("Shape2") << "Shape2" << -1 << QRect(0, 256, 185, 25) << true << "" << none;
    QTest::newRow("Shape1") << "Shape1" << -1 << QRect(8, 16, 169, 177) << true << "" << none;
    QTest::newRow("=") << "Command1" << -1 << QRect(96, 152, 33, 33) << true << "=" << red;
    const char* digits[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "."};
    const QPoint digitAt[] = {{16, 32}, {56, 32}, {96, 32}, {16, 72}, {56, 72}, {96, 72},
                              {16, 112}, {56, 112}, {96, 112}, {16, 152}, {56, 152}};
    for (int i = 0; i <= 10; ++i)
        QTest::addRow("cmdButton(%d)", i) << "cmdButton" << i << QRect(digitAt[i], QSize(33, 33)) << true
                                          << digits[i] << green;
    const char* operators[] = {"+", "-", "/", "*"};
    for (int i = 0; i <= 3; ++i)
        QTest::addRow("cmdOper(%d)", i) << "cmdOper" << i << QRect(136, 32 + 40 * i, 33, 33) << true
                                        << operators[i] << none;
}

void LayoutTest::controls()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    QFETCH(QRect, pixels);
    QFETCH(bool, visible);
    QFETCH(QString, caption);
    QFETCH(QColor, face);
    Harness h;
    const std::string n = name.toStdString();
    QWidget* w = control(h, n.c_str(), index);
    QCOMPARE(w->geometry(), pixels);
    QCOMPARE(w->isVisible(), visible);
    QCOMPARE(h.runtime.visible({n, index}), visible);
    if (auto* b = qobject_cast<QPushButton*>(w)) {
        QCOMPARE(b->text(), caption);
        QCOMPARE(QString::fromStdString(h.runtime.caption({n, index})), caption);
        QCOMPARE(b->focusPolicy(), Qt::StrongFocus);
        if (face.isValid())
            QCOMPARE(b->palette().color(QPalette::Button), face);
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        QCOMPARE(edit->text(), caption);
    } else if (!caption.isEmpty()) {
        QCOMPARE(QString::fromStdString(h.runtime.caption({n, index})), caption);
    }
    if (auto* bar = qobject_cast<QProgressBar*>(w)) {
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 250000);
        QCOMPARE(bar->value(), 0);
        QVERIFY(!bar->isTextVisible());
    }
}

void LayoutTest::autoSizedLabels()
{
    Harness h;
    QWidget* banner = control(h, "Label2");
    QWidget* prize = control(h, "Label3");
    // Our look-alike fonts run a little narrower than the classic ones; the
    // labels keep their stored size for their stored captions.
    QCOMPARE(banner->geometry(), QRect(4, 260, 129, 14));
    QCOMPARE(prize->geometry(), QRect(128, 256, 53, 21));
    const QFontMetrics fm(banner->font());
    QVERIFY(banner->width() >= fm.horizontalAdvance("Click here to win solid  "));

    // A new caption re-sizes the label in proportion and keeps its top-left
    // corner; the two trailing blanks of the first caption counted.
    h.runtime.setCaption({"Label2"}, "Click here to win solid");
    QCOMPARE(banner->pos(), QPoint(4, 260));
    QVERIFY(banner->width() < 129);
    QVERIFY(banner->width() >= fm.horizontalAdvance("Click here to win solid"));
    QCOMPARE(banner->width(), qRound(129.0 * fm.horizontalAdvance("Click here to win solid")
                                     / fm.horizontalAdvance("Click here to win solid  ")));
    h.runtime.setCaption({"Label2"}, "No draws!!!");
    QCOMPARE(banner->pos(), QPoint(4, 260));
    QVERIFY(banner->width() < 80);
    QCOMPARE(banner->height(), 14);
    // Back to the stored caption, back to the stored size.
    h.runtime.setCaption({"Label2"}, "Click here to win solid  ");
    QCOMPARE(banner->geometry(), QRect(4, 260, 129, 14));
}

void LayoutTest::fontsReallyUsed_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("bold");
    QTest::newRow("Label2 Arial look-alike") << "Label2" << "Liberation Sans" << 8.25 << true;
    QTest::newRow("Label3 Comic look-alike") << "Label3" << "Comic Neue" << 11.25 << true;
    QTest::newRow("Label4 default face bold") << "Label4" << "Liberation Sans" << 8.25 << true;
    QTest::newRow("Label1 default face") << "Label1" << "Liberation Sans" << 8.25 << false;
    QTest::newRow("keys default face") << "Command1" << "Liberation Sans" << 8.25 << false;
    QTest::newRow("display default face") << "Text1" << "Liberation Sans" << 8.25 << false;
}

void LayoutTest::fontsReallyUsed()
{
    QFETCH(QString, name);
    QFETCH(QString, family);
    QFETCH(double, points);
    QFETCH(bool, bold);
    Harness h;
    const std::string n = name.toStdString();
    const QFontInfo info(control(h, n.c_str())->font());
    QCOMPARE(info.family(), family);
    QCOMPARE(info.bold(), bold);
    QVERIFY(qAbs(control(h, n.c_str())->font().pointSizeF() - points) < 0.01);
}

void LayoutTest::stacking()
{
    Harness h;
    // Surface controls, front to back in stored order, all beneath every windowed control.
    const char* surface[] = {"Label4", "Label3", "Label2", "Shape2", "Label1", "Shape1"};
    for (int i = 1; i < 6; ++i)
        QVERIFY2(stackPosition(h, surface[i - 1]) > stackPosition(h, surface[i]), surface[i]);
    const int topOfSurface = stackPosition(h, "Label4");
    const std::pair<const char*, int> windowed[] = {{"Text1", -1}, {"calc", -1}, {"Command1", -1},
                                                    {"cmdOper", 0}, {"cmdButton", 9}, {"Command2", 0}};
    for (const auto& [name, index] : windowed)
        QVERIFY2(h.runtime.window()->children().indexOf(control(h, name, index)) > topOfSurface, name);
    // The red banner shows above the background and the labels above it.
    QVERIFY(stackPosition(h, "Label2") > stackPosition(h, "Shape2"));
}

void LayoutTest::overlapClickGoesToTheFrontLabel()
{
    Harness h;
    h.runtime.setElementLimit(0); // the prize needs no buttons here
    QWidget* w = h.runtime.window();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    const QRect overlap = control(h, "Label2")->geometry() & control(h, "Label3")->geometry();
    QVERIFY2(!overlap.isEmpty(), "the prize label must overlap the banner text");
    const QPoint inOverlap = overlap.center();

    // Shown: the prize label takes the click, and it has no handler.
    QVERIFY(control(h, "Label3")->isVisible());
    QTest::mouseClick(w->windowHandle(), Qt::LeftButton, {}, inOverlap);
    QVERIFY(h.boxes.empty());

    // Hidden: the click reaches the banner text beneath it.
    h.runtime.setVisible({"Label3"}, false);
    QTest::mouseClick(w->windowHandle(), Qt::LeftButton, {}, inOverlap);
    QCOMPARE(h.boxes.size(), std::size_t(1));
    QCOMPARE(h.boxes[0].prompt, std::string("You have just won 100000 command buttons for your desktop!!!"));

    // Outside the overlap the banner text always takes it.
    h.boxes.clear();
    h.runtime.setVisible({"Label3"}, true);
    QTest::mouseClick(w->windowHandle(), Qt::LeftButton, {}, control(h, "Label2")->geometry().topLeft() + QPoint(5, 5));
    QCOMPARE(h.boxes.size(), std::size_t(1));
}

void LayoutTest::initialFocusAndTabOrder()
{
    Harness h;
    QWidget* w = h.runtime.window();
    QVERIFY(QTest::qWaitForWindowActive(w));
    QCOMPARE(QApplication::focusWidget(), control(h, "cmdButton", 0));

    // Ascending tab index over the controls that can take the focus.
    const std::vector<std::pair<const char*, int>> expected = {
        {"cmdButton", 1}, {"cmdButton", 2}, {"cmdButton", 3}, {"cmdButton", 4}, {"cmdButton", 5},
        {"cmdButton", 6}, {"cmdButton", 7}, {"cmdButton", 8}, {"cmdButton", 9}, {"Command1", -1},
        {"cmdOper", 0}, {"cmdOper", 1}, {"cmdOper", 2}, {"cmdOper", 3}, {"Text1", -1},
        {"cmdButton", 10}, {"cmdButton", 0}};
    for (const auto& [name, index] : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), control(h, name, index));
    }
}

void LayoutTest::enterAndEscapeDoNothing()
{
    Harness h;
    QVERIFY(QTest::qWaitForWindowActive(h.runtime.window()));
    for (const char* name : {"cmdButton", "Command1"}) {
        QWidget* key = control(h, name, name == std::string("cmdButton") ? 4 : -1);
        key->setFocus();
        QTest::keyClick(key, Qt::Key_Return);
        QTest::keyClick(key, Qt::Key_Enter);
        QTest::keyClick(key, Qt::Key_Escape);
    }
    QCOMPARE(h.display(), std::string("0"));
    QVERIFY(h.boxes.empty());
    QVERIFY(h.runtime.window()->isVisible());
}

void LayoutTest::bannerTextsStoredAtLoad()
{
    Harness h(false);
    QCOMPARE(h.form.state().BannerText[0], std::string());
    h.runtime.start(h.form);
    const auto& s = h.form.state();
    QCOMPARE(s.BannerIndex, 0.0);
    QCOMPARE(s.BannerTick, rt::vbFalse);
    QCOMPARE(s.AdClicked, rt::vbFalse);
    QCOMPARE(s.BannerText[0], std::string("Click here to win solid"));
    QCOMPARE(s.BannerText[1], s.BannerText[0]);
    QCOMPARE(s.BannerText[0].size(), std::size_t(23));
    QCOMPARE(s.BannerText[2], std::string("No draws!!!"));
    QCOMPARE(s.BannerText[3], std::string("Just click 'n' win!"));
    // Loading does not touch the banner's design-time caption.
    QCOMPARE(h.runtime.caption({"Label2"}), std::string("Click here to win solid  "));
}

ABACORIA_TEST_MAIN(LayoutTest)
#include "test_layout.moc"
