#include "Harness.h"
#include "host/ErrorNumber.h"


#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>


using namespace abacoria;
using abacoria::testing::errorNumberOf;
using qtbackend::QtRuntime;
using testing::Harness;

class RuntimeTest : public QObject {
    Q_OBJECT

private slots:
    void messageBoxes_data();
    void messageBoxes();
    void elementCreation();
    void displayTextIsTheLineEdits();
    void shownControlsTakeTheHoverOnlyUnderThePointer();
    void programStartRefusesWindowsPaths();
    void programStartRunsAbsoluteExecutables();
};

void RuntimeTest::messageBoxes_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QString>("title"); // empty: none passed
    QTest::addColumn<int>("press"); // QMessageBox::StandardButton, or 0 for the default (Enter)
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("shownTitle");

    QTest::newRow("OK only, default") << 0 << "" << 0 << 1 << "Abacoria";
    QTest::newRow("OK only, clicked") << 0 << "Yell" << int(QMessageBox::Ok) << 1 << "Yell";
    QTest::newRow("Yes/No default is Yes") << 4 << "Abacoria" << 0 << 6 << "Abacoria";
    QTest::newRow("Yes clicked") << 4 << "Q" << int(QMessageBox::Yes) << 6 << "Q";
    QTest::newRow("No clicked") << 4 << "" << int(QMessageBox::No) << 7 << "Abacoria";
}

void RuntimeTest::messageBoxes()
{
    QFETCH(int, buttons);
    QFETCH(QString, title);
    QFETCH(int, press);
    QFETCH(int, result);
    QFETCH(QString, shownTitle);

    QtRuntime runtime; // no hook: the real dialog
    QString seenTitle, seenText;
    int seenButtons = 0;
    bool noIcon = false;
    bool firstIsDefault = false;
    // Answered from the event loop the dialog runs, as a user would.
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        seenTitle = box->windowTitle();
        seenText = box->text();
        seenButtons = static_cast<int>(box->buttons().size());
        noIcon = box->icon() == QMessageBox::NoIcon;
        firstIsDefault = box->defaultButton() == box->buttons().constFirst()
            || box->defaultButton() == box->button(buttons == 4 ? QMessageBox::Yes : QMessageBox::Ok);
        if (press)
            box->button(QMessageBox::StandardButton(press))->click();
        else
            QTest::keyClick(box, Qt::Key_Return);
    });
    const std::string t = title.toStdString();
    const int answer = title.isEmpty() ? runtime.msgBox("one\r\ntwo", buttons, std::nullopt)
                                       : runtime.msgBox("one\r\ntwo", buttons, t);
    QCOMPARE(answer, result);
    QCOMPARE(seenTitle, shownTitle);
    QCOMPARE(seenText, QString("one\ntwo"));
    QCOMPARE(seenButtons, buttons == 4 ? 2 : 1);
    QVERIFY(noIcon);
    QVERIFY(firstIsDefault);
}

void RuntimeTest::elementCreation()
{
    Harness h;
    auto* templ = qobject_cast<QPushButton*>(h.runtime.widget({"Command2", 0}));
    h.runtime.load({"Command2", 7});
    auto* copy = qobject_cast<QPushButton*>(h.runtime.widget({"Command2", 7}));
    QVERIFY(copy);
    QCOMPARE(copy->text(), templ->text());
    QCOMPARE(copy->geometry(), templ->geometry());
    QCOMPARE(copy->font(), templ->font());
    QVERIFY(copy->isHidden());
    QVERIFY(!h.runtime.visible({"Command2", 7}));
    QCOMPARE(copy->objectName(), QString("Command2(7)"));
    // Out of window-system resources: no widget is left behind.
    h.runtime.setElementLimit(1);
    QCOMPARE(errorNumberOf([&] { h.runtime.load({"Command2", 8}); }), 7);
    QVERIFY(!h.runtime.widget({"Command2", 8}));
    QCOMPARE(h.runtime.window()->findChildren<QPushButton*>(QString("Command2(8)")).size(), 0);
    // Clicking a created element runs nothing.
    h.runtime.setVisible({"Command2", 7}, true);
    copy->click();
    QVERIFY(h.boxes.empty());
    QCOMPARE(h.display(), std::string("0"));
}

