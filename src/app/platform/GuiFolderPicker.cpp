#include "app/platform/GuiFolderPicker.h"

#include "platform/Workspace.h"

#include <QGuiApplication>
#include <QMetaEnum>
#include <QPalette>
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

// Writes every colour role of `group` in `palette` to the Qt Quick colour group `target` (its properties
// are named after the roles: "windowText", "base", ...).
void copyColourGroup(const QPalette& palette, QPalette::ColorGroup group, QObject* target)
{
    if (target == nullptr)
        return;
    const QMetaEnum roles = QMetaEnum::fromType<QPalette::ColorRole>();
    for (int i = 0; i < roles.keyCount(); ++i) {
        const auto role = QPalette::ColorRole(roles.value(i));
        if (role == QPalette::NoRole || role >= QPalette::NColorRoles)
            continue;
        QByteArray name(roles.key(i));
        name[0] = char(QChar::toLower(uchar(name[0])));
        target->setProperty(name.constData(), palette.color(group, role));
    }
}

} // namespace

void GuiFolderPicker::useDesktopPalette(QObject* dialog, const QPalette& palette)
{
    // The chooser is a popup drawn inside the window it is shown over, so it would take that window's
    // palette: the dark window's light text over the chooser's light header and buttons (the roles the
    // window leaves to the desktop). It takes the desktop's palette whole instead (the platform theme's,
    // or Qt's own without one), whose roles are chosen to be read together.
    // The chooser is made by the dialog when it opens; it lives among the dialog's objects or, being
    // a popup, among those of the window it is shown in.
    QList<QObject*> candidates = dialog->findChildren<QObject*>();
    if (auto* window = dialog->property("parentWindow").value<QWindow*>())
        candidates += window->findChildren<QObject*>();
    QList<QObject*> popups;
    for (QObject* candidate : candidates) {
        if (candidate->inherits("QQuickFolderDialogImpl") && !popups.contains(candidate))
            popups.append(candidate);
    }
    for (QObject* popup : popups) {
        // The path bar draws a plain white ground whatever the palette says; it takes the palette's
        // ground for text fields, so its crumbs (button text) read on it in a dark scheme as well.
        for (QObject* bar : popup->findChildren<QObject*>()) {
            if (!bar->inherits("QQuickFolderBreadcrumbBar"))
                continue;
            if (auto* ground = bar->property("background").value<QObject*>())
                ground->setProperty("color", palette.color(QPalette::Active, QPalette::Base));
        }
        auto* quickPalette = popup->property("palette").value<QObject*>();
        if (quickPalette == nullptr)
            continue;
        for (const auto& [group, name] :
             {std::pair{QPalette::Active, "active"}, std::pair{QPalette::Inactive, "inactive"},
              std::pair{QPalette::Disabled, "disabled"}})
            copyColourGroup(palette, group, quickPalette->property(name).value<QObject*>());
    }
}

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
    useDesktopPalette(dialog, QGuiApplication::palette());
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
