#include "core/helper/HelperConnection.h"

namespace qm {

HelperConnection::HelperConnection(QObject* parent) : QObject(parent) {}

HelperConnection::~HelperConnection() = default;

} // namespace qm
