#include "PlainForm.h"

#include "ui/Layout.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <vector>

namespace abacoria::bench {

namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QColor color(ui::Rgb c) { return QColor(c.r, c.g, c.b); }

QFont font(const ui::Font& f)
{
    QFont font{qs(f.face)};
    font.setPointSizeF(f.points);
    font.setBold(f.bold);
    return font;
}

void setColor(QWidget* w, QPalette::ColorRole role, ui::Rgb c)
{
    QPalette pal = w->palette();
    pal.setColor(role, color(c));
    w->setPalette(pal);
}

} // namespace

PlainForm buildPlainForm()
{
    for (const ui::FontFallback& f : ui::fontFallbacks())
        QFont::insertSubstitution(qs(f.face), qs(f.lookAlike));

    const ui::WindowSpec& spec = ui::window();
    PlainForm form;
    auto* window = new QWidget;
    form.window = window;
    window->setWindowTitle(qs(spec.caption));
    setColor(window, QPalette::Window, spec.backColor);
    window->setAutoFillBackground(true);
    window->setFont(font(spec.font));
    window->setFixedSize(ui::toPixels(spec.clientWidth), ui::toPixels(spec.clientHeight));

    // Same stacking as the real window.
    for (const ui::ControlSpec* s : ui::creationOrder()) {
        QWidget* w = nullptr;
        switch (s->kind) {
        case ui::Kind::Timer: {
            auto* timer = new QTimer(window);
            timer->setInterval(s->interval);
            timer->start();
            continue;
        }
        case ui::Kind::PushButton: {
            auto* b = new QPushButton(qs(s->caption), window);
            b->setAutoDefault(false);
            if (s->backColor)
                setColor(b, QPalette::Button, *s->backColor);
            if (s->name == "Command2")
                form.prizeTemplate = b;
            if (s->name == "cmdButton" && s->index == 0)
                form.firstKey = b;
            w = b;
            break;
        }
        case ui::Kind::ProgressBar: {
            auto* bar = new QProgressBar(window);
            bar->setRange(s->minimum, s->maximum);
            bar->setTextVisible(false);
            w = bar;
            break;
        }
        case ui::Kind::TextBox:
            form.display = new QLineEdit(qs(s->caption), window);
            w = form.display;
            break;
        case ui::Kind::Label: {
            auto* label = new QLabel(qs(s->caption), window);
            if (s->foreColor)
                setColor(label, QPalette::WindowText, *s->foreColor);
            label->setWordWrap(!s->autoSize);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            if (s->name == "Label2")
                form.banner = label;
            w = label;
            break;
        }
        case ui::Kind::Rectangle: {
            auto* frame = new QFrame(window);
            frame->setFrameShape(QFrame::Box);
            if (s->backColor) {
                setColor(frame, QPalette::Window, *s->backColor);
                frame->setAutoFillBackground(true);
            }
            w = frame;
            break;
        }
        }
        if (s->font)
            w->setFont(font(*s->font));
        w->setGeometry(ui::toPixels(s->left), ui::toPixels(s->top), ui::toPixels(s->width),
                       ui::toPixels(s->height));
        if (s->kind == ui::Kind::Label && s->autoSize)
            w->adjustSize();
        w->setVisible(s->visible);
    }
    return form;
}

} // namespace abacoria::bench
