#include "platform/qt/Application.h"

#include "Version.h"

#include <QApplication>
#include <QStyleFactory>

namespace abacoria::qtbackend {

void setUpIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral("Abacoria"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ABACORIA_VERSION));
}

void setUpApplication()
{
    setUpIdentity();
    // The desktop entry's id: Wayland compositors match the window to its
    // entry by it (X11 panels go by the window class, StartupWMClass).
    QApplication::setDesktopFileName(QStringLiteral("org.example.Abacoria"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Windows")));
    QApplication::setQuitOnLastWindowClosed(false);
}

} // namespace abacoria::qtbackend
