#include "runtime/RuntimeError.h"
#include "runtime/TextToNumber.h"

#include <QtTest>

#include <cmath>
#include <limits>
#include <string>

using abacoria::rt::RuntimeError;
using abacoria::rt::textToNumber;

class TextToNumberTest : public QObject {
    Q_OBJECT

private slots:
    void values_data();
    void values();
    void overflow_data();
    void overflow();
    void megabyteOfDigits();
};

void TextToNumberTest::values_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("expected");

    // Plain numbers and what the keypad produces.
    QTest::newRow("zero") << QByteArray("0") << 0.0;
    QTest::newRow("digits") << QByteArray("75") << 75.0;
    QTest::newRow("trailing point") << QByteArray("1.") << 1.0;
    QTest::newRow("decimal") << QByteArray("1.5") << 1.5;
    QTest::newRow("lone point") << QByteArray(".") << 0.0;
    QTest::newRow("leading point") << QByteArray(".5") << 0.5;
    QTest::newRow("second point ends the number") << QByteArray("1..") << 1.0;
    QTest::newRow("third part ignored") << QByteArray("1.2.3") << 1.2;
    QTest::newRow("zeros") << QByteArray("000") << 0.0;
    QTest::newRow("zero point zero") << QByteArray("0.0") << 0.0;
    QTest::newRow("empty") << QByteArray("") << 0.0;
    // Leading number, rest ignored.
    QTest::newRow("letters only") << QByteArray("abc") << 0.0;
    QTest::newRow("number then letters") << QByteArray("12abc") << 12.0;
    QTest::newRow("letters then number") << QByteArray("x12") << 0.0;
    // Blanks, tabs and line feeds are dropped inside the number.
    QTest::newRow("blank inside") << QByteArray("1 2") << 12.0;
    QTest::newRow("leading blanks") << QByteArray("   42") << 42.0;
    QTest::newRow("tab and line feed") << QByteArray("\t1\n2 3") << 123.0;
    QTest::newRow("blank around point") << QByteArray("1 . 5") << 1.5;
    QTest::newRow("carriage return ends it") << QByteArray("1\r2") << 1.0;
    QTest::newRow("comma ends it") << QByteArray("1,5") << 1.0;
    // Signs.
    QTest::newRow("minus") << QByteArray("-7") << -7.0;
    QTest::newRow("plus") << QByteArray("+7") << 7.0;
    QTest::newRow("blank after sign") << QByteArray("- 7") << -7.0;
    QTest::newRow("lone sign") << QByteArray("-") << 0.0;
    QTest::newRow("two signs") << QByteArray("--7") << 0.0;
    QTest::newRow("sign after digits ends it") << QByteArray("7-3") << 7.0;
    // Exponents: E or D in either case, sign optional, digits required.
    QTest::newRow("E") << QByteArray("1E3") << 1000.0;
    QTest::newRow("D") << QByteArray("1D3") << 1000.0;
    QTest::newRow("lower e") << QByteArray("2.5e2") << 250.0;
    QTest::newRow("lower d") << QByteArray("2d-1") << 0.2;
    QTest::newRow("exponent plus") << QByteArray("1e+2") << 100.0;
    QTest::newRow("blank in exponent") << QByteArray("1 E 2") << 100.0;
    QTest::newRow("marker without digits") << QByteArray("5e") << 5.0;
    QTest::newRow("marker and sign without digits") << QByteArray("5e-") << 5.0;
    QTest::newRow("marker then letters") << QByteArray("5ex") << 5.0;
    QTest::newRow("exponent on a point") << QByteArray(".e5") << 0.0;
    QTest::newRow("exponent on zero") << QByteArray("0e999999") << 0.0;
    QTest::newRow("huge negative exponent underflows") << QByteArray("1e-400") << 0.0;
    QTest::newRow("largest double") << QByteArray("1.7976931348623157e308") << std::numeric_limits<double>::max();
    QTest::newRow("many leading zeros") << QByteArray("0000000000000000000000000000012") << 12.0;
    QTest::newRow("long fraction") << QByteArray("0.1000000000000000000000000000000001") << 0.1;
    // Other bases.
    QTest::newRow("hex") << QByteArray("&HFF") << 255.0;
    QTest::newRow("hex lower") << QByteArray("&hff") << 255.0;
    QTest::newRow("hex 16-bit is signed") << QByteArray("&HFFFF") << -1.0;
    QTest::newRow("hex 32-bit") << QByteArray("&H10000") << 65536.0;
    QTest::newRow("hex 32-bit is signed") << QByteArray("&HFFFFFFFF") << -1.0;
    QTest::newRow("octal") << QByteArray("&O17") << 15.0;
    QTest::newRow("octal stops at 8") << QByteArray("&O78") << 7.0;
    QTest::newRow("hex without digits") << QByteArray("&H") << 0.0;
    QTest::newRow("ampersand alone") << QByteArray("&7") << 0.0;
    // Text the user can type that is no number.
    QTest::newRow("non-ASCII digits") << QByteArray("\xd9\xa1\xd9\xa2") << 0.0; // Arabic-Indic 1 2
    QTest::newRow("number then non-ASCII") << QByteArray("3\xc2\xbd") << 3.0;
    QTest::newRow("no-break space ends it") << QByteArray("1\xc2\xa0" "2") << 1.0;
    QTest::newRow("NUL ends it") << QByteArray("4\0" "5", 3) << 4.0;
    // Edges the reference reading (tests/fuzz) checks bit for bit.
    QTest::newRow("smallest subnormal") << QByteArray("4.9e-324") << std::numeric_limits<double>::denorm_min();
    QTest::newRow("below half the smallest subnormal") << QByteArray("2.4e-324") << 0.0;
    QTest::newRow("rounds down to the largest double") << QByteArray("1.7976931348623158e308")
                                                       << std::numeric_limits<double>::max();
    QTest::newRow("hex 8000 is the lowest 16-bit") << QByteArray("&H8000") << -32768.0;
    QTest::newRow("octal 177777 is -1") << QByteArray("&O177777") << -1.0;
    QTest::newRow("blanks inside hex") << QByteArray("& H 1\tF") << 31.0;
    QTest::newRow("exponent with many leading zeros") << QByteArray("1e0000000000000000000000003") << 1000.0;
}

