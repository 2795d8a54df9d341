// Abacoria: start-up. Reads the command line, creates the window, wires it to
// its handlers and runs until the window has been unloaded.
#include "app/Form1.h"
#include "platform/qt/Application.h"
#include "platform/qt/QtRuntime.h"

#include <QApplication>
#include <QByteArray>
#include <QCommandLineParser>
#include <QIcon>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

namespace {

void addOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral("A pocket calculator with a sponsor."));
    parser.addHelpOption();
    parser.addVersionOption();
}

enum class Request { Run, Help, HelpAll, Version };

// What the command line asks for, read from argv before any application
// object exists, so that --help and --version answer where no display can be
// opened. Single-dash words are read whole: Qt's own options, which the
// QApplication takes out before the program sees them, must not pass for
// bundles of ours ("-reverse" is not -v); a bundle of nothing but our own
// letters ("-hv") still counts. Anything else is ignored, as ever.
Request readRequest(int argc, char* argv[])
{
    static const QRegularExpression ownBundle(QStringLiteral("^-[hv]{2,}$"));
    QStringList arguments;
    bool options = true;
    for (int i = 0; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        options = options && argument != QLatin1String("--");
        if (options && ownBundle.match(argument).hasMatch()) {
            for (const QChar letter : argument.mid(1))
                arguments << QStringLiteral("-") + letter;
        } else {
            arguments << argument;
        }
    }
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    addOptions(parser);
    parser.parse(arguments);
    if (parser.isSet(QStringLiteral("help")))
        return Request::Help;
    if (parser.isSet(QStringLiteral("help-all")))
        return Request::HelpAll;
    if (parser.isSet(QStringLiteral("version")))
        return Request::Version;
    return Request::Run;
}

// NAME="value" with anything unprintable escaped (the value goes to a
// terminal), or NAME unset.
QByteArray describeVariable(const char* name)
{
    const char* value = std::getenv(name);
    if (!value)
        return QByteArray(name) + " unset";
    QByteArray text = QByteArray(name) + "=\"";
    for (const char* p = value; *p; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\')
            text += '\\';
        if (c >= 0x20 && c < 0x7f)
            text += static_cast<char>(c);
        else
            text += "\\x" + QByteArray::number(c, 16).rightJustified(2, '0');
    }
    return text + '"';
}

// Qt tells that no platform could be opened (no display, or a DISPLAY or
// WAYLAND_DISPLAY naming a server that is not there) by a fatal message from
// inside the QApplication constructor, and then aborts: status 134 and a core
// file. Letting Qt try is the only sure test, since Qt alone knows which
// platform it picks (-platform, QT_QPA_PLATFORM, the session type, fallback
// lists) and how it connects; so that path is kept and only its ending
// changed. While the constructor runs its messages are held back: a fatal
// one (the constructor has no other) ends the program with one line and
// status 1; once the constructor has returned they go out as they came.
class PlatformGuard {
public:
    PlatformGuard() { previous_ = qInstallMessageHandler(&PlatformGuard::hold); }
    ~PlatformGuard()
    {
        qInstallMessageHandler(previous_);
        const std::lock_guard lock(mutex_);
        for (const Held& m : held_) {
            const QMessageLogContext context(m.file.isNull() ? nullptr : m.file.constData(), m.line,
                                             m.function.isNull() ? nullptr : m.function.constData(),
                                             m.category.isNull() ? nullptr : m.category.constData());
            previous_(m.type, context, m.message);
        }
        held_.clear();
    }
    PlatformGuard(const PlatformGuard&) = delete;
    PlatformGuard& operator=(const PlatformGuard&) = delete;

private:
    struct Held {
        QtMsgType type;
        QByteArray file;
        int line;
        QByteArray function;
        QByteArray category;
        QString message;
    };

    static void hold(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (type == QtFatalMsg) {
            QByteArray tried = describeVariable("DISPLAY") + ", " + describeVariable("WAYLAND_DISPLAY");
            if (std::getenv("QT_QPA_PLATFORM"))
                tried += ", " + describeVariable("QT_QPA_PLATFORM");
            std::fprintf(stderr, "abacoria: no display could be opened (tried %s)\n", tried.constData());
            std::fflush(stderr);
            // Qt is half set up: nothing of it may run on the way out.
            std::_Exit(1);
        }
        const std::lock_guard lock(mutex_);
        held_.push_back({type, QByteArray(context.file), context.line, QByteArray(context.function),
                         QByteArray(context.category), message});
    }

    static inline QtMessageHandler previous_ = nullptr;
    static inline std::mutex mutex_;
    static inline std::vector<Held> held_;
};

std::unique_ptr<QApplication> openApplication(int& argc, char** argv)
{
    const PlatformGuard guard;
    return std::make_unique<QApplication>(argc, argv);
}

} // namespace

int main(int argc, char* argv[])
{
    const Request request = readRequest(argc, argv);
    if (request == Request::Help || request == Request::Version) {
        const QCoreApplication app(argc, argv);
        abacoria::qtbackend::setUpIdentity();
        QCommandLineParser parser;
        addOptions(parser);
        if (request == Request::Help)
            parser.showHelp(0);
        parser.showVersion();
    }
    if (request == Request::HelpAll) {
        // Qt's own options are listed by the application that takes them,
        // here on the platform that needs no display (the last -platform
        // given wins).
        std::vector<char*> arguments(argv, argv + argc);
        char platformOption[] = "-platform";
        char offscreen[] = "offscreen";
        arguments.insert(arguments.end(), {platformOption, offscreen, nullptr});
        int count = argc + 2;
        const auto app = openApplication(count, arguments.data());
        abacoria::qtbackend::setUpApplication();
        QCommandLineParser parser;
        addOptions(parser);
        parser.process(QStringList{QCoreApplication::arguments().constFirst(), QStringLiteral("--help-all")});
        return 0;
    }

    const auto app = openApplication(argc, argv);
    abacoria::qtbackend::setUpApplication();
    // The installed theme icon, so window and launcher agree; the drawing
    // compiled in when the program runs uninstalled.
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.example.Abacoria"),
                                                 QIcon(QStringLiteral(":/abacoria/org.example.Abacoria.svg"))));

    abacoria::qtbackend::QtRuntime runtime;
    abacoria::app::Form1 form(runtime);
    runtime.setOnUnloaded([] { QCoreApplication::exit(0); });
    runtime.start(form);
    return QApplication::exec();
}
