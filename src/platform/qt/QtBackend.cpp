// Abacoria's Qt 6 Widgets backend, for Linux (X11 and Wayland).
//
// Implemented: one widget per control under the form, the buttons, the
// display and the bar Qt's own (in the "Windows" style), labels and
// rectangles as widgets that paint beneath them (Widgets.cpp); the close box
// and the timer reported to the host; message boxes as QMessageBox, event
// passes through Qt's event loop and program starts as detached processes
// (QtServices.cpp);
// accessible names for screen readers; the layout at 15 twips a
// device-independent pixel, which Qt scales for the screen.
// Not implemented: window styles for a started program (a Linux desktop has
// no such thing: the program's window is its own); a minimize box (window
// managers add one as they like).
#include "platform/qt/QtBackend.h"

#include "platform/qt/Widgets.h"
#include "runtime/RuntimeError.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <climits>
#include <cmath>

namespace abacoria::qtbackend {

namespace {

QColor toQColor(ui::Rgb c) { return QColor(c.r, c.g, c.b); }

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

std::string utf8(const QString& s)
{
    const QByteArray bytes = s.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QFont toQFont(const ui::Font& f)
{
    QFont font{QString(qs(f.face))};
    font.setPointSizeF(f.points);
    font.setBold(f.bold);
    return font;
}

void installFontFallbacks()
{
    static const bool once = [] {
        for (const ui::FontFallback& f : ui::fontFallbacks())
            QFont::insertSubstitution(qs(f.face), qs(f.lookAlike));
        return true;
    }();
    (void)once;
}

QRect pixelRect(const ui::ControlSpec& s)
{
    const ui::PixelRect r = ui::toPixels(s);
    return QRect(r.left, r.top, r.width, r.height);
}

// Buttons paint every pixel they cover; saying so spares the window from
// repainting whatever lies beneath each one (a flood of buttons would
// otherwise repaint more and more with every new button). Set after
// polishing, which resets the attribute.
void markOpaque(QPushButton* button)
{
    button->ensurePolished();
    button->setAttribute(Qt::WA_OpaquePaintEvent);
}

} // namespace

QtBackend::QtBackend()
{
    installFontFallbacks();
    installAccessibility();
}

QtBackend::~QtBackend()
{
    delete window_.data();
}

QWidget* QtBackend::window() const { return window_.data(); }

QWidget* QtBackend::widget(rt::ControlId id) const
{
    return id >= 0 && id < static_cast<rt::ControlId>(widgets_.size()) ? widgets_[static_cast<std::size_t>(id)]
                                                                       : nullptr;
}

void QtBackend::store(rt::ControlId id, QWidget* widget)
{
    if (widgets_.size() <= static_cast<std::size_t>(id))
        widgets_.resize(static_cast<std::size_t>(id) + 1, nullptr);
    widgets_[static_cast<std::size_t>(id)] = widget;
}

int QtBackend::twipsPerPixel() const
{
    // Qt works in device-independent pixels and scales for the screen itself.
    return ui::twipsPerPixel;
}

void QtBackend::createForm(const ui::WindowSpec& spec)
{
    window_ = new FormWindow([this](QCloseEvent* e) {
        // Qt never closes the window by itself: the host decides.
        e->ignore();
        if (events_)
            events_->closeRequested();
    });
    window_->setObjectName(qs(spec.name));
    // Fixed single border: a close box, no minimize box. The maximize hint
    // stays so that code can maximize the window: window managers hide the
    // box and refuse the user's maximize while the size is fixed.
    window_->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                            | Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint);
    window_->setWindowTitle(qs(spec.caption));
    QPalette pal = window_->palette();
    pal.setColor(QPalette::Window, toQColor(spec.backColor));
    window_->setPalette(pal);
    window_->setAutoFillBackground(true);
    window_->setFont(toQFont(spec.font));
    window_->setFixedSize(ui::toPixels(spec.clientWidth), ui::toPixels(spec.clientHeight));
    timer_ = new QTimer(window_.data());
    timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer_, &QTimer::timeout, window_.data(), [this] { events_->timerTicked(); });
}

