#include "platform/qt/Widgets.h"

#include "ui/Layout.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QWindow>

#include <cmath>

namespace abacoria::qtbackend {

namespace {

// A surface label reads as static text whose name is its current caption, and
// can be pressed like a click: the banner has to be clickable for everyone.
class SurfaceLabelAccessible final : public QAccessibleWidget {
public:
    explicit SurfaceLabelAccessible(SurfaceLabel* label)
        : QAccessibleWidget(label, QAccessible::StaticText)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return label()->caption();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return QAccessibleWidget::actionNames() << pressAction(); }
    void doAction(const QString& action) override
    {
        if (action == pressAction())
            emit label()->clicked();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    SurfaceLabel* label() const { return static_cast<SurfaceLabel*>(widget()); }
};

QAccessibleInterface* accessibleFor(const QString&, QObject* object)
{
    if (auto* label = qobject_cast<SurfaceLabel*>(object))
        return new SurfaceLabelAccessible(label);
    // The calculator is a plain widget to Qt; to a screen reader it is a frame
    // (a window with its title as name), not an anonymous pane.
    if (auto* form = dynamic_cast<FormWindow*>(object))
        return new QAccessibleWidget(form, QAccessible::Window);
    return nullptr;
}

// Shows a child as Qt shows those that come with their parent's show: without
// asking the window system where the pointer is.
void showWithoutPointerQuery(QWidget* control)
{
    // qt_qwidget_data and the flag come with Qt's public widget header.
    QWidgetData* parentData = qt_qwidget_data(control->parentWidget());
    const uint wasInShow = parentData->in_show;
    parentData->in_show = 1;
    control->setVisible(true);
    parentData->in_show = wasInShow;
}

} // namespace

void installAccessibility()
{
    static const bool once = [] {
        QAccessible::installFactory(accessibleFor);
        return true;
    }();
    (void)once;
}

const QImage& ButtonLook::picture(const QPushButton& button, const QStyleOptionButton& option, QImage::Format format)
{
    const qreal ratio = button.devicePixelRatioF();
    Key key{option.state, option.features, option.text, option.icon.cacheKey(), option.rect.size(),
            option.palette, button.font(), option.direction, button.style(), ratio, format};
    if (key_ && *key_ == key)
        return picture_;
    picture_ = QImage(option.rect.size() * ratio, format);
    picture_.setDevicePixelRatio(ratio);
    // Text is laid out for the widget's resolution, so the picture has it too.
    picture_.setDotsPerMeterX(qRound(button.logicalDpiX() / 0.0254));
    picture_.setDotsPerMeterY(qRound(button.logicalDpiY() / 0.0254));
    picture_.fill(Qt::transparent);
    QPainter p(&picture_);
    // What a painter on the widget starts with.
    p.setPen(QPen(button.palette().brush(button.foregroundRole()), 1));
    p.setBackground(button.palette().brush(button.backgroundRole()));
    p.setFont(button.font());
    p.setLayoutDirection(button.layoutDirection());
    button.style()->drawControl(QStyle::CE_PushButton, &option, &p, &button);
    key_ = std::move(key);
    return picture_;
}

ElementButton::ElementButton(QWidget* parent, ButtonLook& look)
    : QPushButton(parent)
    , look_(look)
{
}

void ElementButton::paintOpaqueOnce()
{
    // Polishing resets the attribute: polish first.
    ensurePolished();
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ElementButton::paintEvent(QPaintEvent*)
{
    QStyleOptionButton option;
    initStyleOption(&option);
    QPainter p(this);
    // The picture is copied pixel for pixel into an image of its format; a
    // fractional scale would place it off the pixel grid, so those draw anew.
    const QPaintDevice* device = p.paintEngine() ? p.paintEngine()->paintDevice() : nullptr;
    const qreal ratio = devicePixelRatioF();
    if (device && device->devType() == QInternal::Image && ratio == std::floor(ratio))
        p.drawImage(0, 0, look_.picture(*this, option, static_cast<const QImage*>(device)->format()));
    else
        style()->drawControl(QStyle::CE_PushButton, &option, &p, this);
    if (testAttribute(Qt::WA_OpaquePaintEvent))
        setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PointerWatch::watch(QWindow* window)
{
    if (window == window_)
        return;
    if (window_)
        window_->removeEventFilter(this);
    window_ = window;
    where_ = Where::Unknown;
    if (window_)
        window_->installEventFilter(this);
}

bool PointerWatch::mayBeOver(const QRect& rect) const
{
    switch (where_) {
    case Where::Outside: return false;
    case Where::Inside: return rect.adjusted(-1, -1, 1, 1).contains(global_.toPoint());
    case Where::Unknown: break;
    }
    return true;
}

bool PointerWatch::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != window_)
        return false;
    switch (event->type()) {
    case QEvent::Enter:
        where_ = Where::Inside;
        global_ = static_cast<QEnterEvent*>(event)->globalPosition();
        break;
    case QEvent::Leave:
        where_ = Where::Outside;
        break;
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        // While a button is held the window keeps getting moves from outside.
        auto* mouse = static_cast<QMouseEvent*>(event);
        global_ = mouse->globalPosition();
        const QRectF area(QPointF(0, 0), window_->size());
        where_ = area.contains(mouse->position()) ? Where::Inside : Where::Outside;
        break;
    }
    default:
        break;
    }
    return false;
}

