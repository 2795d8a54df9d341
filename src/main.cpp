// Abacoria: start-up. Creates the window, wires it to its handlers and runs
// until the window has been unloaded.
#include "app/Form1.h"
#include "runtime/qt/QtRuntime.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QStyleFactory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Abacoria"));
    QApplication::setApplicationVersion(QStringLiteral("1.00"));
    // The desktop entry's id: Wayland compositors match the window to its
    // entry by it (X11 panels go by the window class, StartupWMClass).
    QApplication::setDesktopFileName(QStringLiteral("org.example.Abacoria"));
    // The installed theme icon, so window and launcher agree; the drawing
    // compiled in when the program runs uninstalled.
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.example.Abacoria"),
                                                 QIcon(QStringLiteral(":/abacoria/org.example.Abacoria.svg"))));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Windows")));
    // The program ends when its window is unloaded, not when Qt thinks the
    // last window closed (a message box can be the last one shown).
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A pocket calculator with a sponsor."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.parse(QCoreApplication::arguments()); // anything else is ignored
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    abacoria::qtbackend::QtRuntime runtime;
    abacoria::app::Form1 form(runtime);
    runtime.setOnUnloaded([] { QCoreApplication::exit(0); });
    runtime.start(form);
    return QApplication::exec();
}
