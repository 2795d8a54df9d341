// Hostile input reaching the display the ways a user has: typing, pasting
// and clicking the keys with the mouse, each kind in its own test.
#include "Harness.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

using namespace abacoria;
using testing::Harness;

namespace {

const std::string overflowBox = "Run-time error '6':\r\nOverflow";

enum Outcome { Appends, Clears, Overflows };

QLineEdit* display(Harness& h) { return qobject_cast<QLineEdit*>(h.runtime.widget({"Text1"})); }

// The key that carries a caption, clicked with the mouse.
void clickKey(Harness& h, char caption)
{
    const int index = caption == '.' ? 10 : caption == '0' ? 9 : caption - '1';
    QWidget* key = h.runtime.widget({"cmdButton", index});
    QTest::mouseClick(h.runtime.window()->windowHandle(), Qt::LeftButton, {}, key->geometry().center());
}

void clickOperator(Harness& h)
{
    QWidget* key = h.runtime.widget({"cmdOper", 0});
    QTest::mouseClick(h.runtime.window()->windowHandle(), Qt::LeftButton, {}, key->geometry().center());
}

// Replaces the whole display with text from the clipboard.
void pasteOverAll(Harness& h, const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
    QLineEdit* edit = display(h);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
}

// Types text at the end of the display, one key event per character.
void typeAtEnd(Harness& h, const QString& text)
{
    QLineEdit* edit = display(h);
    QTest::keyClick(edit, Qt::Key_End);
    for (QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

// The window still answers: the banner's timer ticks on the real clock and
// an operator key resets the display.
void expectResponsive(Harness& h)
{
    QVERIFY(h.runtime.formLoaded());
    QVERIFY(h.runtime.window()->isVisible());
    QWidget* blink = h.runtime.widget({"Label3"});
    const bool shown = !blink->isHidden();
    QTRY_VERIFY_WITH_TIMEOUT(blink->isHidden() == shown, 10000);
    clickOperator(h);
    QCOMPARE(display(h)->text(), QString("0"));
}

} // namespace

class BadInputTest : public QObject {
    Q_OBJECT

private slots:
    void megabyteOfDigits_data();
    void megabyteOfDigits();
    void nonAsciiAndControlCharacters_data();
    void nonAsciiAndControlCharacters();
    void lineBreaksInsideTheNumber_data();
    void lineBreaksInsideTheNumber();
    void beyondTheDoubleRange_data();
    void beyondTheDoubleRange();
};

void BadInputTest::megabyteOfDigits_data()
{
    QTest::addColumn<QString>("digits");
    QTest::addColumn<int>("outcome");
    const int megabyte = 1 << 20;
    QTest::newRow("a megabyte of fraction") << "1." + QString(megabyte, QChar(u'7')) << int(Appends);
    QTest::newRow("a megabyte of zeros") << QString(megabyte, QChar(u'0')) << int(Clears);
    QTest::newRow("a megabyte of zeros, then a one") << QString(megabyte, QChar(u'0')) + "1" << int(Appends);
    QTest::newRow("a megabyte-digit integer") << "1" + QString(megabyte, QChar(u'7')) << int(Overflows);
}

void BadInputTest::megabyteOfDigits()
{
    QFETCH(QString, digits);
    QFETCH(int, outcome);
    Harness h;
    pasteOverAll(h, digits);
    QCOMPARE(display(h)->text().size(), digits.size());
    clickKey(h, '5');
    const QString after = display(h)->text();
    switch (outcome) {
    case Appends:
        QCOMPARE(after.size(), digits.size() + 1);
        QVERIFY(after.startsWith(digits));
        QVERIFY(after.endsWith('5'));
        QVERIFY(h.boxes.empty());
        // Typing still goes in at the end of it.
        typeAtEnd(h, "9");
        QVERIFY(display(h)->text().endsWith("59"));
        break;
    case Clears:
        QCOMPARE(after, QString("5"));
        QVERIFY(h.boxes.empty());
        break;
    default:
        QVERIFY(after == digits);
        QCOMPARE(h.boxes.size(), std::size_t(1));
        QCOMPARE(h.boxes[0].prompt, overflowBox);
    }
    expectResponsive(h);
}

void BadInputTest::nonAsciiAndControlCharacters_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown"); // what the display holds after typing
    QTest::addColumn<QString>("afterKey"); // after a click on "3"

    QTest::newRow("accented letters") << QString("\u00e9t\u00e9") << QString("\u00e9t\u00e9") << QString("3");
    QTest::newRow("number then euro") << QString("2\u20ac") << QString("2\u20ac") << QString("2\u20ac3");
    QTest::newRow("Arabic-Indic digits are no number") << QString("\u0661\u0662") << QString("\u0661\u0662")
                                                       << QString("3");
    QTest::newRow("no-break space ends the number") << QString("1\u00a0") << QString("1\u00a0")
                                                    << QString("1\u00a03");
    QTest::newRow("control characters are refused") << QString("\x01\x02\x1b\x7f") << QString() << QString("3");
    QTest::newRow("control characters among digits") << QString("4\x01" "2") << QString("42") << QString("423");
    QTest::newRow("a letter outside the BMP") << QString::fromUtf8("8\xf0\x9f\x98\x80") << QString::fromUtf8("8\xf0\x9f\x98\x80")
                                              << QString::fromUtf8("8\xf0\x9f\x98\x80" "3");
}

void BadInputTest::nonAsciiAndControlCharacters()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, afterKey);
    Harness h;
    QTest::keyClick(display(h), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(display(h), Qt::Key_Delete);
    QLineEdit* edit = display(h);
    // Surrogate pairs go in as one key event, the way input methods send them.
    for (qsizetype i = 0; i < typed.size(); ++i) {
        QString piece(typed.at(i));
        if (typed.at(i).isHighSurrogate() && i + 1 < typed.size())
            piece += typed.at(++i);
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, piece, Qt::NoModifier);
    }
    QCOMPARE(edit->text(), shown);
    clickKey(h, '3');
    QCOMPARE(edit->text(), afterKey);
    QVERIFY(h.boxes.empty());
    QCOMPARE(QString::fromStdString(h.display()), afterKey);
}