FormWindow::FormWindow(CloseHandler onClose)
    : onClose_(std::move(onClose))
{
    frameTimer_.setSingleShot(true);
    frameTimer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&frameTimer_, &QTimer::timeout, this, [this] { syncFrame(); });
}

void FormWindow::repaintWholeNextFrame()
{
    if (wholeNextFrame_ || !isVisible())
        return;
    wholeNextFrame_ = true;
    // The whole window goes into the region Qt repaints; every later change
    // before the frame then lies inside it, which Qt checks first, instead of
    // adding to an ever more complex region. update() would not do that (it
    // only marks the window's own paint); showing a child that covers the
    // window does. The child lives for this call only.
    QWidget cover(this);
    cover.setGeometry(rect());
    showWithoutPointerQuery(&cover);
    cover.hide();
}

bool FormWindow::event(QEvent* event)
{
    if (event->type() != QEvent::UpdateRequest)
        return QWidget::event(event);
    if (wholeNextFrame_ && sinceFrame_.isValid()) {
        const QScreen* display = screen();
        const qreal rate = display && display->refreshRate() >= 1 ? display->refreshRate() : 60;
        const qint64 wait = qint64(std::ceil(1000 / rate)) - sinceFrame_.elapsed();
        if (wait > 0) {
            // Qt asks no more until it has synced: the timer syncs then.
            if (!frameTimer_.isActive())
                frameTimer_.start(int(wait));
            return true;
        }
    }
    syncFrame();
    return true;
}

void FormWindow::syncFrame()
{
    frameTimer_.stop();
    wholeNextFrame_ = false;
    QEvent request(QEvent::UpdateRequest);
    QWidget::event(&request);
    sinceFrame_.start();
}

void FormWindow::showEvent(QShowEvent* event)
{
    pointer_.watch(windowHandle());
    QWidget::showEvent(event);
}

void setControlVisible(QWidget* control, bool visible)
{
    QWidget* parent = control->parentWidget();
    auto* form = parent ? dynamic_cast<FormWindow*>(control->window()) : nullptr;
    if (!visible || !control->isHidden() || !form || !parent->isVisible() || parent->layout()
        || form->pointer().mayBeOver(QRect(control->mapToGlobal(QPoint(0, 0)), control->size()))) {
        control->setVisible(visible);
        return;
    }
    // Qt hands the hover over to a child shown in a visible window by asking
    // the window system where the pointer is: a round trip for every show,
    // some 70 microseconds against a local X server, most of the time of a
    // flood that shows thousands of buttons in a row. It leaves that out for
    // children shown as part of their parent's show. This child is known
    // not to be under the pointer, so it is shown that way: should the
    // pointer reach it after all, the move that brings it there hands the
    // hover over as usual.
    showWithoutPointerQuery(control);
}

void FormWindow::closeEvent(QCloseEvent* event)
{
    if (onClose_)
        onClose_(event);
    else
        event->accept();
}

SurfaceLabel::SurfaceLabel(QWidget* parent, bool autoSize)
    : QWidget(parent)
    , autoSize_(autoSize)
{
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(false);
}

void SurfaceLabel::setCaption(const QString& caption)
{
    if (caption == caption_)
        return;
    caption_ = caption;
    fitToCaption();
    update();
    if (QAccessible::isActive() && accessibleName().isEmpty()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void SurfaceLabel::setTextColor(const QColor& color)
{
    textColor_ = color;
    update();
}

void SurfaceLabel::setDesignSize(const QSize& size, const QString& caption)
{
    designSize_ = size;
    designCaption_ = caption;
    fitToCaption();
}

void SurfaceLabel::fitToCaption()
{
    if (!autoSize_)
        return;
    const QFontMetrics fm(font());
    // horizontalAdvance counts trailing blanks, which the caption's width must.
    const int design = designCaption_.isEmpty() ? 0 : fm.horizontalAdvance(designCaption_);
    const ui::PixelSize size = ui::fitToCaption({fm.horizontalAdvance(caption_), fm.height()}, design,
                                                  {designSize_.width(), designSize_.height()});
    resize(size.width, size.height);
}

void SurfaceLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        fitToCaption();
    QWidget::changeEvent(event);
}

void SurfaceLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setFont(font());
    p.setPen(textColor_);
    const int flags = autoSize_ ? (Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine)
                                : (Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);
    p.drawText(rect(), flags, caption_);
}

void SurfaceLabel::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void SurfaceLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click)
        emit clicked();
}

ShapeRect::ShapeRect(QWidget* parent, std::optional<QColor> fill)
    : QWidget(parent)
    , fill_(fill)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ShapeRect::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(QPen(palette().color(QPalette::WindowText), 1));
    if (fill_)
        p.setBrush(*fill_);
    else
        p.setBrush(Qt::NoBrush);
    // The pen is centred on the path: inset half a pixel so the one-pixel
    // outline covers exactly the outermost pixels at any scale factor.
    p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

} // namespace abacoria::qtbackend
