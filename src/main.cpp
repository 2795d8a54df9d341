// Abacoria: start-up. Creates the window, wires it to its handlers and runs
// until the window has been unloaded.
#include "app/Form1.h"
#include "platform/qt/Application.h"
#include "platform/qt/QtRuntime.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    abacoria::qtbackend::setUpApplication();
    // The installed theme icon, so window and launcher agree; the drawing
    // compiled in when the program runs uninstalled.
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.example.Abacoria"),
                                                 QIcon(QStringLiteral(":/abacoria/org.example.Abacoria.svg"))));

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
