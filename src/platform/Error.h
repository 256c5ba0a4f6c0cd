#pragma once

#include <QString>

#include <memory>

namespace qm {

// Where an error code comes from. `Posix` codes are errno values; `File` codes are the
// file-operation codes of the original platform that callers still classify (257 = no
// permission to read, 513 = no permission to write, 4 = no such file).
enum class ErrorDomain { Posix, File };

// An error as a value: a domain, a code, a sentence for people, and optionally the error one
// level down that caused it. Copyable and cheap; never thrown.
class Error
{
public:
    Error() = default;
    Error(ErrorDomain domain, int code, QString description, std::shared_ptr<const Error> underlying = {});

    // A POSIX error for `errnoValue`, described by the C library's message for it.
    static Error posix(int errnoValue);
    // The same with `context` (for example the operation) before the C library's message.
    static Error posix(int errnoValue, const QString& context);
    // A file-domain error that wraps `underlying` one level down.
    static Error file(int code, QString description, const Error& underlying);

    ErrorDomain domain() const { return m_domain; }
    int code() const { return m_code; }
    const QString& description() const { return m_description; }
    // The error one level down, or null.
    const Error* underlying() const { return m_underlying.get(); }

    bool isPosix(int errnoValue) const { return m_domain == ErrorDomain::Posix && m_code == errnoValue; }

private:
    ErrorDomain m_domain = ErrorDomain::Posix;
    int m_code = 0;
    QString m_description;
    std::shared_ptr<const Error> m_underlying;
};

} // namespace qm
