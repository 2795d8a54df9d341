// The baseline for flood.cpp: the same flood on the plain window, with stock
// QPushButtons that are not marked opaque: each created, placed at the same
// random places, shown and raised, with one event pass after each.
//
// Options: --focus-display, as in flood.cpp.
#include "BenchCommon.h"
#include "FloodStamps.h"
#include "PlainForm.h"

#include "runtime/ClassicRandom.h"
#include "ui/Layout.h"

#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleFactory>
#include <QWindow>

#include <cmath>
#include <cstring>

using namespace abacoria;
using namespace abacoria::bench;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Abacoria"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Windows")));
    bool focusDisplay = false;
    for (int i = 1; i < argc; ++i)
        focusDisplay = focusDisplay || std::strcmp(argv[i], "--focus-display") == 0;

    PlainForm form = buildPlainForm();
    QWidget* window = form.window;
    window->show();
    form.firstKey->setFocus(Qt::OtherFocusReason);
    if (!waitUntil([&] { return window->windowHandle() && window->windowHandle()->isExposed(); }, 10000))
        fail("the window was not shown within 10 s");
    if (focusDisplay) {
        form.display->setFocus(Qt::MouseFocusReason);
        if (!waitUntil([&] { return form.display->hasFocus(); }, 5000))
            fail("the display did not take the focus");
    }
    const QPoint pointer = form.banner->mapToGlobal(form.banner->rect().center());
    QCursor::setPos(pointer);
    if (!waitUntil([&] { return QCursor::pos() == pointer; }, 5000))
        fail("could not place the pointer on the banner");

    FloodStamps stamps(window);
    rt::ClassicRandom random;
    const QPushButton* templ = form.prizeTemplate;
    stamps.start();
    window->setMinimumSize(0, 0);
    window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    window->setWindowState(window->windowState() | Qt::WindowMaximized);
    for (int i = 1; i <= 10000; ++i) {
        auto* b = new QPushButton(templ->text(), window);
        b->setAutoDefault(false);
        b->setFont(templ->font());
        b->setPalette(templ->palette());
        b->setGeometry(templ->geometry());
        b->setFocusPolicy(templ->focusPolicy());
        b->hide();
        const float x = std::floor(random.next() * ui::toTwips(window->width()));
        const float y = std::floor(random.next() * ui::toTwips(window->height()));
        b->move(ui::toPixels(x), ui::toPixels(y));
        b->show();
        b->raise();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    stamps.stop();
    stamps.report("plainflood");
    result("plainflood_peak_rss_mib", peakResidentMiB(), "MiB");
    delete window;
    return 0;
}
