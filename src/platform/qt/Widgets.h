#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QFont>
#include <QImage>
#include <QPalette>
#include <QPushButton>
#include <QString>
#include <QStyleOptionButton>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

class QCloseEvent;
class QWindow;

namespace abacoria::qtbackend {

// Where the window system last reported the pointer to one window: inside
// it at some point, outside it, or not known yet.
class PointerWatch final : public QObject {
public:
    void watch(QWindow* window);
    // False only when the pointer is known to be somewhere else than over
    // rect (global coordinates).
    bool mayBeOver(const QRect& rect) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Where { Unknown, Inside, Outside };
    QWindow* window_ = nullptr;
    Where where_ = Where::Unknown;
    QPointF global_;
};

// How the run-time buttons look, drawn once and then copied: they share
// caption, size, font and colours, and drawing a button through the style
// (bevel, text layout) is most of what repainting one costs. A second banner
// click repaints all of them in every frame while it moves them.
class ButtonLook {
public:
    // The picture of button in the state option describes, in format.
    const QImage& picture(const QPushButton& button, const QStyleOptionButton& option, QImage::Format format);

private:
    struct Key {
        QStyle::State state;
        QStyleOptionButton::ButtonFeatures features;
        QString text;
        qint64 icon;
        QSize size;
        QPalette palette;
        QFont font;
        Qt::LayoutDirection direction;
        const QStyle* style;
        qreal ratio;
        QImage::Format format;
        bool operator==(const Key&) const = default;
    };
    std::optional<Key> key_;
    QImage picture_;
};

// The top-level window. Closing is decided by the owner, never by Qt.
class FormWindow final : public QWidget {
public:
    using CloseHandler = std::function<void(QCloseEvent*)>;
    explicit FormWindow(CloseHandler onClose);

    const PointerWatch& pointer() const { return pointer_; }
    ButtonLook& buttonLook() { return buttonLook_; }

    // Repaints the whole window as the next frame, which comes no sooner
    // than one display refresh after the last one: for changes all over a
    // window of thousands of buttons, far cheaper than Qt's repaint of each.
    void repaintWholeNextFrame();
    bool repaintsWholeNextFrame() const { return wholeNextFrame_; }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void syncFrame();

    CloseHandler onClose_;
    bool wholeNextFrame_ = false;
    QElapsedTimer sinceFrame_; // since the end of the last frame
    QTimer frameTimer_;
    PointerWatch pointer_;
    ButtonLook buttonLook_;
};

// Shows a control of the window (or hides it). Showing one that the pointer
// is known not to be over skips Qt's per-show query of the pointer position.
void setControlVisible(QWidget* control, bool visible);

// A button created at run time, drawn from the window's ButtonLook. It
// paints opaquely up to its next paint only, once created or brought to the
// front: on top of everything, it spares the window from repainting whatever
// lies beneath it. Once buried under later buttons it paints like any other,
// because with thousands of opaque siblings every repaint of the window
// itself (a banner tick, a moved button) first unites all their rectangles
// into one ever more complex region, which costs far more than it saves.
// Dropping the attribute at its paint, not at the next button's turn,
// matters: the paint comes one event pass later.
class ElementButton final : public QPushButton {
public:
    ElementButton(QWidget* parent, ButtonLook& look);

    void paintOpaqueOnce();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ButtonLook& look_;
};

// A label painted on the window surface: transparent, optionally sizing
// itself to its caption (trailing blanks included), clickable.
class SurfaceLabel final : public QWidget {
    Q_OBJECT
public:
    SurfaceLabel(QWidget* parent, bool autoSize);

    QString caption() const { return caption_; }
    void setCaption(const QString& caption);
    void setTextColor(const QColor& color);
    // The size the label had at design time for its design-time caption.
    void setDesignSize(const QSize& size, const QString& caption);
    // Applies autosize for the current font and caption.
    void fitToCaption();

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString caption_;
    QColor textColor_ = Qt::black;
    bool autoSize_;
    bool pressed_ = false;
    QSize designSize_;
    QString designCaption_;
};

// Makes surface labels known to assistive technology as static text named
// by their caption. Idempotent; the runtime calls it before building.
void installAccessibility();

// A rectangle on the window surface: one-pixel outline, optional fill. Clicks
// go through it to whatever lies beneath.
class ShapeRect final : public QWidget {
public:
    ShapeRect(QWidget* parent, std::optional<QColor> fill);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<QColor> fill_;
};

} // namespace abacoria::qtbackend
