#include "platform/Error.h"

#include <cstring>

namespace qm {

Error::Error(ErrorDomain domain, int code, QString description, std::shared_ptr<const Error> underlying)
    : m_domain(domain), m_code(code), m_description(std::move(description)),
      m_underlying(std::move(underlying))
{}

Error Error::posix(int errnoValue)
{
    return Error(ErrorDomain::Posix, errnoValue, QString::fromLocal8Bit(std::strerror(errnoValue)));
}

Error Error::posix(int errnoValue, const QString& context)
{
    return Error(ErrorDomain::Posix, errnoValue,
                 context + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errnoValue)));
}

Error Error::file(int code, QString description, const Error& underlying)
{
    return Error(ErrorDomain::File, code, std::move(description), std::make_shared<const Error>(underlying));
}

} // namespace qm