void BadInputTest::lineBreaksInsideTheNumber_data()
{
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<bool>("cleared"); // its value is 0, so the key replaces it

    QTest::newRow("line feed between digits") << QString("4\n2") << false;
    QTest::newRow("CR LF between digits") << QString("4\r\n2") << false;
    QTest::newRow("tab between digits") << QString("4\t2") << false;
    QTest::newRow("line feeds around a zero") << QString("\n0\n") << true;
    QTest::newRow("line feeds in a zero fraction") << QString("0\n.\n0") << true;
    QTest::newRow("line feed in the exponent") << QString("1\ne\n3") << false;
    QTest::newRow("carriage return before a digit") << QString("\r7") << true;
    QTest::newRow("only line breaks") << QString("\r\n\r\n") << true;
}

void BadInputTest::lineBreaksInsideTheNumber()
{
    QFETCH(QString, pasted);
    QFETCH(bool, cleared);
    Harness h;
    pasteOverAll(h, pasted);
    QCOMPARE(display(h)->text(), pasted); // the display keeps what it was given
    clickKey(h, '8');
    QCOMPARE(display(h)->text(), cleared ? QString("8") : pasted + "8");
    QVERIFY(h.boxes.empty());
}

void BadInputTest::beyondTheDoubleRange_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("typed"); // typed key by key, or pasted

    QTest::newRow("typed exponent") << QString("1e309") << true;
    QTest::newRow("typed D exponent, negative") << QString("-1D400") << true;
    QTest::newRow("typed just past the largest double") << QString("1.7976931348623159E308") << true;
    QTest::newRow("typed hexadecimal past 32 bits") << QString("&H100000000") << true;
    QTest::newRow("pasted 400 nines") << QString(400, QChar(u'9')) << false;
    QTest::newRow("pasted with line breaks") << QString("1\ne\n999") << false;
}

void BadInputTest::beyondTheDoubleRange()
{
    QFETCH(QString, text);
    QFETCH(bool, typed);
    Harness h;
    if (typed) {
        QTest::keyClick(display(h), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(display(h), Qt::Key_Delete);
        typeAtEnd(h, text);
    } else {
        pasteOverAll(h, text);
    }
    QCOMPARE(display(h)->text(), text);
    for (char key : {'5', '.', '0'}) {
        h.boxes.clear();
        clickKey(h, key);
        QCOMPARE(h.boxes.size(), std::size_t(1));
        QCOMPARE(h.boxes[0].prompt, overflowBox);
        QCOMPARE(h.boxes[0].title, std::string("Abacoria"));
        QCOMPARE(h.boxes[0].buttons, rt::vbOKOnly);
        QCOMPARE(display(h)->text(), text);
    }
    expectResponsive(h);
    clickKey(h, '4');
    QCOMPARE(display(h)->text(), QString("4"));
}

ABACORIA_TEST_MAIN(BadInputTest)
#include "test_bad_input.moc"
