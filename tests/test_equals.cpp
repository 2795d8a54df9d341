#include "Harness.h"

#include <QProgressBar>
#include <QtTest>

using namespace abacoria;
using testing::Harness;

namespace {

const std::string question = "This operation will take a long time to finish,continue?";
const std::string nuts = "Gone nuts? 'Long time' means about two days\r\n.. Even if you have the time I haven't.. Sorry!";
const std::string hell = "Go to hell! You are best suited to MS stupid calc!";

QProgressBar* bar(Harness& h) { return qobject_cast<QProgressBar*>(h.runtime.widget({"calc"})); }

// Makes the close guard let the window go, without a flood.
void clickBannerCheaply(Harness& h)
{
    h.runtime.setElementLimit(0);
    h.click("Label2");
    h.boxes.clear();
}

} // namespace

class EqualsTest : public QObject {
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
    void countsEveryValueAndShowsTheAreaMeanwhile();
    void secondRunShowsAFullBarFirst();
    void nestedRunFinishesFirst();
    void closeRefusedWhileTheQuestionIsOpen();
    void closeAllowedWhileTheQuestionIsOpen();
};

void EqualsTest::answers_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("startFails");
    QTest::addColumn<QString>("secondPrompt");
    QTest::addColumn<QString>("secondTitle");
    QTest::addColumn<int>("starts");

    QTest::newRow("Yes") << rt::vbYes << true << QString::fromStdString(nuts) << "Yell!" << 0;
    QTest::newRow("No, start fails") << rt::vbNo << true << QString::fromStdString(hell) << "Yell" << 1;
    QTest::newRow("No, start succeeds") << rt::vbNo << false << QString::fromStdString(hell) << "Yell" << 1;
}

void EqualsTest::answers()
{
    QFETCH(int, answer);
    QFETCH(bool, startFails);
    QFETCH(QString, secondPrompt);
    QFETCH(QString, secondTitle);
    QFETCH(int, starts);
    Harness h;
    h.runtime.setText({"Text1"}, "12+");
    h.startFails = startFails;
    h.answers = {answer};
    h.click("Command1");

    QCOMPARE(h.boxes.size(), std::size_t(2));
    QCOMPARE(h.boxes[0].prompt, question);
    QCOMPARE(h.boxes[0].buttons, rt::vbYesNo);
    QCOMPARE(h.boxes[0].title, std::string("Abacoria"));
    QCOMPARE(QString::fromStdString(h.boxes[1].prompt), secondPrompt);
    QCOMPARE(h.boxes[1].buttons, rt::vbOKOnly);
    QCOMPARE(QString::fromStdString(h.boxes[1].title), secondTitle);
    QCOMPARE(int(h.starts.size()), starts);
    if (starts) {
        QCOMPARE(h.starts[0].path, std::string("C:\\Windows\\Clc.exe"));
        QCOMPARE(h.starts[0].windowStyle, 3);
    }
    // The progress area is hidden again, whatever the start did, and the
    // display was never touched.
    QVERIFY(!h.runtime.visible({"calc"}));
    QVERIFY(!h.runtime.visible({"Label1"}));
    QCOMPARE(h.display(), std::string("12+"));
    QVERIFY(h.runtime.formLoaded());
}

void EqualsTest::countsEveryValueAndShowsTheAreaMeanwhile()
{
    Harness h;
    std::vector<int> values;
    values.reserve(250000);
    QObject::connect(bar(h), &QProgressBar::valueChanged, [&](int v) { values.push_back(v); });
    bool shownAtPass = false;
    // Already waiting when the handler lets events run.
    QMetaObject::invokeMethod(h.runtime.window(), [&] {
        shownAtPass = h.runtime.visible({"calc"}) && h.runtime.visible({"Label1"}) && values.empty();
    }, Qt::QueuedConnection);
    bool shownAtQuestion = false;
    h.onBox = [&](const rt::MessageBoxRequest& r) {
        if (r.prompt == question)
            shownAtQuestion = bar(h)->isVisible() && bar(h)->value() == 250000;
    };
    h.click("Command1");
    QVERIFY(shownAtPass);
    QVERIFY(shownAtQuestion);
    QCOMPARE(values.size(), std::size_t(250000));
    QCOMPARE(values.front(), 1);
    QCOMPARE(values.back(), 250000);
    for (std::size_t i = 1; i < values.size(); ++i)
        if (values[i] != values[i - 1] + 1)
            QFAIL("the count skipped or repeated a value");
    QCOMPARE(bar(h)->value(), 250000); // kept after hiding
}

