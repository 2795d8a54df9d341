#include "Harness.h"

#include <QLineEdit>
#include <QtTest>

using namespace abacoria;
using testing::Harness;

namespace {

// The cmdButton element that carries a caption.
int keyIndex(char caption)
{
    return caption == '.' ? 10 : caption == '0' ? 9 : caption - '1';
}

} // namespace

class KeypadTest : public QObject {
    Q_OBJECT

private slots:
    void digitAndPointKeys_data();
    void digitAndPointKeys();
    void keySequences_data();
    void keySequences();
    void operatorKeysOnlyReset_data();
    void operatorKeysOnlyReset();
    void overflowReportsAndKeepsTheDisplay();
    void badInput_data();
    void badInput();
};

void KeypadTest::digitAndPointKeys_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("after");

    QTest::newRow("0 then 7") << "0" << "7" << "7";
    QTest::newRow("7 then 5") << "7" << "5" << "75";
    QTest::newRow("0 then 0") << "0" << "0" << "0";
    QTest::newRow("0 then point") << "0" << "." << ".";
    QTest::newRow("point then 5") << "." << "5" << "5";
    QTest::newRow("1 then point") << "1" << "." << "1.";
    QTest::newRow("1. then 5") << "1." << "5" << "1.5";
    QTest::newRow("1. then point") << "1." << "." << "1..";
    QTest::newRow("typed 0.0 then 4") << "0.0" << "4" << "4";
    QTest::newRow("typed 000 then 4") << "000" << "4" << "4";
    QTest::newRow("typed abc then 4") << "abc" << "4" << "4";
    QTest::newRow("typed 12abc then 3") << "12abc" << "3" << "12abc3";
    QTest::newRow("empty then 9") << "" << "9" << "9";
    QTest::newRow("negative keeps") << "-2" << "8" << "-28";
    QTest::newRow("1 2 with a blank") << "1 2" << "1" << "1 21";
}

void KeypadTest::digitAndPointKeys()
{
    QFETCH(QString, before);
    QFETCH(QString, key);
    QFETCH(QString, after);
    Harness h;
    h.runtime.setText({"Text1"}, before.toStdString());
    h.click("cmdButton", keyIndex(key.toLatin1().at(0)));
    QCOMPARE(QString::fromStdString(h.display()), after);
    QVERIFY(h.boxes.empty());
}

void KeypadTest::keySequences_data()
{
    QTest::addColumn<QString>("keys"); // digits and points are cmdButton, + - / * are cmdOper
    QTest::addColumn<QString>("display");

    QTest::newRow("digits") << "123" << "123";
    QTest::newRow("operator resets, nothing remembered") << "1+2" << "2";
    QTest::newRow("no leading zero and point") << "0.5" << "5";
    QTest::newRow("every digit") << "1234567890" << "1234567890";
    QTest::newRow("operator at the end") << "98*" << "0";
    QTest::newRow("points pile up") << "3..." << "3...";
}

void KeypadTest::keySequences()
{
    QFETCH(QString, keys);
    QFETCH(QString, display);
    Harness h;
    const QString operators = "+-/*";
    for (QChar k : keys) {
        const int op = operators.indexOf(k);
        if (op >= 0)
            h.click("cmdOper", op);
        else
            h.click("cmdButton", keyIndex(k.toLatin1()));
    }
    QCOMPARE(QString::fromStdString(h.display()), display);
    // What the user sees is what the handlers wrote.
    QCOMPARE(qobject_cast<QLineEdit*>(h.runtime.widget({"Text1"}))->text(), display);
}

void KeypadTest::operatorKeysOnlyReset_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("before");
    QTest::newRow("+ on a number") << 0 << "12.5";
    QTest::newRow("- on text") << 1 << "hello";
    QTest::newRow("/ on empty") << 2 << "";
    QTest::newRow("* on an overflowing value") << 3 << "1e999";
}

void KeypadTest::operatorKeysOnlyReset()
{
    QFETCH(int, index);
    QFETCH(QString, before);
    Harness h;
    h.runtime.setText({"Text1"}, before.toStdString());
    h.click("cmdOper", index);
    QCOMPARE(h.display(), std::string("0"));
    QVERIFY(h.boxes.empty());
}

void KeypadTest::overflowReportsAndKeepsTheDisplay()
{
    Harness h;
    h.runtime.setText({"Text1"}, "1e400");
    h.click("cmdButton", keyIndex('5'));
    QCOMPARE(h.display(), std::string("1e400"));
    QCOMPARE(h.boxes.size(), std::size_t(1));
    QCOMPARE(h.boxes[0].prompt, std::string("Run-time error '6':\r\nOverflow"));
    QCOMPARE(h.boxes[0].title, std::string("Abacoria"));
    QCOMPARE(h.boxes[0].buttons, rt::vbOKOnly);
    // The program goes on: the window is there and the keys still work.
    QVERIFY(h.runtime.formLoaded());
    h.click("cmdOper", 0);
    h.click("cmdButton", keyIndex('7'));
    QCOMPARE(h.display(), std::string("7"));
}

void KeypadTest::badInput_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<int>("outcome");
    enum { appends, clearsFirst, errorBox };

    QTest::newRow("a megabyte of digits") << QByteArray("1." + QByteArray(1 << 20, '9')) << int(appends);
    QTest::newRow("a megabyte of zeros") << QByteArray(1 << 20, '0') << int(clearsFirst);
    QTest::newRow("non-ASCII text") << QByteArray("\xc3\xa9t\xc3\xa9") << int(clearsFirst);
    QTest::newRow("number then non-ASCII") << QByteArray("2\xe2\x82\xac") << int(appends);
    QTest::newRow("control characters") << QByteArray("\x01\x02") << int(clearsFirst);
    QTest::newRow("line break inside the number") << QByteArray("4\n2") << int(appends);
    QTest::newRow("beyond the double range") << QByteArray("9" + QByteArray(400, '9')) << int(errorBox);
    QTest::newRow("a megabyte beyond the range") << QByteArray(1 << 20, '8') << int(errorBox);
}

void KeypadTest::badInput()
{
    QFETCH(QByteArray, before);
    QFETCH(int, outcome);
    Harness h;
    h.runtime.setText({"Text1"}, before.toStdString());
    const std::string stored = h.display();
    h.click("cmdButton", keyIndex('3'));
    switch (outcome) {
    case 0:
        QVERIFY(h.boxes.empty());
        QVERIFY(h.display() == stored + "3");
        break;
    case 1:
        QVERIFY(h.boxes.empty());
        QCOMPARE(h.display(), std::string("3"));
        break;
    default:
        QCOMPARE(h.boxes.size(), std::size_t(1));
        QCOMPARE(h.boxes[0].prompt, std::string("Run-time error '6':\r\nOverflow"));
        QVERIFY(h.display() == stored);
    }
    QVERIFY(h.runtime.formLoaded());
}

ABACORIA_TEST_MAIN(KeypadTest)
#include "test_keypad.moc"
