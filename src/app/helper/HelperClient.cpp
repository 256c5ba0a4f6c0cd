#include "app/helper/HelperClient.h"

namespace qm::interim {

HelperClient::HelperClient(QObject* parent) : QObject(parent) {}

void HelperClient::refreshRegistrationIfAppChanged()
{
    ++m_registrationRefreshes;
}

} // namespace qm::interim
