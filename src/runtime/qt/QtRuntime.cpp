#include "runtime/qt/QtRuntime.h"

#include "runtime/ProgramPath.h"
#include "runtime/RuntimeError.h"
#include "runtime/qt/Widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFont>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>
#include <utility>
#include <vector>

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
            QFont::insertSubstitution(qs(f.face), qs(f.substitute));
        return true;
    }();
    (void)once;
}

// Keys whose caption is a symbol get a word for screen readers, which would
// otherwise read out punctuation ("slash", "asterisk") or nothing at all.
// Other captions speak for themselves: an empty name lets the caption show.
QString spokenName(std::string_view caption)
{
    static constexpr std::pair<std::string_view, const char*> words[] = {
        {"+", "Plus"}, {"-", "Minus"}, {"/", "Divide"}, {"*", "Multiply"}, {"=", "Equals"}, {".", "Point"},
    };
    for (const auto& [symbol, word] : words)
        if (caption == symbol)
            return QString::fromLatin1(word);
    return {};
}

QRect pixelRect(const ui::ControlSpec& s)
{
    return QRect(ui::toPixels(s.left), ui::toPixels(s.top), ui::toPixels(s.width), ui::toPixels(s.height));
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

QtRuntime::QtRuntime()
{
    installFontFallbacks();
    installAccessibility();
    build();
}

QtRuntime::~QtRuntime()
{
    delete window_.data();
}

QWidget* QtRuntime::window() const
{
    return formGone_ ? nullptr : window_.data();
}

QWidget* QtRuntime::widget(rt::Control c) const
{
    if (formGone_)
        return nullptr;
    const auto it = controls_.find(c.name);
    if (it == controls_.end())
        return nullptr;
    const auto el = it->second.find(c.index);
    return el == it->second.end() ? nullptr : el->second.widget;
}

void QtRuntime::build()
{
    const ui::WindowSpec& spec = ui::window();
    window_ = new FormWindow([this](QCloseEvent* e) { onCloseRequest(e); });
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

    // Qt stacks later children above earlier ones.
    std::vector<std::pair<int, QWidget*>> tabOrder;
    for (const ui::ControlSpec* s : ui::creationOrder()) {
        QWidget* w = createControl(*s);
        controls_[std::string(s->name)][s->index] = Entry{w, s->kind};
        if (w && !firstWindowed_ && !ui::paintsOnSurface(s->kind))
            firstWindowed_ = w;
        if (w && s->tabIndex >= 0 && w->focusPolicy() != Qt::NoFocus)
            tabOrder.emplace_back(s->tabIndex, w);
    }
    std::sort(tabOrder.begin(), tabOrder.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
}

QWidget* QtRuntime::createControl(const ui::ControlSpec& s)
{
    QWidget* parent = window_.data();
    QWidget* w = nullptr;
    switch (s.kind) {
    case ui::Kind::Timer:
        timer_ = new QTimer(parent);
        timer_->setObjectName(qs(s.name));
        timer_->setTimerType(Qt::PreciseTimer);
        timer_->setInterval(s.interval);
        QObject::connect(timer_, &QTimer::timeout, parent, [this] { onTimer(); });
        return nullptr;
    case ui::Kind::PushButton: {
        auto* b = new QPushButton(qs(s.caption), parent);
        b->setAccessibleName(spokenName(s.caption));
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
        edit->setAccessibleName(QStringLiteral("Display"));
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
    connectClicks(w, s, s.index);
    return w;
}

void QtRuntime::connectClicks(QWidget* w, const ui::ControlSpec& s, int index)
{
    const std::string_view name = s.name; // points into the static layout table
    auto click = [this, name, index] { raise(rt::Event{rt::EventKind::Click, name, index}); };
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        QObject::connect(button, &QAbstractButton::clicked, window_.data(), click);
    else if (auto* label = qobject_cast<SurfaceLabel*>(w))
        QObject::connect(label, &SurfaceLabel::clicked, window_.data(), click);
}

void QtRuntime::start(rt::EventTarget& target)
{
    target_ = &target;
    raise(rt::Event{rt::EventKind::Load, {}, -1});
    if (formGone_)
        return;
    window_->show();
    timer_->start();
    if (QWidget* first = widget({"cmdButton", 0}))
        first->setFocus(Qt::OtherFocusReason);
}

void QtRuntime::raise(const rt::Event& event, std::int16_t* cancel)
{
    if (formGone_ || !target_)
        return;
    ++depth_;
    try {
        target_->onEvent(event, cancel);
    } catch (const rt::RuntimeError& e) {
        reportError(e.number());
    } catch (const rt::FormUnloaded&) {
        // The handler outlived its window; it has stopped, nothing to report.
    } catch (const std::bad_alloc&) {
        reportError(rt::errOutOfMemory);
    }
    --depth_;
    if (depth_ == 0 && formGone_ && window_) {
        // No handler is running any more; the widgets die when the current
        // delivery has unwound.
        window_->deleteLater();
    }
}

void QtRuntime::reportError(int number)
{
    // The classic runtime ended the program here; we report and go on.
    if (!formGone_)
        msgBox(rt::runTimeErrorMessage(number), rt::vbOKOnly, "Abacoria");
}

void QtRuntime::onTimer()
{
    // Never two ticks at once, even if a tick's error box lets events run.
    if (tickRunning_)
        return;
    tickRunning_ = true;
    raise(rt::Event{rt::EventKind::Timer, "Timer1", -1});
    tickRunning_ = false;
}

void QtRuntime::onCloseRequest(QCloseEvent* event)
{
    // Qt never closes the window by itself: the close guard decides, and the
    // unload below does the rest.
    event->ignore();
    if (formGone_)
        return;
    std::int16_t cancel = 0;
    raise(rt::Event{rt::EventKind::Unload, {}, -1}, &cancel);
    if (cancel == 0 && !formGone_)
        unloadForm();
}

void QtRuntime::unloadForm()
{
    formGone_ = true;
    if (timer_)
        timer_->stop();
    if (window_)
        window_->hide();
    controls_.clear();
    if (depth_ == 0 && window_)
        window_->deleteLater();
    if (onUnloaded_)
        onUnloaded_();
}

void QtRuntime::checkAlive()
{
    if (formGone_) {
        ++touchesAfterUnload_;
        throw rt::FormUnloaded();
    }
}

QtRuntime::Entry& QtRuntime::entry(rt::Control c)
{
    checkAlive();
    const auto it = controls_.find(c.name);
    if (it == controls_.end())
        throw rt::RuntimeError(rt::errObjectRequired);
    const auto el = it->second.find(c.index);
    if (el == it->second.end() || !el->second.widget)
        throw rt::RuntimeError(c.index >= 0 ? rt::errElementMissing : rt::errObjectRequired);
    return el->second;
}

std::string QtRuntime::text(rt::Control c)
{
    auto* edit = qobject_cast<QLineEdit*>(entry(c).widget);
    if (!edit)
        throw rt::RuntimeError(rt::errNotSupported);
    return utf8(edit->text());
}

void QtRuntime::setText(rt::Control c, std::string_view text)
{
    auto* edit = qobject_cast<QLineEdit*>(entry(c).widget);
    if (!edit)
        throw rt::RuntimeError(rt::errNotSupported);
    edit->setText(qs(text));
}

std::string QtRuntime::caption(rt::Control c)
{
    QWidget* w = entry(c).widget;
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return utf8(button->text());
    if (auto* label = qobject_cast<SurfaceLabel*>(w))
        return utf8(label->caption());
    throw rt::RuntimeError(rt::errNotSupported);
}

void QtRuntime::setCaption(rt::Control c, std::string_view caption)
{
    QWidget* w = entry(c).widget;
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(qs(caption));
        button->setAccessibleName(spokenName(caption));
    } else if (auto* label = qobject_cast<SurfaceLabel*>(w)) {
        label->setCaption(qs(caption));
    } else {
        throw rt::RuntimeError(rt::errNotSupported);
    }
}

bool QtRuntime::visible(rt::Control c)
{
    // The control's own visibility, whether or not the window is shown.
    return !entry(c).widget->isHidden();
}

void QtRuntime::setVisible(rt::Control c, bool visible)
{
    setControlVisible(entry(c).widget, visible);
}

void QtRuntime::setValue(rt::Control c, float value)
{
    auto* bar = qobject_cast<QProgressBar*>(entry(c).widget);
    if (!bar)
        throw rt::RuntimeError(rt::errNotSupported);
    if (!(value >= static_cast<float>(bar->minimum()) && value <= static_cast<float>(bar->maximum())))
        throw rt::RuntimeError(rt::errInvalidPropertyValue);
    bar->setValue(static_cast<int>(std::lround(value)));
}

void QtRuntime::move(rt::Control c, float left, float top)
{
    entry(c).widget->move(ui::toPixels(left), ui::toPixels(top));
}

void QtRuntime::zOrder(rt::Control c)
{
    Entry& e = entry(c);
    // raise() first searches the whole stacking order for the widget. One
    // already in front, as every new button of a flood is, has nothing to
    // gain from it but that search through thousands of siblings.
    const QObjectList& stack = e.widget->parentWidget()->children();
    if (stack.isEmpty() || stack.constLast() != e.widget || !e.widget->testAttribute(Qt::WA_WState_Created))
        e.widget->raise();
    // A surface control only comes to the front of the surface layer.
    if (ui::paintsOnSurface(e.kind) && firstWindowed_)
        e.widget->stackUnder(firstWindowed_);
}

void QtRuntime::load(rt::Control c)
{
    checkAlive();
    const auto it = controls_.find(c.name);
    if (it == controls_.end())
        throw rt::RuntimeError(rt::errObjectRequired);
    Elements& elements = it->second;
    if (elements.count(c.index))
        throw rt::RuntimeError(rt::errAlreadyLoaded);
    const auto templ = elements.find(0);
    auto* source = templ == elements.end() ? nullptr : qobject_cast<QPushButton*>(templ->second.widget);
    if (!source || c.index < 0)
        throw rt::RuntimeError(rt::errInvalidCall);
    if (elementLimit_ >= 0 && runtimeElements_ >= elementLimit_)
        throw rt::RuntimeError(rt::errOutOfMemory);

    auto* b = new ElementButton(window_.data());
    // Connected before the caption is set: setting it makes the accessibility
    // cache connect to the button too, and a first connection sized for that
    // signal alone would be outgrown here and kept (160 bytes a button).
    const std::string_view name = it->first; // stable: the map never rehashes names after build
    QObject::connect(b, &QAbstractButton::clicked, window_.data(),
                     [this, name, index = c.index] { raise(rt::Event{rt::EventKind::Click, name, index}); });
    b->setText(source->text());
    b->setObjectName(qs(c.name) + QString("(%1)").arg(c.index));
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
    elements.emplace(c.index, Entry{b, ui::Kind::PushButton});
    ++runtimeElements_;
}

void QtRuntime::setWindowState(rt::WindowState state)
{
    checkAlive();
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

float QtRuntime::scaleWidth()
{
    checkAlive();
    return ui::toTwips(window_->width());
}

float QtRuntime::scaleHeight()
{
    checkAlive();
    return ui::toTwips(window_->height());
}

int QtRuntime::msgBox(std::string_view prompt, int buttons, std::optional<std::string_view> title)
{
    MessageBoxRequest request{std::string(prompt), buttons,
                              title ? std::string(*title) : utf8(QCoreApplication::applicationName())};
    if (request.title.empty())
        request.title = std::string(ui::window().caption);
    if (buttons != rt::vbOKOnly && buttons != rt::vbYesNo)
        throw rt::RuntimeError(rt::errInvalidCall);
    if (messageBoxHook_)
        return messageBoxHook_(request);

    QString text = qs(request.prompt);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(formGone_ ? nullptr : window_.data());
    box.setWindowTitle(qs(request.title));
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowModality(Qt::ApplicationModal);
    QAbstractButton* first = nullptr;
    if (buttons == rt::vbYesNo) {
        first = box.addButton(QMessageBox::Yes);
        box.addButton(QMessageBox::No); // also what Escape and the close box answer
    } else {
        first = box.addButton(QMessageBox::Ok);
    }
    box.setDefaultButton(qobject_cast<QPushButton*>(first));
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes: return rt::vbYes;
    case QMessageBox::No: return rt::vbNo;
    case QMessageBox::Ok: return rt::vbOK;
    default:
        // Only when the program is ending under the box.
        return buttons == rt::vbYesNo ? rt::vbNo : rt::vbOK;
    }
}

bool QtRuntime::doEvents()
{
    if (formGone_)
        return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return !formGone_;
}

double QtRuntime::shell(std::string_view path, int windowStyle)
{
    if (programStarter_)
        return programStarter_(path, windowStyle);
    // Never through a shell and never by search: only an absolute path to an
    // executable file. Window styles do not apply on this platform.
    const QString file = qs(rt::programPathForPosix(path));
    const QFileInfo info(file);
    if (!info.isFile() || !info.isExecutable())
        throw rt::RuntimeError(rt::errFileNotFound);
    qint64 pid = 0;
    if (!QProcess::startDetached(file, {}, QString(), &pid))
        throw rt::RuntimeError(rt::errFileNotFound);
    return static_cast<double>(pid);
}

} // namespace abacoria::qtbackend