void RuntimeTest::displayTextIsTheLineEdits()
{
    // What the user sees is what the handlers wrote, and what the user
    // typed is what they read.
    Harness h;
    auto* edit = qobject_cast<QLineEdit*>(h.runtime.widget({"Text1"}));
    h.click("cmdButton", 6);
    QCOMPARE(edit->text(), QString("7"));
    edit->setText(QString::fromUtf8("12Ã©"));
    h.click("cmdButton", 1);
    QCOMPARE(h.display(), std::string("12Ã©" "2"));
    QCOMPARE(edit->text(), QString::fromUtf8("12Ã©" "2"));
}

void RuntimeTest::shownControlsTakeTheHoverOnlyUnderThePointer()
{
    Harness h;
    QWidget* window = h.runtime.window();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QWidget* display = h.runtime.widget({"Text1"});
    const auto pointAt = [&](QPoint local) {
        QCursor::setPos(window->mapToGlobal(local));
        QTest::mouseMove(window->windowHandle(), local);
    };
    const auto placeAt = [&](int index, QPoint topLeft) {
        h.runtime.load({"Command2", index});
        h.runtime.move({"Command2", index}, static_cast<float>(topLeft.x() * 15), static_cast<float>(topLeft.y() * 15));
        return h.runtime.widget({"Command2", index});
    };
    const QPoint onDisplay = display->geometry().center();
    pointAt(onDisplay);
    QTRY_VERIFY(display->underMouse());

    // Away from the pointer: the hover stays where it is until the pointer
    // comes over the new button.
    QWidget* away = placeAt(1, QPoint(0, display->geometry().bottom() + 20));
    QVERIFY(!away->geometry().contains(onDisplay));
    h.runtime.setVisible({"Command2", 1}, true);
    QVERIFY(display->underMouse());
    QVERIFY(!away->underMouse());
    pointAt(away->geometry().center());
    QTRY_VERIFY(away->underMouse());
    QVERIFY(!display->underMouse());

    // Under the pointer: the new button takes the hover at once, and does
    // so after any number of quiet shows.
    pointAt(onDisplay);
    QTRY_VERIFY(display->underMouse());
    for (int i = 2; i <= 20; ++i) {
        placeAt(i, QPoint(0, 0));
        h.runtime.setVisible({"Command2", i}, true);
    }
    QVERIFY(display->underMouse());
    QWidget* under = placeAt(21, onDisplay - QPoint(5, 5));
    h.runtime.setVisible({"Command2", 21}, true);
    QVERIFY(under->underMouse());
    QVERIFY(!display->underMouse());
}

void RuntimeTest::programStartRefusesWindowsPaths()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString marker = dir.filePath("ran");
    const QString script = "#!/bin/sh\ntouch '" + marker + "'\n";
    // Plant executables under the literal name in the current folder and on PATH.
    for (const QString& name : {QString("C:\\Windows\\Clc.exe"), QString("Clc.exe")}) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(script.toUtf8());
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QString oldCwd = QDir::currentPath();
    const QByteArray oldPath = qgetenv("PATH");
    QDir::setCurrent(dir.path());
    qputenv("PATH", dir.path().toUtf8() + ":" + oldPath);

    QtRuntime runtime;
    const int windowsPath = errorNumberOf([&] { runtime.shell("C:\\Windows\\Clc.exe", rt::vbMaximizedFocus); });
    const int relative = errorNumberOf([&] { runtime.shell("Clc.exe", rt::vbMaximizedFocus); });
    const int dotRelative = errorNumberOf([&] { runtime.shell("./Clc.exe", rt::vbMaximizedFocus); });
    const int notExecutable = errorNumberOf([&] { runtime.shell("/etc/hostname", rt::vbMaximizedFocus); });
    const int missing = errorNumberOf([&] { runtime.shell("/nonexistent/Clc.exe", rt::vbMaximizedFocus); });

    QDir::setCurrent(oldCwd);
    qputenv("PATH", oldPath);
    QCOMPARE(windowsPath, 53);
    QCOMPARE(relative, 53);
    QCOMPARE(dotRelative, 53);
    QCOMPARE(notExecutable, 53);
    QCOMPARE(missing, 53);
    // A started program would have left its mark by now; nothing may have run.
    QTest::qWait(300);
    QVERIFY(!QFile::exists(marker));
}

void RuntimeTest::programStartRunsAbsoluteExecutables()
{
    QTemporaryDir dir;
    const QString marker = dir.filePath("ran");
    const QString path = dir.filePath("prog");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(("#!/bin/sh\ntouch '" + marker + "'\n").toUtf8());
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QtRuntime runtime;
    const double task = runtime.shell(path.toStdString(), rt::vbMaximizedFocus);
    QVERIFY(task > 0);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);
}

ABACORIA_TEST_MAIN(RuntimeTest)
#include "test_runtime.moc"
