#pragma once

#include <QDir>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTest>

#include <cstdio>

namespace qm::test {

// Saves pictures of a page as FOLDER/PREFIX-NAME.png for people to look at (never compared by pixels),
// and remembers whether any step failed. Works with any screen that offers `window()`, `wait(ms)` and
// `grab()` (ScreenHarness and the harnesses built on it); it does not load or drive the page.
class ScreenCapture
{
public:
    // `rest`: where the pointer rests while a picture is taken (on the backdrop, so no hover help or
    // lift shows); `settleMs`: how long a page settles before a picture by default.
    ScreenCapture(QString folder, QString prefix, QPoint rest, int settleMs)
        : m_folder(std::move(folder)), m_prefix(std::move(prefix)), m_rest(rest), m_settleMs(settleMs)
    {}

    // Saves the window as PREFIX-NAME.png after the page has settled for `settleMs` (the default when
    // negative) with the pointer at `pointer` (the resting place when null); false, and failed, when it
    // could not be saved.
    template <typename Screen>
    bool shoot(Screen& screen, const QString& name, int settleMs = -1, QPoint pointer = QPoint())
    {
        QTest::mouseMove(screen.window(), pointer.isNull() ? m_rest : pointer);
        screen.wait(settleMs < 0 ? m_settleMs : settleMs);
        const QString path =
            m_folder + QLatin1Char('/') + m_prefix + QLatin1Char('-') + name + QStringLiteral(".png");
        const QImage picture = screen.grab();
        if (picture.isNull() || !picture.save(path))
            return fail(QStringLiteral("could not save ") + path);
        std::printf("saved %s\n", qPrintable(path));
        return true;
    }
    // Reports `why` and marks the run failed; always false.
    bool fail(const QString& why)
    {
        std::fprintf(stderr, "FAIL: %s\n", qPrintable(why));
        m_failed = true;
        return false;
    }
    // `condition`, failing with `what` when it does not hold.
    bool check(bool condition, const QString& what) { return condition || fail(what); }
    // Fails with Qt's `warnings` when there are any.
    void checkWarnings(const QStringList& warnings)
    {
        if (!warnings.isEmpty())
            fail(QStringLiteral("Qt warned: ") + warnings.join(QLatin1Char('\n')));
    }
    bool failed() const { return m_failed; }

    // The output folder named by the only argument in `arguments`, made absolute and created; empty,
    // after printing the usage of `program`, when the arguments are not that.
    static QString outputFolder(const QStringList& arguments, const char* program)
    {
        if (arguments.size() != 2) {
            std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", program);
            return {};
        }
        const QString folder = QDir(arguments.at(1)).absolutePath();
        QDir().mkpath(folder);
        return folder;
    }

private:
    QString m_folder;
    QString m_prefix;
    QPoint m_rest;
    int m_settleMs;
    bool m_failed = false;
};

} // namespace qm::test