void EqualsTest::secondRunShowsAFullBarFirst()
{
    Harness h;
    h.click("Command1");
    int valueWhenShown = -1;
    QMetaObject::invokeMethod(h.runtime.window(), [&] { valueWhenShown = bar(h)->value(); }, Qt::QueuedConnection);
    int firstChange = -1;
    QObject::connect(bar(h), &QProgressBar::valueChanged, [&](int v) {
        if (firstChange < 0)
            firstChange = v;
    });
    h.click("Command1");
    QCOMPARE(valueWhenShown, 250000);
    QCOMPARE(firstChange, 1);
    QCOMPARE(h.boxes.size(), std::size_t(4));
}

void EqualsTest::nestedRunFinishesFirst()
{
    Harness h;
    h.answers = {rt::vbNo, rt::vbOK, rt::vbYes, rt::vbOK}; // inner run answers No, outer Yes
    std::vector<int> depthAtBox;
    h.onBox = [&](const rt::MessageBoxRequest&) { depthAtBox.push_back(h.runtime.handlerDepth()); };
    int countsBeforeInnerQuestion = 0;
    int changes = 0;
    QObject::connect(bar(h), &QProgressBar::valueChanged, [&](int) { ++changes; });
    // A second click on "=" already waiting at the first run's event pass.
    QMetaObject::invokeMethod(h.runtime.window(), [&] {
        countsBeforeInnerQuestion = changes;
        h.click("Command1");
    }, Qt::QueuedConnection);
    h.click("Command1");

    QCOMPARE(countsBeforeInnerQuestion, 0); // the outer run had not counted yet
    QCOMPARE(h.boxes.size(), std::size_t(4));
    QCOMPARE(h.boxes[0].prompt, question);
    QCOMPARE(h.boxes[1].prompt, hell); // the nested run's whole sequence first
    QCOMPARE(h.boxes[2].prompt, question);
    QCOMPARE(h.boxes[3].prompt, nuts);
    QCOMPARE(depthAtBox, (std::vector<int>{2, 2, 1, 1}));
    QCOMPARE(h.starts.size(), std::size_t(1));
    QCOMPARE(changes, 500000);
    QVERIFY(!h.runtime.visible({"calc"}));
}

void EqualsTest::closeRefusedWhileTheQuestionIsOpen()
{
    Harness h;
    bool closedOnce = false;
    h.onBox = [&](const rt::MessageBoxRequest& r) {
        if (r.prompt == question && !closedOnce) {
            closedOnce = true;
            h.runtime.window()->close();
        }
    };
    h.answers = {rt::vbOK, rt::vbYes, rt::vbOK}; // the refusal is answered before the question
    h.click("Command1");
    QCOMPARE(h.boxes.size(), std::size_t(3));
    QCOMPARE(h.boxes[1].prompt, std::string("You HAVE to click my sponser's ad"));
    QCOMPARE(h.boxes[2].prompt, nuts);
    QVERIFY(h.runtime.formLoaded());
    QVERIFY(!h.runtime.visible({"calc"}));
}

void EqualsTest::closeAllowedWhileTheQuestionIsOpen()
{
    Harness h;
    clickBannerCheaply(h);
    h.onBox = [&](const rt::MessageBoxRequest& r) {
        if (r.prompt == question)
            h.runtime.window()->close();
    };
    h.answers = {rt::vbNo, rt::vbOK, rt::vbOK};
    h.click("Command1");
    // The farewells, then the window is gone and the handler stopped without
    // touching it or starting anything.
    QCOMPARE(h.boxes.size(), std::size_t(3));
    QCOMPARE(h.boxes[1].prompt, std::string("Hope you had FUN ;-)"));
    QCOMPARE(h.unloads, 1);
    QVERIFY(!h.runtime.formLoaded());
    QVERIFY(h.starts.empty());
    QCOMPARE(h.runtime.touchesAfterUnload(), 0);
    QCOMPARE(h.runtime.handlerDepth(), 0);
}

ABACORIA_TEST_MAIN(EqualsTest)
#include "test_equals.moc"
