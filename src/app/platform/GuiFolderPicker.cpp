#include "app/platform/GuiFolderPicker.h"

#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMetaEnum>
#include <QPalette>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTimer>
#include <QUrl>
#include <QVariant>

#include <algorithm>
#include <cmath>
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

// The chooser a dialog made when it opened: it lives among the dialog's objects or, being a popup,
// among those of the window it is shown in.
QList<QObject*> choosersOf(QObject* dialog)
{
    QList<QObject*> candidates = dialog->findChildren<QObject*>();
    if (auto* window = dialog->property("parentWindow").value<QWindow*>())
        candidates += window->findChildren<QObject*>();
    QList<QObject*> popups;
    for (QObject* candidate : candidates) {
        if (candidate->inherits("QQuickFolderDialogImpl") && !popups.contains(candidate))
            popups.append(candidate);
    }
    return popups;
}

// Relative luminance of a colour (0 black to 1 white).
double luminance(const QColor& colour)
{
    const auto channel = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The text colour for the chooser's selected row in `group`. The row is drawn on the palette's light
// colour tinted by 15 % of its highlight, a pale ground in a light scheme, on which the highlighted-text
// colour (white, made for the full highlight) cannot be read: the row takes whichever of that colour
// and the plain text colour reads better on the ground it really has.
QColor selectedRowText(const QPalette& palette, QPalette::ColorGroup group)
{
    const QColor light = palette.color(group, QPalette::Light);
    const QColor highlight = palette.color(group, QPalette::Highlight);
    const auto mix = [](double a, double b) { return a * 0.85 + b * 0.15; };
    const QColor ground = QColor::fromRgbF(float(mix(light.redF(), highlight.redF())),
                                           float(mix(light.greenF(), highlight.greenF())),
                                           float(mix(light.blueF(), highlight.blueF())));
    const QColor highlighted = palette.color(group, QPalette::HighlightedText);
    const QColor text = palette.color(group, QPalette::Text);
    return contrast(highlighted, ground) >= contrast(text, ground) ? highlighted : text;
}

// Every item below `root`, depth first.
QList<QQuickItem*> itemsUnder(QQuickItem* root)
{
    QList<QQuickItem*> items;
    for (QQuickItem* child : root->childItems()) {
        items.append(child);
        items += itemsUnder(child);
    }
    return items;
}

// The keys with which a list moves its current row.
bool movesRow(int key)
{
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown ||
           key == Qt::Key_Home || key == Qt::Key_End;
}

} // namespace

void GuiFolderPicker::useDesktopPalette(QObject* dialog, const QPalette& palette)
{
    // The chooser is a popup drawn inside the window it is shown over, so it would take that window's
    // palette: the dark window's light text over the chooser's light header and buttons (the roles the
    // window leaves to the desktop). It takes the desktop's palette whole instead (the platform theme's,
    // or Qt's own without one), whose roles are chosen to be read together.
    for (QObject* popup : choosersOf(dialog)) {
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
              std::pair{QPalette::Disabled, "disabled"}}) {
            auto* target = quickPalette->property(name).value<QObject*>();
            copyColourGroup(palette, group, target);
            if (target != nullptr)
                target->setProperty("highlightedText", selectedRowText(palette, group));
        }
    }
}

GuiFolderPicker::GuiFolderPicker(QObject* parent) : QObject(parent) {}

GuiFolderPicker::~GuiFolderPicker()
{
    stopWatching();
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
    stopWatching();
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
    watchChooser();
}

void GuiFolderPicker::watchChooser()
{
    const QList<QObject*> choosers = choosersOf(m_dialog);
    m_chooser = choosers.isEmpty() ? nullptr : choosers.first();
    m_list = m_chooser ? m_chooser->findChild<QQuickItem*>(QStringLiteral("folderDialogListView")) : nullptr;
    if (!m_chooser || !m_list)
        return;
    // The chooser's own selection is the list's current row, which it moves to the first subfolder as
    // soon as a folder is entered (and back to the folder left when going up): what the user chose is
    // followed here instead.
    connect(m_chooser, SIGNAL(currentFolderChanged(QUrl)), this, SLOT(folderEntered()));
    connect(m_chooser, SIGNAL(selectedFolderChanged(QUrl)), this, SLOT(keepScanAvailable()));
    connect(m_list, SIGNAL(currentIndexChanged()), this, SLOT(rowMoved()));
    QCoreApplication::instance()->installEventFilter(this);
    folderEntered();
}

