// The window at scale factor 2 (QT_SCALE_FACTOR=2, set by CTest): every
// control, every font and every run-time button must come out twice as large
// in device pixels, so the window looks the same on a high-dpi screen, only
// sharper.
#include "Harness.h"

#include "ui/Layout.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace abacoria;
using testing::Harness;

namespace {

constexpr int scale = 2;
const QColor background(255, 255, 128);

QWidget* control(Harness& h, const std::string& name, int index = -1)
{
    QWidget* w = h.runtime.widget({name, index});
    if (!w)
        qFatal("no control %s(%d)", name.c_str(), index);
    return w;
}

// Where a child sits on the window's surface, in device pixels.
QRect deviceRect(const QWidget* w)
{
    const qreal dpr = w->devicePixelRatioF();
    return QRect(QPointF(w->pos()).toPoint() * dpr, w->size() * dpr);
}

// The window as it paints itself, in device pixels. The banner is held still
// so "10000!!" stays shown.
QImage paintedWindow(Harness& h)
{
    h.runtime.timer()->stop();
    QWidget* w = h.runtime.window();
    if (!QTest::qWaitForWindowExposed(w))
        qFatal("window not exposed");
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The run of pixels through `inside` that differ from the colour around
// them, scanning the row and the column: a control's painted extent.
QRect paintedExtent(const QImage& image, QPoint inside, QColor around)
{
    const QRgb surround = around.rgb();
    auto differs = [&](int x, int y) { return image.valid(x, y) && image.pixel(x, y) != surround; };
    int left = inside.x(), right = inside.x(), top = inside.y(), bottom = inside.y();
    while (differs(left - 1, inside.y()))
        --left;
    while (differs(right + 1, inside.y()))
        ++right;
    while (differs(inside.x(), top - 1))
        --top;
    while (differs(inside.x(), bottom + 1))
        ++bottom;
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

// The bounding box of pixels of a colour other than `paper` within `area`.
QRect inkBox(const QImage& image, const QRect& area, QColor paper)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) != paper.rgb())
                box |= QRect(x, y, 1, 1);
    return box;
}

// Ink drawn for a text is as high and wide as the text's logical box at the
// scale factor, give or take antialiasing.
void verifyInkIsScaledText(const QRect& ink, const QRect& logical)
{
    QVERIFY2(qAbs(ink.height() - scale * logical.height()) <= 2,
             qPrintable(QString("ink %1 px high, text %2 logical px").arg(ink.height()).arg(logical.height())));
    QVERIFY2(qAbs(ink.width() - scale * logical.width()) <= 3,
             qPrintable(QString("ink %1 px wide, text %2 logical px").arg(ink.width()).arg(logical.width())));
}

// Pixels the classic layout gives a font at 96 dpi.
int pixelsAt96Dpi(double points) { return qRound(points * 96.0 / 72.0); }

} // namespace

class HiDpiTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void windowDoubles();
    void controlsDouble_data();
    void controlsDouble();
    void fontsDouble_data();
    void fontsDouble();
    void paintedAtDoubledPlaces_data();
    void paintedAtDoubledPlaces();
    void textInkDoubles();
    void outlinesDouble();
    void floodButtonDoubles();
};

void HiDpiTest::initTestCase()
{
    // Without the scale factor every check below would hold trivially.
    QCOMPARE(qApp->devicePixelRatio(), qreal(scale));
}

void HiDpiTest::windowDoubles()
{
    Harness h;
    QWidget* w = h.runtime.window();
    QCOMPARE(w->devicePixelRatioF(), qreal(scale));
    QCOMPARE(w->size() * w->devicePixelRatioF(), QSize(370, 562));
    const QImage image = paintedWindow(h);
    QCOMPARE(image.size(), QSize(370, 562));
    // The handlers still see the stored client size in twips.
    QCOMPARE(h.runtime.scaleWidth(), 2775.0f);
    QCOMPARE(h.runtime.scaleHeight(), 4215.0f);
}