void TextToNumberTest::values()
{
    QFETCH(QByteArray, text);
    QFETCH(double, expected);
    const double value = textToNumber(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    QCOMPARE(value, expected);
}

void TextToNumberTest::overflow_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("exponent") << QByteArray("1e309");
    QTest::newRow("negative") << QByteArray("-1D400");
    QTest::newRow("digits") << QByteArray("1" + QByteArray(400, '0'));
    QTest::newRow("digits after zeros and point") << QByteArray("000.0001e320");
    QTest::newRow("giant exponent") << QByteArray("9e99999999999999999999");
    QTest::newRow("hex beyond 32 bits") << QByteArray("&H100000000");
    QTest::newRow("rounds up past the largest double") << QByteArray("1.7976931348623159e308");
    QTest::newRow("octal beyond 32 bits") << QByteArray("&O40000000000");
    QTest::newRow("blanks inside the exponent") << QByteArray("1 e 3 0 9");
}

void TextToNumberTest::overflow()
{
    QFETCH(QByteArray, text);
    try {
        textToNumber(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
        QFAIL("no overflow raised");
    } catch (const RuntimeError& e) {
        QCOMPARE(e.number(), 6);
        QCOMPARE(QString(e.what()), QString("Overflow"));
    }
}

void TextToNumberTest::megabyteOfDigits()
{
    std::string text = "1." + std::string(1 << 20, '7');
    QVERIFY(std::abs(textToNumber(text) - 1.7777777777777777) < 1e-12);
    text = std::string(1 << 20, '0') + "5";
    QCOMPARE(textToNumber(text), 5.0);
}

QTEST_APPLESS_MAIN(TextToNumberTest)
#include "test_text_to_number.moc"
