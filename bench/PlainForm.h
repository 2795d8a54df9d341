#pragma once
// The calculator window built directly from stock Qt widgets, with the same
// layout, colours and fonts as the real one but none of the runtime layer:
// the baseline the real window is measured against.

#include <QPointer>

class QLineEdit;
class QPushButton;
class QWidget;

namespace abacoria::bench {

struct PlainForm {
    QPointer<QWidget> window;
    QPushButton* prizeTemplate = nullptr; // the hidden "Click Me!" button
    QPushButton* firstKey = nullptr; // takes the focus at start, as in the real window
    QLineEdit* display = nullptr;
    QWidget* banner = nullptr; // the banner text
};

PlainForm buildPlainForm();

} // namespace abacoria::bench