void HiDpiTest::controlsDouble_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<QRect>("device");

    // Every stored control at twice its place in the layout table (15 twips to
    // a logical pixel), worked out by hand; the labels that size themselves
    // at twice the size they take at scale factor 1.
    struct Row {
        const char* name;
        int index;
        QRect device;
    };
    const Row rows[] = {
        {"Command2", 0, QRect(224, 400, 130, 66)},
        {"cmdButton", 10, QRect(112, 304, 66, 66)},
        {"calc", -1, QRect(16, 432, 338, 34)},
        {"Text1", -1, QRect(32, 16, 306, 38)},
        {"cmdOper", 3, QRect(272, 304, 66, 66)},
        {"cmdOper", 2, QRect(272, 224, 66, 66)},
        {"cmdOper", 1, QRect(272, 144, 66, 66)},
        {"cmdOper", 0, QRect(272, 64, 66, 66)},
        {"Command1", -1, QRect(192, 304, 66, 66)},
        {"cmdButton", 9, QRect(32, 304, 66, 66)},
        {"cmdButton", 8, QRect(192, 224, 66, 66)},
        {"cmdButton", 7, QRect(112, 224, 66, 66)},
        {"cmdButton", 6, QRect(32, 224, 66, 66)},
        {"cmdButton", 5, QRect(192, 144, 66, 66)},
        {"cmdButton", 4, QRect(112, 144, 66, 66)},
        {"cmdButton", 3, QRect(32, 144, 66, 66)},
        {"cmdButton", 2, QRect(192, 64, 66, 66)},
        {"cmdButton", 1, QRect(112, 64, 66, 66)},
        {"cmdButton", 0, QRect(32, 64, 66, 66)},
        {"Label4", -1, QRect(16, 480, 338, 34)},
        {"Shape2", -1, QRect(0, 512, 370, 50)},
        {"Label1", -1, QRect(16, 400, 338, 34)},
        {"Shape1", -1, QRect(16, 32, 338, 354)},
    };
    for (const Row& r : rows) {
        const QString row = r.index >= 0 ? QString("%1(%2)").arg(r.name).arg(r.index) : QString(r.name);
        QTest::newRow(qPrintable(row)) << QString(r.name) << r.index << r.device;
    }
    QTest::newRow("Label2 sized to its caption") << "Label2" << -1 << QRect(8, 520, 258, 28);
    QTest::newRow("Label3 sized to its caption") << "Label3" << -1 << QRect(256, 512, 106, 42);
}

void HiDpiTest::controlsDouble()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    QFETCH(QRect, device);
    Harness h;
    QCOMPARE(deviceRect(control(h, name.toStdString(), index)), device);
}

void HiDpiTest::fontsDouble_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("points");

    QTest::newRow("banner text, Arial look-alike") << "Label2" << -1 << 8.25;
    QTest::newRow("prize, Comic look-alike") << "Label3" << -1 << 11.25;
    QTest::newRow("sponsor line, bold default") << "Label4" << -1 << 8.25;
    QTest::newRow("progress caption") << "Label1" << -1 << 8.25;
    QTest::newRow("display") << "Text1" << -1 << 8.25;
    QTest::newRow("digit key") << "cmdButton" << 4 << 8.25;
    QTest::newRow("= key") << "Command1" << -1 << 8.25;
    QTest::newRow("template button") << "Command2" << 0 << 8.25;
}

void HiDpiTest::fontsDouble()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    QFETCH(double, points);
    Harness h;
    QWidget* w = control(h, name.toStdString(), index);
    const qreal dpr = w->devicePixelRatioF();
    QVERIFY(qAbs(w->font().pointSizeF() - points) < 0.01);
    // Logical size as at 96 dpi, rendered at twice that in device pixels.
    QCOMPARE(QFontInfo(w->font()).pixelSize(), pixelsAt96Dpi(points));
    QCOMPARE(qRound(QFontInfo(w->font()).pixelSize() * dpr), scale * pixelsAt96Dpi(points));
    QCOMPARE(qRound(QFontMetrics(w->font()).height() * dpr), scale * QFontMetrics(w->font()).height());
}