void QtBackend::createControl(rt::ControlId id, const ui::ControlSpec& s)
{
    QWidget* parent = window_.data();
    QWidget* w = nullptr;
    switch (s.kind) {
    case ui::Kind::Timer:
        timer_->setObjectName(qs(s.name)); // the form's own timer
        return;
    case ui::Kind::PushButton: {
        auto* b = new QPushButton(qs(s.caption), parent);
        b->setAccessibleName(qs(ui::accessibleName(s)));
        b->setAutoDefault(false);
        b->setDefault(false);
        if (s.backColor) {
            QPalette pal = b->palette();
            pal.setColor(QPalette::Button, toQColor(*s.backColor));
            b->setPalette(pal);
        }
        markOpaque(b);
        w = b;
        break;
    }
    case ui::Kind::ProgressBar: {
        auto* bar = new QProgressBar(parent);
        bar->setRange(s.minimum, s.maximum);
        bar->setValue(s.minimum);
        bar->setTextVisible(false);
        bar->setFocusPolicy(Qt::NoFocus);
        w = bar;
        break;
    }
    case ui::Kind::TextBox: {
        auto* edit = new QLineEdit(qs(s.caption), parent);
        edit->setMaxLength(INT_MAX); // the display has no length limit
        edit->setCursorPosition(0);
        edit->setAccessibleName(qs(ui::accessibleName(s)));
        w = edit;
        break;
    }
    case ui::Kind::Label: {
        auto* label = new SurfaceLabel(parent, s.autoSize);
        if (s.foreColor)
            label->setTextColor(toQColor(*s.foreColor));
        w = label;
        break;
    }
    case ui::Kind::Rectangle:
        w = new ShapeRect(parent, s.backColor ? std::optional<QColor>(toQColor(*s.backColor)) : std::nullopt);
        break;
    }
    w->setObjectName(s.index >= 0 ? qs(s.name) + QString("(%1)").arg(s.index) : qs(s.name));
    if (s.font)
        w->setFont(toQFont(*s.font));
    w->setGeometry(pixelRect(s));
    if (auto* label = qobject_cast<SurfaceLabel*>(w)) {
        label->setDesignSize(pixelRect(s).size(), qs(s.caption));
        label->setCaption(qs(s.caption));
    }
    w->setVisible(s.visible);
    if (!firstWindowed_ && !ui::paintsOnSurface(s.kind))
        firstWindowed_ = w;
    connectClick(w, id);
    store(id, w);
}

void QtBackend::connectClick(QWidget* w, rt::ControlId id)
{
    auto click = [this, id] { events_->controlClicked(id); };
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        QObject::connect(button, &QAbstractButton::clicked, window_.data(), click);
    else if (auto* label = qobject_cast<SurfaceLabel*>(w))
        QObject::connect(label, &SurfaceLabel::clicked, window_.data(), click);
}

void QtBackend::copyControl(rt::ControlId id, rt::ControlId templ, int index)
{
    auto* source = static_cast<QPushButton*>(widget(templ));
    auto* b = new ElementButton(window_.data(), window_->buttonLook());
    // Connected before the caption is set: setting it makes the accessibility
    // cache connect to the button too, and a first connection sized for that
    // signal alone would be outgrown here and kept (160 bytes a button).
    connectClick(b, id);
    b->setText(source->text());
    b->setObjectName(source->objectName().section(QLatin1Char('('), 0, 0) + QString("(%1)").arg(index));
    b->setAutoDefault(false);
    // A font or palette of the template's own is copied; an inherited one is
    // inherited by the copy as well. Setting it anyway would give each of
    // thousands of copies a resolved font of its own (1.4 MB per 10000).
    if (source->testAttribute(Qt::WA_SetFont))
        b->setFont(source->font());
    if (source->testAttribute(Qt::WA_SetPalette))
        b->setPalette(source->palette());
    b->setGeometry(source->geometry());
    b->setFocusPolicy(source->focusPolicy());
    b->hide();
    b->paintOpaqueOnce();
    store(id, b);
}

void QtBackend::setTabOrder(std::span<const rt::ControlId> order)
{
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(widget(order[i - 1]), widget(order[i]));
}

