// The Qt backend's services, which need no window: message boxes, event
// passes and program starts.
#include "platform/qt/QtBackend.h"

#include "platform/qt/Widgets.h"
#include "runtime/RuntimeError.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>

namespace abacoria::qtbackend {

std::optional<int> QtBackend::messageBox(const rt::MessageBoxRequest& request)
{
    QString text = QString::fromStdString(request.prompt);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(unloaded_ ? nullptr : window_.data());
    box.setWindowTitle(QString::fromStdString(request.title));
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowModality(Qt::ApplicationModal);
    QAbstractButton* first = nullptr;
    if (request.buttons == rt::vbYesNo) {
        first = box.addButton(QMessageBox::Yes);
        box.addButton(QMessageBox::No); // also what Escape and the close box answer
    } else {
        first = box.addButton(QMessageBox::Ok);
    }
    box.setDefaultButton(qobject_cast<QPushButton*>(first));
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes: return rt::vbYes;
    case QMessageBox::No: return rt::vbNo;
    case QMessageBox::Ok: return rt::vbOK;
    default: return std::nullopt; // the program is ending under the box
    }
}

void QtBackend::processEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

double QtBackend::startProgram(const std::string& path, int /*windowStyle: no such thing here*/)
{
    const QString file = QString::fromStdString(path);
    const QFileInfo info(file);
    if (!info.isFile() || !info.isExecutable())
        throw rt::RuntimeError(rt::errFileNotFound);
    qint64 pid = 0;
    if (!QProcess::startDetached(file, {}, QString(), &pid))
        throw rt::RuntimeError(rt::errFileNotFound);
    return static_cast<double>(pid);
}

} // namespace abacoria::qtbackend
