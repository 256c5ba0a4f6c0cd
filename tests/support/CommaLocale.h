#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

namespace qm::test {

class TempTree;

// The German locale, which writes a decimal comma, compiled with localedef into a temporary folder
// and put in force for the whole process (LC_ALL, with LOCPATH pointing at the folder) for the life of
// the object; the locale and LOCPATH in force before come back when it goes. Not for use from two threads
// at once, like setlocale itself.
class CommaLocale
{
public:
    CommaLocale();
    ~CommaLocale();
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    // Empty when the locale is in force and printf's "%.1f" of 7.25 reads "7,2"; otherwise why not.
    const QString& failure() const { return m_failure; }

private:
    std::unique_ptr<TempTree> m_folder;
    QByteArray m_oldLocPath;
    QByteArray m_oldLocale;
    QString m_failure;
};

} // namespace qm::test