void QtBackend::showForm(rt::ControlId focus)
{
    window_->show();
    if (QWidget* first = widget(focus))
        first->setFocus(Qt::OtherFocusReason);
}

void QtBackend::hideForm()
{
    unloaded_ = true;
    if (window_)
        window_->hide();
    widgets_.clear();
    widgets_.shrink_to_fit();
}

void QtBackend::destroyForm()
{
    // Possibly called from a widget's own signal: the widgets die once the
    // current delivery has unwound.
    if (window_)
        window_->deleteLater();
}

std::string QtBackend::text(rt::ControlId id) { return utf8(static_cast<QLineEdit*>(widget(id))->text()); }

void QtBackend::setText(rt::ControlId id, std::string_view text)
{
    static_cast<QLineEdit*>(widget(id))->setText(qs(text));
}

void QtBackend::setCaption(rt::ControlId id, std::string_view caption)
{
    QWidget* w = widget(id);
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(qs(caption));
        button->setAccessibleName(qs(ui::spokenName(caption)));
    } else if (auto* label = qobject_cast<SurfaceLabel*>(w)) {
        label->setCaption(qs(caption));
    }
}

void QtBackend::setVisible(rt::ControlId id, bool visible) { setControlVisible(widget(id), visible); }

void QtBackend::setValue(rt::ControlId id, float value)
{
    static_cast<QProgressBar*>(widget(id))->setValue(static_cast<int>(std::lround(value)));
}

void QtBackend::move(rt::ControlId id, int left, int top)
{
    QWidget* w = widget(id);
    // A shown run-time button that moves uncovers what lay beneath it, and
    // Qt repaints that by going through every sibling: in a flooded window,
    // where they move by the thousand, one whole repaint a frame is cheaper.
    if (w->isVisible() && w->pos() != QPoint(left, top) && dynamic_cast<ElementButton*>(w))
        window_->repaintWholeNextFrame();
    w->move(left, top);
}

void QtBackend::bringToFront(rt::ControlId id)
{
    QWidget* w = widget(id);
    // raise() first searches the whole stacking order for the widget. One
    // already in front, as every new button of a flood is, has nothing to
    // gain from it but that search through thousands of siblings.
    const QObjectList& stack = w->parentWidget()->children();
    if (stack.isEmpty() || stack.constLast() != w || !w->testAttribute(Qt::WA_WState_Created)) {
        w->raise();
        // In front now, as a new one is: what lies beneath need not be painted
        // (unless the whole window is anyway: then an opaque one only adds
        // its rectangle to subtract from it).
        if (auto* button = dynamic_cast<ElementButton*>(w); button && !window_->repaintsWholeNextFrame())
            button->paintOpaqueOnce();
    }
    // A surface control only comes to the front of the surface layer.
    if ((qobject_cast<SurfaceLabel*>(w) || dynamic_cast<ShapeRect*>(w)) && firstWindowed_)
        w->stackUnder(firstWindowed_);
}

void QtBackend::setWindowState(rt::WindowState state)
{
    FormWindow* w = window_.data();
    switch (state) {
    case rt::WindowState::Maximized:
        // Only the user may not resize a fixed-border window; code may.
        w->setMinimumSize(0, 0);
        w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        if (w->isVisible() && !(w->windowState() & Qt::WindowMaximized)) {
            // The window manager maximizes asynchronously, but the caller
            // reads the client size right away: take the size the window
            // will have now. The manager's answer confirms or corrects it.
            const QSize frame = w->frameGeometry().size() - w->size();
            const QRect available = w->screen()->availableGeometry();
            w->setGeometry(QRect(available.topLeft(), available.size() - frame));
        }
        w->setWindowState((w->windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
        break;
    case rt::WindowState::Minimized:
        w->setWindowState(w->windowState() | Qt::WindowMinimized);
        break;
    case rt::WindowState::Normal:
        w->setWindowState(w->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
        break;
    }
}

ui::PixelSize QtBackend::clientSize() { return {window_->width(), window_->height()}; }

void QtBackend::startTimer(int intervalMs) { timer_->start(intervalMs); }

void QtBackend::stopTimer()
{
    if (timer_)
        timer_->stop();
}

} // namespace abacoria::qtbackend
