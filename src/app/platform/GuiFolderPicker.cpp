#include "app/platform/GuiFolderPicker.h"

#include "platform/Workspace.h"

#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QUrl>
#include <QVariant>

#include <utility>

namespace qm {
namespace {

// FolderDialog's properties are set from C++ so that no text reaches the QML source.
const QByteArray kDialogSource = QByteArrayLiteral("import QtQuick.Dialogs\nFolderDialog {}\n");

// The application's window, for the dialog to be shown over (the non-native dialog needs one).
QWindow* mainWindow()
{
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        if (qobject_cast<QQuickWindow*>(window) && window->isVisible())
            return window;
    }
    return QGuiApplication::focusWindow();
}

} // namespace

GuiFolderPicker::GuiFolderPicker(QObject* parent) : QObject(parent) {}

GuiFolderPicker::~GuiFolderPicker()
{
    delete m_dialog.data();
}

std::optional<Path> GuiFolderPicker::localPath(const QUrl& url)
{
    if (!url.isLocalFile())
        return std::nullopt;
    const QByteArray raw = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (raw.isEmpty() || raw.front() != '/')
        return std::nullopt;
    return Path(raw.toStdString());
}

void GuiFolderPicker::choose(const QString& message, const std::optional<Path>& start, Answer answer)
{
    m_answer = {};
    delete m_dialog.data();
    if (!m_engine)
        m_engine = std::make_unique<QQmlEngine>();
    QQmlComponent component(m_engine.get());
    component.setData(kDialogSource, QUrl());
    QObject* dialog = component.create();
    if (!dialog) {
        answer(std::nullopt);
        return;
    }
    m_dialog = dialog;
    dialog->setParent(this);
    dialog->setProperty("title", message);
    dialog->setProperty("acceptLabel", QStringLiteral("Scan"));
    dialog->setProperty("currentFolder", Workspace::fileUrl(start ? *start : FileSystem::homeDirectory()));
    if (QWindow* window = mainWindow())
        dialog->setProperty("parentWindow", QVariant::fromValue(window));

    m_answer = std::move(answer);
    connect(dialog, SIGNAL(accepted()), this, SLOT(onAccepted()));
    connect(dialog, SIGNAL(rejected()), this, SLOT(onRejected()));
    QMetaObject::invokeMethod(dialog, "open");
}

void GuiFolderPicker::onAccepted()
{
    const QUrl folder = m_dialog ? m_dialog->property("selectedFolder").toUrl() : QUrl();
    finish(localPath(folder));
}

void GuiFolderPicker::onRejected()
{
    finish(std::nullopt);
}

void GuiFolderPicker::finish(const std::optional<Path>& folder)
{
    Answer answer = std::exchange(m_answer, {});
    if (m_dialog)
        m_dialog->deleteLater();
    if (answer)
        answer(folder);
}

} // namespace qm
