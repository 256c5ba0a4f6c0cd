#pragma once

#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

#include <utility>

namespace qm {

// What the modules that undo through the Trash share, so that restoring and emptying never overlap:
// `anyRestoring` holds while any module moves items back out of the Trash (each holds a token for as
// long as it does), and `emptyingTrash` while the Cleanup module deletes the Trash's content. Emptying
// is refused while anything is restored, and every undo is refused while the Trash is emptied. Only
// a flag: it stops nothing that already runs. Lives on the GUI thread.
class RestoreTracker : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The view-model container owns the restore tracker")
    Q_PROPERTY(bool anyRestoring READ anyRestoring NOTIFY anyRestoringChanged)
    Q_PROPERTY(bool emptyingTrash READ emptyingTrash NOTIFY emptyingTrashChanged)

public:
    // One restore under way: counts while it lives; moving hands the count on, destroying (or
    // `reset`) gives it back. Outliving the tracker is harmless.
    class Token
    {
    public:
        Token() = default;
        ~Token() { reset(); }
        Token(Token&& other) noexcept : m_tracker(std::exchange(other.m_tracker, nullptr)) {}
        Token& operator=(Token&& other) noexcept;
        Token(const Token&) = delete;
        Token& operator=(const Token&) = delete;
        // Gives the count back now; a second call does nothing.
        void reset();
        bool held() const { return !m_tracker.isNull(); }

    private:
        friend class RestoreTracker;
        explicit Token(RestoreTracker* tracker) : m_tracker(tracker) {}
        QPointer<RestoreTracker> m_tracker;
    };

    explicit RestoreTracker(QObject* parent = nullptr);

    // Counts one more restore for as long as the token lives.
    [[nodiscard]] Token hold();
    // Makes `token` a hold of this tracker (`held` true) or gives it back; returns whether that changed
    // anything. A model's own "restoring" flag is exactly whether its token is held.
    bool setHeld(Token& token, bool held);
    bool anyRestoring() const { return m_holds > 0; }
    bool emptyingTrash() const { return m_emptyingTrash; }
    // Set by the Cleanup module for the length of one emptying.
    void setEmptyingTrash(bool value);

signals:
    void anyRestoringChanged();
    void emptyingTrashChanged();

private:
    void release();

    int m_holds = 0;
    bool m_emptyingTrash = false;
};

} // namespace qm
