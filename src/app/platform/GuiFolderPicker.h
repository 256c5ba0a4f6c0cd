#pragma once

#include "platform/FolderPicker.h"

#include <QObject>
#include <QPointer>

#include <memory>

class QPalette;
class QQmlEngine;

namespace qm {

// The desktop's folder chooser: a Qt Quick FolderDialog titled with the message, its accept button
// labelled "Scan", opening at the start folder (the home folder when none is given) and picking
// folders only. It is shown over the application's window and answers when it closes; it never
// blocks the GUI thread. The dialog lives in a small engine of its own, made at the first request.
// Lives on the GUI thread.
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

private slots:
    void onAccepted();
    void onRejected();

private:
    // Answers the open request once and lets its dialog go.
    void finish(const std::optional<Path>& folder);

    Answer m_answer;
    std::unique_ptr<QQmlEngine> m_engine;
    QPointer<QObject> m_dialog;
};

} // namespace qm
