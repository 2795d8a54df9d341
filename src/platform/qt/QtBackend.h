#pragma once

#include "runtime/Backend.h"

#include <QPointer>

#include <vector>

class QTimer;
class QWidget;

namespace abacoria::qtbackend {

class FormWindow;

// The runtime's primitives on Qt Widgets: one widget per control, the
// window's close box and the timer reported to the host.
class QtBackend final : public rt::Backend {
public:
    QtBackend();
    ~QtBackend() override;
    QtBackend(const QtBackend&) = delete;
    QtBackend& operator=(const QtBackend&) = delete;

    // The toolkit side, for tests and benchmarks.
    QWidget* window() const;
    QWidget* widget(rt::ControlId id) const;
    QTimer* timer() const { return timer_; }

    void attach(rt::BackendEvents& events) override { events_ = &events; }
    int twipsPerPixel() const override;
    void createForm(const ui::WindowSpec& spec) override;
    void createControl(rt::ControlId id, const ui::ControlSpec& spec) override;
    void copyControl(rt::ControlId id, rt::ControlId templ, int index) override;
    void setTabOrder(std::span<const rt::ControlId> order) override;
    void showForm(rt::ControlId focus) override;
    void hideForm() override;
    void destroyForm() override;
    std::string text(rt::ControlId id) override;
    void setText(rt::ControlId id, std::string_view text) override;
    void setCaption(rt::ControlId id, std::string_view caption) override;
    void setVisible(rt::ControlId id, bool visible) override;
    void setValue(rt::ControlId id, float value) override;
    void move(rt::ControlId id, int left, int top) override;
    void bringToFront(rt::ControlId id) override;
    void setWindowState(rt::WindowState state) override;
    ui::PixelSize clientSize() override;
    void startTimer(int intervalMs) override;
    void stopTimer() override;
    std::optional<int> messageBox(const rt::MessageBoxRequest& request) override;
    void processEvents() override;
    double startProgram(const std::string& path, int windowStyle) override;

private:
    void store(rt::ControlId id, QWidget* widget);
    void connectClick(QWidget* widget, rt::ControlId id);

    QPointer<FormWindow> window_; // owned; deleted when the host says so
    QTimer* timer_ = nullptr;
    QWidget* firstWindowed_ = nullptr; // the bottom of the windowed layer
    std::vector<QWidget*> widgets_; // by ControlId
    rt::BackendEvents* events_ = nullptr;
    bool unloaded_ = false;
};

} // namespace abacoria::qtbackend
