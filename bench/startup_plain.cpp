// Start-to-first-paint of the same window built from stock Qt widgets, the
// baseline for startup.cpp.
#include "BenchCommon.h"
#include "FirstPaint.h"
#include "PlainForm.h"

#include <QApplication>
#include <QPushButton>
#include <QStyleFactory>

int main(int argc, char* argv[])
{
    abacoria::bench::markMainStart();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Abacoria"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Windows")));

    abacoria::bench::PlainForm form = abacoria::bench::buildPlainForm();
    return abacoria::bench::runUntilFirstPaint(form.window, "startup_plain", [&] {
        form.window->show();
        form.firstKey->setFocus(Qt::OtherFocusReason);
    });
}
