// What assistive technology is told about the window, asked in-process through
// Qt's accessibility interfaces (the AT-SPI test reads the same over the bus).
#include "Harness.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QtTest>

using namespace abacoria;

namespace {

// Records every event instead of handling it.
class RecordingTarget : public rt::EventTarget {
public:
    std::vector<rt::Event> events;
    void onEvent(const rt::Event& e, std::int16_t*) override
    {
        if (e.kind == rt::EventKind::Click)
            events.push_back(e);
    }
};

QAccessibleInterface* accessibleOf(QWidget* w)
{
    return w ? QAccessible::queryAccessibleInterface(w) : nullptr;
}

} // namespace

Q_DECLARE_METATYPE(QAccessible::Role)

class AccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void namesAndRoles_data();
    void namesAndRoles();
    void namesFollowCaptions();
    void pressingALabelClicksIt();
};

void AccessibilityTest::namesAndRoles_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QAccessible::Role>("role");

    // Digits speak as themselves; symbols get words.
    const char* digits = "1234567890";
    for (int i = 0; i < 10; ++i)
        QTest::addRow("digit %c", digits[i]) << "cmdButton" << i << QString(QChar(digits[i])) << QAccessible::Button;
    QTest::newRow("point") << "cmdButton" << 10 << "Point" << QAccessible::Button;
    QTest::newRow("plus") << "cmdOper" << 0 << "Plus" << QAccessible::Button;
    QTest::newRow("minus") << "cmdOper" << 1 << "Minus" << QAccessible::Button;
    QTest::newRow("divide") << "cmdOper" << 2 << "Divide" << QAccessible::Button;
    QTest::newRow("multiply") << "cmdOper" << 3 << "Multiply" << QAccessible::Button;
    QTest::newRow("equals") << "Command1" << -1 << "Equals" << QAccessible::Button;
    QTest::newRow("display") << "Text1" << -1 << "Display" << QAccessible::EditableText;
    QTest::newRow("prize") << "Label3" << -1 << "10000!!" << QAccessible::StaticText;
    QTest::newRow("sponsor line") << "Label4" << -1 << "Visit my sponsers.." << QAccessible::StaticText;
    QTest::newRow("banner") << "Label2" << -1 << "Click here to win solid  " << QAccessible::StaticText;
    QTest::newRow("progress caption") << "Label1" << -1 << "Calculation in progress" << QAccessible::StaticText;
    QTest::newRow("prize button") << "Command2" << 0 << "Click Me!" << QAccessible::Button;
}

void AccessibilityTest::namesAndRoles()
{
    QFETCH(QString, control);
    QFETCH(int, index);
    QFETCH(QString, name);
    QFETCH(QAccessible::Role, role);

    testing::Harness h(false);
    const std::string c = control.toStdString();
    QAccessibleInterface* iface = accessibleOf(h.runtime.widget({c, index}));
    QVERIFY(iface);
    QCOMPARE(iface->text(QAccessible::Name), name);
    QCOMPARE(iface->role(), role);

    QAccessibleInterface* window = accessibleOf(h.runtime.window());
    QCOMPARE(window->role(), QAccessible::Window);
    QCOMPARE(window->text(QAccessible::Name), QString("Abacoria"));
    QVERIFY(window->indexOfChild(iface) >= 0);
}

void AccessibilityTest::namesFollowCaptions()
{
    testing::Harness h;
    // The banner rotates its caption; its name goes with it, and so does the
    // word spoken for a key whose caption turns into a symbol.
    h.tick();
    h.tick();
    QAccessibleInterface* banner = accessibleOf(h.runtime.widget({"Label2"}));
    QCOMPARE(banner->text(QAccessible::Name), QString("Click here to win solid"));
    h.runtime.setCaption({"Label2"}, "No draws!!!");
    QCOMPARE(banner->text(QAccessible::Name), QString("No draws!!!"));

    QAccessibleInterface* key = accessibleOf(h.runtime.widget({"cmdButton", 0}));
    h.runtime.setCaption({"cmdButton", 0}, "*");
    QCOMPARE(key->text(QAccessible::Name), QString("Multiply"));
    h.runtime.setCaption({"cmdButton", 0}, "1");
    QCOMPARE(key->text(QAccessible::Name), QString("1"));

    // The display's name stays put while its text changes.
    h.click("cmdButton", 4);
    QAccessibleInterface* display = accessibleOf(h.runtime.widget({"Text1"}));
    QCOMPARE(display->text(QAccessible::Name), QString("Display"));
    QCOMPARE(display->text(QAccessible::Value), QString("5"));
}

void AccessibilityTest::pressingALabelClicksIt()
{
    qtbackend::QtRuntime runtime;
    RecordingTarget target;
    runtime.start(target);
    for (const char* label : {"Label2", "Label4"}) {
        QAccessibleActionInterface* action = accessibleOf(runtime.widget({label}))->actionInterface();
        QVERIFY(action);
        QVERIFY(action->actionNames().contains(QAccessibleActionInterface::pressAction()));
        action->doAction(QAccessibleActionInterface::pressAction());
    }
    QCOMPARE(target.events.size(), std::size_t(2));
    QCOMPARE(target.events[0].control, std::string_view("Label2"));
    QCOMPARE(target.events[1].control, std::string_view("Label4"));
}

ABACORIA_TEST_MAIN(AccessibilityTest)
#include "test_accessibility.moc"
