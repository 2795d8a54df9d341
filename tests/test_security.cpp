// Nothing planted on the machine runs because of "=", and no part of the
// program hands a command line to a shell.
#include "Harness.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace abacoria;
using rt::MessageBoxRequest;
using qtbackend::QtRuntime;

namespace {

const QString plantedName = QStringLiteral("C:\\Windows\\Clc.exe");

// The window with its real program starter: only message boxes are answered.
struct RealStarterProgram {
    explicit RealStarterProgram(int answer)
    {
        runtime.setMessageBoxHook([this, answer](const MessageBoxRequest& r) {
            boxes.push_back(r);
            return r.buttons == rt::vbYesNo ? answer : rt::vbOK;
        });
        runtime.start(form);
    }
    QtRuntime runtime;
    app::Form1 form{runtime};
    std::vector<MessageBoxRequest> boxes;
};

// Source text with comments blanked out, so that prose about shells does not
// count as a call.
QString codeOf(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(f.readAll());
    static const QRegularExpression comments(R"(//[^\n]*|/\*.*?\*/)",
                                             QRegularExpression::DotMatchesEverythingOption);
    return text.replace(comments, " ");
}

QStringList sourceFiles()
{
    QStringList files;
    QDirIterator it(QStringLiteral(ABACORIA_SOURCE_DIR "/src"), {"*.cpp", "*.h"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

} // namespace

class SecurityTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void equalsRunsNothingPlanted_data();
    void equalsRunsNothingPlanted();
    void sourcesRunNoShell_data();
    void sourcesRunNoShell();
    void programsStartInOnePlace();

private:
    std::unique_ptr<QTemporaryDir> cwd_;
    std::unique_ptr<QTemporaryDir> onPath_;
    QString marker_;
    QString oldCwd_;
    QByteArray oldPath_;
};

// Executables that leave a mark when run, under the literal name in the
// current folder and in a folder at the front of PATH, plus the usual
// launchers in that folder in case anything looks one up.
void SecurityTest::init()
{
    cwd_ = std::make_unique<QTemporaryDir>();
    onPath_ = std::make_unique<QTemporaryDir>();
    QVERIFY(cwd_->isValid() && onPath_->isValid());
    marker_ = cwd_->filePath("ran");
    const QByteArray script = "#!/bin/sh\necho \"$0\" >> '" + marker_.toUtf8() + "'\n";
    const QStringList planted{cwd_->filePath(plantedName), onPath_->filePath(plantedName),
                              onPath_->filePath("Clc.exe"), onPath_->filePath("wine"),
                              onPath_->filePath("xdg-open"), onPath_->filePath("cmd.exe")};
    for (const QString& path : planted) {
        QFile f(path);
        QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
        f.write(script);
        f.close();
        QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    // The plants work: run directly, one leaves its mark.
    QCOMPARE(QProcess::execute(planted.first(), {}), 0);
    QVERIFY(QFile::exists(marker_));
    QVERIFY(QFile::remove(marker_));

    oldCwd_ = QDir::currentPath();
    oldPath_ = qgetenv("PATH");
    QVERIFY(QDir::setCurrent(cwd_->path()));
    qputenv("PATH", onPath_->path().toUtf8() + ":" + oldPath_);
}

void SecurityTest::cleanup()
{
    QDir::setCurrent(oldCwd_);
    qputenv("PATH", oldPath_);
    cwd_.reset();
    onPath_.reset();
}

void SecurityTest::equalsRunsNothingPlanted_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("No: the other calculator is asked for") << int(rt::vbNo);
    QTest::newRow("Yes") << int(rt::vbYes);
}

void SecurityTest::equalsRunsNothingPlanted()
{
    QFETCH(int, answer);
    RealStarterProgram p(answer);
    p.runtime.raise(rt::Event{rt::EventKind::Click, "Command1", -1});
    // The whole "=" ran: asked, answered, yelled, and went on.
    QCOMPARE(p.boxes.size(), std::size_t(2));
    QCOMPARE(p.boxes[0].buttons, rt::vbYesNo);
    QCOMPARE(QString::fromStdString(p.boxes[1].prompt).startsWith("Go to hell"), answer == rt::vbNo);
    // The failed start is skipped, not reported, and the program goes on.
    QVERIFY(p.runtime.formLoaded());
    QVERIFY(p.runtime.widget({"calc"})->isHidden());
    // A started program would have left its mark within moments; give it
    // a generous while with the event loop running.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 1500 && !QFile::exists(marker_))
        QTest::qWait(50);
    QVERIFY2(!QFile::exists(marker_), "a planted program ran");
}

void SecurityTest::sourcesRunNoShell_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::newRow("system()") << R"(\bsystem\s*\()";
    QTest::newRow("popen()") << R"(\bpopen\s*\()";
    QTest::newRow("fork and the exec family") << R"(\b(v?fork|exec(l|lp|le|v|vp|vpe))\s*\()";
    QTest::newRow("posix_spawn") << R"(\bposix_spawnp?\s*\()";
    QTest::newRow("a shell binary") << R"(/bin/(ba|da|z)?sh\b)";
    QTest::newRow("a shell by name with -c") << R"("(ba|da|z)?sh"\s*,.*"-c")";
    QTest::newRow("QProcess other than startDetached") << R"(\bQProcess\b(?!::startDetached\s*\()(?!>))";
    QTest::newRow("desktop launchers") << R"(QDesktopServices|xdg-open|gio\s+open)";
}

void SecurityTest::sourcesRunNoShell()
{
    QFETCH(QString, pattern);
    const QRegularExpression re(pattern);
    QVERIFY(re.isValid());
    const QStringList files = sourceFiles();
    QVERIFY(files.size() > 10);
    QStringList hits;
    for (const QString& file : files) {
        const QString code = codeOf(file);
        auto it = re.globalMatch(code);
        while (it.hasNext())
            hits << QDir(ABACORIA_SOURCE_DIR).relativeFilePath(file) + ": " + it.next().captured();
    }
    QVERIFY2(hits.isEmpty(), qPrintable(hits.join("\n")));
}

void SecurityTest::programsStartInOnePlace()
{
    // One place starts programs, detached; the runtime tests hold it to
    // absolute paths.
    QStringList starters;
    for (const QString& file : sourceFiles()) {
        const int calls = int(codeOf(file).count("startDetached"));
        if (calls > 0)
            starters << QString("%1 x%2").arg(QFileInfo(file).fileName()).arg(calls);
    }
    QCOMPARE(starters, QStringList{"QtServices.cpp x1"});
}

ABACORIA_TEST_MAIN(SecurityTest)
#include "test_security.moc"