void HiDpiTest::paintedAtDoubledPlaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<QPoint>("logicalInside"); // a point on the control's face, off its caption
    QTest::addColumn<QColor>("face");
    QTest::addColumn<QColor>("around");

    const QColor green(0, 255, 0), red(255, 0, 0);
    QTest::newRow("key 1") << "cmdButton" << 0 << QPoint(20, 36) << green << background;
    QTest::newRow("key 9") << "cmdButton" << 8 << QPoint(100, 116) << green << background;
    QTest::newRow("key .") << "cmdButton" << 10 << QPoint(60, 156) << green << background;
    QTest::newRow("key =") << "Command1" << -1 << QPoint(100, 156) << red << background;
    QTest::newRow("sponsor banner") << "Shape2" << -1 << QPoint(2, 258) << red << background;
}

void HiDpiTest::paintedAtDoubledPlaces()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    QFETCH(QPoint, logicalInside);
    QFETCH(QColor, face);
    QFETCH(QColor, around);
    Harness h;
    const QRect expected = deviceRect(control(h, name.toStdString(), index));
    const QImage image = paintedWindow(h);
    // Both device pixels that make up a logical one carry the face colour.
    const QPoint p = logicalInside * scale;
    QCOMPARE(image.pixelColor(p), face);
    QCOMPARE(image.pixelColor(p + QPoint(1, 1)), face);
    // What is painted for the control spans exactly its doubled rectangle
    // (the banner runs into the window's bottom edge).
    QCOMPARE(paintedExtent(image, p, around), expected);
}

void HiDpiTest::textInkDoubles()
{
    Harness h;
    QWidget* sponsor = control(h, "Label4");
    const QImage image = paintedWindow(h);
    // The sponsor line is black on the window background, nothing else there
    // above the banner's edge.
    const QRect area = deviceRect(sponsor) & QRect(0, 0, image.width(), deviceRect(control(h, "Shape2")).top());
    const QRect ink = inkBox(image, area, background);
    const QRect logical = QFontMetrics(sponsor->font()).tightBoundingRect("Visit my sponsers..");
    verifyInkIsScaledText(ink, logical);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(ink.left(), deviceRect(sponsor).left() + scale * logical.left());
}

void HiDpiTest::outlinesDouble()
{
    Harness h;
    const QImage image = paintedWindow(h);
    const QRect frame = deviceRect(control(h, "Shape1"));
    // At scale factor 1 the keypad frame's outline is its first and last
    // logical column; doubled, that is two device columns at each side.
    const QList<int> expected{frame.left(), frame.left() + 1, frame.right() - 1, frame.right()};
    const QColor outline = h.runtime.window()->palette().color(QPalette::WindowText);
    QList<int> outlined;
    const int y = frame.center().y();
    for (int x = frame.left() - 2; x <= frame.right() + 2; ++x)
        if (image.pixelColor(x, y) == outline)
            outlined << x;
    QCOMPARE(outlined, expected);
}

void HiDpiTest::floodButtonDoubles()
{
    Harness h;
    QWidget* templ = control(h, "Command2", 0);
    h.runtime.load({"Command2", 1});
    // Onto a free patch of background below the keypad, as the flood places
    // it: position in twips.
    h.runtime.move({"Command2", 1}, 120, 3000);
    h.runtime.setVisible({"Command2", 1}, true);
    h.runtime.zOrder({"Command2", 1});
    auto* button = qobject_cast<QPushButton*>(control(h, "Command2", 1));
    QVERIFY(button);
    QCOMPARE(button->text(), QString("Click Me!"));
    QCOMPARE(deviceRect(button), QRect(16, 400, 130, 66));
    QCOMPARE(deviceRect(button).size(), deviceRect(templ).size());
    QCOMPARE(qRound(QFontInfo(button->font()).pixelSize() * button->devicePixelRatioF()), scale * pixelsAt96Dpi(8.25));

    const QImage image = paintedWindow(h);
    QCOMPARE(paintedExtent(image, deviceRect(button).center() + QPoint(0, 24), background), deviceRect(button));
    // Its caption is drawn in the doubled font: ink as tall as the text at
    // twice its logical size.
    const QColor face = button->palette().color(QPalette::Button);
    const QRect inside = deviceRect(button).adjusted(6, 6, -6, -6);
    const QRect ink = inkBox(image, inside, face);
    const QRect logical = QFontMetrics(button->font()).tightBoundingRect("Click Me!");
    verifyInkIsScaledText(ink, logical);
}

ABACORIA_TEST_MAIN(HiDpiTest)
#include "test_hidpi.moc"
