#include "app/models/RestoreTracker.h"

#include <utility>

namespace qm {

RestoreTracker::Token& RestoreTracker::Token::operator=(Token&& other) noexcept
{
    if (this != &other) {
        reset();
        m_tracker = std::exchange(other.m_tracker, nullptr);
    }
    return *this;
}

void RestoreTracker::Token::reset()
{
    if (RestoreTracker* tracker = std::exchange(m_tracker, nullptr))
        tracker->release();
}

RestoreTracker::RestoreTracker(QObject* parent) : QObject(parent) {}

RestoreTracker::Token RestoreTracker::hold()
{
    if (++m_holds == 1)
        emit anyRestoringChanged();
    return Token(this);
}

void RestoreTracker::release()
{
    if (m_holds > 0 && --m_holds == 0)
        emit anyRestoringChanged();
}

void RestoreTracker::setEmptyingTrash(bool value)
{
    if (m_emptyingTrash == value)
        return;
    m_emptyingTrash = value;
    emit emptyingTrashChanged();
}

bool RestoreTracker::setHeld(Token& token, bool held)
{
    if (token.held() == held)
        return false;
    if (held)
        token = hold();
    else
        token.reset();
    return true;
}

} // namespace qm
