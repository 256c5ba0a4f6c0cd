#pragma once

#include "protocol/HelperProtocol.h"

#include <QString>

#include <ostream>

// Lets test failures in this suite show texts and replies as text rather than bytes.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace qm::HelperProtocol {

inline void PrintTo(const HelperReply& reply, std::ostream* out)
{
    *out << '(' << (reply.ok ? "true" : "false") << ", \"" << reply.message.toStdString() << "\")";
}

} // namespace qm::HelperProtocol
