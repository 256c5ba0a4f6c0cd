#pragma once

#include "platform/FolderPicker.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <memory>

class QPalette;
class QQuickItem;
class QQmlEngine;

namespace qm {

// The desktop's folder chooser: a Qt Quick FolderDialog titled with the message, its accept button
// labelled "Scan", opening at the start folder (the home folder when none is given) and picking
// folders only. It is shown over the application's window and answers when it closes; it never
// blocks the GUI thread. The dialog lives in a small engine of its own, made at the first request.
// "Scan" answers the row the user chose in the list (clicked, or moved to with the arrow keys) since the
// folder shown was entered, else the folder shown: at once after opening, after a typed path, after
// going up, and also when that folder has no subfolders. Lives on the GUI thread.
class GuiFolderPicker final : public QObject, public FolderPicker
{
    Q_OBJECT

public:
    explicit GuiFolderPicker(QObject* parent = nullptr);
    ~GuiFolderPicker() override;

    // Replaces a chooser still open (its caller gets no answer) and shows a new one.
    void choose(const QString& message, const std::optional<Path>& start, Answer answer) override;

    // The raw path of a local file address, byte for byte (percent escapes decoded as bytes);
    // nothing for an address that is not a local absolute path.
    static std::optional<Path> localPath(const QUrl& url);
    // Gives the chooser made for `dialog` (once it is open) every colour of `palette`, so that it reads
    // the same over any window; changes nothing when no chooser of it is found.
    static void useDesktopPalette(QObject* dialog, const QPalette& palette);

protected:
    // Notes, while a chooser is open, which row of its list the user clicks or reaches by key.
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void onAccepted();
    void onRejected();
    // A folder was entered: no row is chosen in it, none is highlighted, and "Scan" takes it.
    void folderEntered();
    // The list's current row moved: the user's choice when a key of theirs moved it.
    void rowMoved();
    // Keeps "Scan" available in a folder without subfolders (the chooser selects nothing there).
    void keepScanAvailable();

private:
    // Answers the open request once and lets its dialog go.
    void finish(const std::optional<Path>& folder);
    // Follows the chooser `m_dialog` made: the folders it enters and the rows the user picks.
    void watchChooser();
    // Lets the chooser being followed go.
    void stopWatching();

    Answer m_answer;
    std::unique_ptr<QQmlEngine> m_engine;
    QPointer<QObject> m_dialog;
    QPointer<QObject> m_chooser;
    QPointer<QQuickItem> m_list;
    // The row the user chose in the folder shown, if any.
    QUrl m_chosenRow;
    // True from a key press in the list until its release: a move of the current row is the user's.
    bool m_keyInList = false;
};

} // namespace qm