void GuiFolderPicker::stopWatching()
{
    if (QCoreApplication* application = QCoreApplication::instance())
        application->removeEventFilter(this);
    if (m_chooser)
        disconnect(m_chooser, nullptr, this, nullptr);
    if (m_list)
        disconnect(m_list, nullptr, this, nullptr);
    m_chooser = nullptr;
    m_list = nullptr;
    m_chosenRow = QUrl();
    m_keyInList = false;
}

void GuiFolderPicker::folderEntered()
{
    m_chosenRow = QUrl();
    m_keyInList = false;
    if (m_list)
        m_list->setProperty("currentIndex", -1);
    keepScanAvailable();
    // A typed path that was taken leaves its field: the chooser hides it when it loses the focus and
    // again when it is accepted, which shows it once more (with "Scan" greyed out) after a folder with
    // subfolders took the focus. Once the chooser is done, the field is closed the way Escape closes it.
    QTimer::singleShot(0, this, [this] {
        if (!m_chooser || !m_list)
            return;
        QQuickItem* popup = m_list;
        while (popup->parentItem() != nullptr && !popup->inherits("QQuickPopupItem"))
            popup = popup->parentItem();
        for (auto* bar : itemsUnder(popup)) {
            if (!bar->inherits("QQuickFolderBreadcrumbBar"))
                continue;
            auto* field = bar->property("textField").value<QQuickItem*>();
            if (field == nullptr || !field->isVisible())
                continue;
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(bar, &escape);
            m_list->forceActiveFocus(Qt::OtherFocusReason);
        }
    });
}

void GuiFolderPicker::keepScanAvailable()
{
    if (m_chooser && m_chooser->property("selectedFolder").toUrl().isEmpty())
        m_chooser->setProperty("selectedFolder", m_chooser->property("currentFolder"));
}

void GuiFolderPicker::rowMoved()
{
    if (!m_keyInList || !m_list)
        return;
    if (auto* row = m_list->property("currentItem").value<QQuickItem*>())
        m_chosenRow = row->property("file").toUrl();
}

bool GuiFolderPicker::eventFilter(QObject* watched, QEvent* event)
{
    auto* item = qobject_cast<QQuickItem*>(watched);
    if (item == nullptr || !m_list || (item != m_list && !m_list->isAncestorOf(item)))
        return false;
    switch (event->type()) {
    case QEvent::KeyPress:
        if (movesRow(static_cast<QKeyEvent*>(event)->key()))
            m_keyInList = true;
        break;
    case QEvent::KeyRelease:
        m_keyInList = false;
        break;
    case QEvent::MouseButtonRelease:
        // A click on a row chooses it, also the row that is current already.
        for (QQuickItem* row = item; row != nullptr && row != m_list; row = row->parentItem()) {
            if (row->inherits("QQuickFileDialogDelegate")) {
                m_chosenRow = row->property("file").toUrl();
                break;
            }
        }
        break;
    default:
        break;
    }
    return false;
}

void GuiFolderPicker::onAccepted()
{
    QUrl folder = m_chosenRow;
    QObject* shown = m_chooser ? m_chooser.data() : m_dialog.data();
    if (folder.isEmpty() && shown != nullptr)
        folder = shown->property("currentFolder").toUrl();
    finish(localPath(folder));
}

void GuiFolderPicker::onRejected()
{
    finish(std::nullopt);
}

void GuiFolderPicker::finish(const std::optional<Path>& folder)
{
    stopWatching();
    Answer answer = std::exchange(m_answer, {});
    if (m_dialog)
        m_dialog->deleteLater();
    if (answer)
        answer(folder);
}

} // namespace qm
