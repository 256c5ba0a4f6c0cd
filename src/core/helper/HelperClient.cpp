#include "core/helper/HelperClient.h"

#include "core/helper/DBusHelperConnection.h"
#include "platform/Timer.h"
#include "protocol/SystemThreatRemovalPolicy.h"

#include <QCoreApplication>
#include <QDBusError>
#include <QDBusMessage>
#include <QPointer>
#include <QSettings>
#include <QStringDecoder>
#include <QStringList>
#include <QThreadPool>

#include <cerrno>
#include <string_view>

#ifndef QM_BUILD_NUMBER
#error "QM_BUILD_NUMBER must name the application's build (the project version)"
#endif

namespace qm {
namespace {

using Answer = HelperClient::Answer;

QString stillFinishing()
{
    return QStringLiteral(
        "This action is still finishing from a moment ago \u2014 give it a bit longer before trying again.");
}

QString takingLonger()
{
    return QStringLiteral("This is taking longer than expected \u2014 it may still be finishing. Give it a "
                          "moment, then check again.");
}

QString removalTakingLonger()
{
    return QStringLiteral(
        "This is taking longer than expected \u2014 check the item in your file manager, then re-scan.");
}

QString nothingValid()
{
    return QStringLiteral("Nothing valid to remove.");
}

QSettings userSettings()
{
    return QSettings(QStringLiteral("Vellora"), QStringLiteral("Quillmere"));
}

bool wasCancelled(const Result<void>& result)
{
    return !result.ok() && result.error().isPosix(ECANCELED);
}

// A control character (NUL included), a line separator or a bidirectional override never belongs in a
// label or a path: the helper refuses them by the same rule, and the bus would cut a string at its
// first NUL, sending another name than the one checked.
bool hasRefusedCharacter(QByteArrayView bytes)
{
    return SystemThreatRemovalPolicy::holdsRefusedCharacter(
        std::string_view(bytes.data(), std::size_t(bytes.size())));
}

// The text the bus carries for `path`, or nothing when that text would name another file.
std::optional<QString> busText(const Path& path)
{
    const QByteArrayView bytes(path.native().data(), qsizetype(path.native().size()));
    if (hasRefusedCharacter(bytes))
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// How a call the helper did not answer with a reply ended.
enum class CallError {
    busy,      // the helper or the bus turned it away for its limits: nothing of it ran
    noReply,   // the bus gave up waiting: the helper may still be working on it
    connection // the helper could not be reached (not running, not activatable, gone)
};

CallError callErrorOf(const QDBusMessage& message)
{
    const QString name = message.errorName();
    if (name == HelperProtocol::limitsExceededError())
        return CallError::busy;
    if (name == QDBusError::errorString(QDBusError::NoReply) ||
        name == QDBusError::errorString(QDBusError::Timeout) ||
        name == QStringLiteral("org.freedesktop.DBus.Error.TimedOut"))
        return CallError::noReply;
    return CallError::connection;
}

// The helper's (or the bus's) own words for a call it turned away as busy.
QString busyText(const QDBusMessage& message)
{
    const QString text = message.errorMessage().trimmed();
    return text.isEmpty() ? QStringLiteral("The privileged helper is busy. Try again in a moment.") : text;
}

Answer fallbackAnswer(HelperAction action, const Result<ProcessOutcome>& outcome)
{
    if (!outcome)
        return Answer{false, outcome.error().description()};
    if (outcome->succeeded())
        return Answer{true, HelperClient::fallbackSuccessMessage(action)};
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(outcome->standardError);
    if (decoder.hasError())
        text.clear();
    // A command's own status 126 is a failure like any other; only pkexec's dismissal is a cancel.
    if (AdminPrompt::isDismissal(*outcome) || text.contains(QLatin1String("-128")) ||
        text.contains(QLatin1String("cancel"), Qt::CaseInsensitive))
        return Answer{false, QStringLiteral("Cancelled")};
    return Answer{false, QStringLiteral("Failed \u2014 ") + text.trimmed()};
}

} // namespace

HelperClient::Services HelperClient::systemServices(Clock& clock)
{
    return Services{clock,
                    std::make_shared<DaemonService>(HelperProtocol::systemdUnitName()),
                    std::make_shared<AdminPrompt>(),
                    [] { return std::make_unique<DBusHelperConnection>(); },
                    applicationBuild(),
                    nullptr};
}

QString HelperClient::applicationBuild()
{
    return QStringLiteral(QM_BUILD_NUMBER);
}

QString HelperClient::registeredBuildKey()
{
    return QStringLiteral("com.vellora.helper.registeredBuild");
}

std::chrono::milliseconds HelperClient::replyDeadline(HelperAction action)
{
    return HelperActions::replyDeadline(action);
}

std::chrono::milliseconds HelperClient::pendingHold(HelperAction action)
{
    return HelperActions::pendingHold(action);
}

std::string HelperClient::fallbackCommand(HelperAction action)
{
    switch (action) {
    case HelperAction::freeMemory:
        return "/bin/sync && echo 3 > /proc/sys/vm/drop_caches";
    case HelperAction::flushDNS:
        // Both always run; only the resolver's own flush decides the outcome.
        return "/usr/bin/resolvectl flush-caches; s=$?; /usr/sbin/nscd --invalidate=hosts >/dev/null 2>&1; "
               "exit $s";
    case HelperAction::runMaintenance:
        // All three folders run; the first failure's status is the outcome.
        return "s=0; for d in /etc/cron.daily /etc/cron.weekly /etc/cron.monthly; do /bin/run-parts $d; "
               "r=$?; "
               "[ $s -ne 0 ] || s=$r; done; exit $s";
    }
    return "false";
}

QString HelperClient::fallbackSuccessMessage(HelperAction action)
{
    switch (action) {
    case HelperAction::freeMemory:
        return QStringLiteral("Page cache dropped");
    case HelperAction::flushDNS:
        return QStringLiteral("DNS cache flushed");
    case HelperAction::runMaintenance:
        return QStringLiteral("Maintenance scripts ran");
    }
    return {};
}

HelperClient::HelperClient(Services services, QObject* parent)
    : QObject(parent), m_services(std::move(services))
{}

HelperClient::~HelperClient() = default;

template <typename T, typename Work, typename Then>
void HelperClient::runJob(Work work, Then then, bool registration)
{
    if (registration && m_registrationJobs++ == 0)
        emit registrationBusyChanged();
    QThreadPool* pool = m_services.pool ? m_services.pool : QThreadPool::globalInstance();
    const QPointer<HelperClient> self(this);
    pool->start([self, work, then, registration] {
        T result = work();
        // Posted to the application object, which outlives the client; the guard decides on arrival. A job
        // that ends after the application object is gone (a prompt still open at exit) reports nowhere.
        QCoreApplication* const application = QCoreApplication::instance();
        if (!application)
            return;
        QMetaObject::invokeMethod(
            application,
            [self, result, then, registration] {
                if (!self)
                    return;
                then(result);
                if (registration && --self->m_registrationJobs == 0)
                    emit self->registrationBusyChanged();
            },
            Qt::QueuedConnection);
    });
}

void HelperClient::publish(Status status, const QString& message)
{
    // Anything published directly outranks a query still on its way.
    ++m_statusGeneration;
    m_status = status;
    m_statusMessage = status == Status::unavailable ? message : QString();
    emit statusChanged();
}

void HelperClient::publishDaemonStatus(const Result<DaemonService::Status>& status)
{
    if (!status) {
        publish(Status::unavailable, status.error().description());
        return;
    }
    switch (*status) {
    case DaemonService::Status::notRegistered:
    case DaemonService::Status::notFound:
        publish(Status::notInstalled);
        return;
    case DaemonService::Status::enabled:
        publish(Status::installed);
        return;
    case DaemonService::Status::requiresApproval:
        publish(Status::requiresApproval);
        return;
    case DaemonService::Status::unknown:
        break;
    }
    publish(Status::unavailable, QStringLiteral("Unknown state"));
}

void HelperClient::refreshStatus()
{
    refreshStatusThen({});
}

void HelperClient::refreshStatusThen(std::function<void()> then)
{
    const quint64 generation = ++m_statusGeneration;
    runJob<Result<DaemonService::Status>>(
        [service = m_services.daemonService] { return service->status(); },
        [this, generation, then](const Result<DaemonService::Status>& status) {
            if (generation == m_statusGeneration)
                publishDaemonStatus(status);
            if (then)
                then();
        },
        true);
}

std::optional<QString> HelperClient::storedBuild() const
{
    const QSettings settings = userSettings();
    if (!settings.contains(registeredBuildKey()))
        return std::nullopt;
    return settings.value(registeredBuildKey()).toString();
}

void HelperClient::storeBuild()
{
    QSettings settings = userSettings();
    settings.setValue(registeredBuildKey(), m_services.currentBuild);
}

void HelperClient::removeStoredBuild()
{
    QSettings settings = userSettings();
    settings.remove(registeredBuildKey());
}

void HelperClient::install()
{
    m_daemonUsable.reset();
    runJob<Result<void>>([service = m_services.daemonService] { return service->registerDaemon(); },
                         [this](const Result<void>& registered) {
                             if (registered.ok())
                                 storeBuild();
                             if (registered.ok() || wasCancelled(registered))
                                 refreshStatus();
                             else
                                 publish(Status::unavailable, registered.error().description());
                         },
                         true);
}

void HelperClient::uninstall()
{
    m_daemonUsable.reset();
    runJob<Result<void>>([service = m_services.daemonService] { return service->unregisterDaemon(); },
                         [this](const Result<void>& unregistered) {
                             dropConnection();
                             // Only a deliberate removal that took place forgets the build, so it is not
                             // registered again.
                             if (unregistered.ok())
                                 removeStoredBuild();
                             refreshStatus();
                         },
                         true);
}

void HelperClient::refreshRegistrationIfAppChanged()
{
    if (m_reregistering)
        return;
    m_reregistering = true;
    if (m_registrationJobs++ == 0)
        emit registrationBusyChanged();
    runJob<Result<DaemonService::Status>>(
        [service = m_services.daemonService] { return service->status(); },
        [this](const Result<DaemonService::Status>& status) {
            const std::optional<QString> stored = storedBuild();
            const bool enabled = status.ok() && *status == DaemonService::Status::enabled;
            // An earlier attempt unregistered the daemon and then failed to register it again; a build
            // that was never stored (or removed by uninstall) means the user never wanted it.
            const bool leftUnregistered = status.ok() && *status == DaemonService::Status::notRegistered &&
                                          stored && *stored != m_services.currentBuild;
            if (!(enabled && stored != m_services.currentBuild) && !leftUnregistered) {
                finishRegistrationRefresh();
                return;
            }
            dropConnection();
            m_daemonUsable.reset();
            if (!enabled) {
                attemptRegistration(1);
                return;
            }
            runJob<Result<void>>([service = m_services.daemonService] { return service->unregisterDaemon(); },
                                 [this](const Result<void>& unregistered) {
                                     if (wasCancelled(unregistered)) {
                                         refreshStatus();
                                         finishRegistrationRefresh();
                                         return;
                                     }
                                     attemptRegistration(1);
                                 },
                                 true);
        },
        true);
}

void HelperClient::attemptRegistration(int attempt)
{
    runJob<Result<void>>(
        [service = m_services.daemonService] { return service->registerDaemon(); },
        [this, attempt](const Result<void>& registered) {
            if (registered.ok())
                storeBuild();
            if (registered.ok() || wasCancelled(registered)) {
                refreshStatus();
                finishRegistrationRefresh();
                return;
            }
            if (attempt >= kRegistrationAttempts) {
                refreshStatusThen([this] {
                    publish(
                        Status::unavailable,
                        QStringLiteral("The privileged helper couldn't be registered again after an update. "
                                       "Install it again from Performance."));
                });
                finishRegistrationRefresh();
                return;
            }
            m_services.clock.callAfter(kRegistrationPause, this,
                                       [this, attempt] { attemptRegistration(attempt + 1); });
        },
        true);
}

void HelperClient::finishRegistrationRefresh()
{
    m_reregistering = false;
    if (--m_registrationJobs == 0)
        emit registrationBusyChanged();
}

HelperConnection& HelperClient::connection()
{
    if (!m_connection) {
        m_connection = m_services.connect().release();
        m_connection->setParent(this);
        connect(m_connection, &HelperConnection::interrupted, this, [this] { m_daemonUsable.reset(); });
        connect(m_connection, &HelperConnection::invalidated, this, [this] {
            dropConnection();
            m_daemonUsable.reset();
        });
    }
    return *m_connection;
}

void HelperClient::dropConnection()
{
    if (!m_connection)
        return;
    m_connection->disconnect(this);
    // Possibly called from one of its own signals, so it goes once control is back in the event loop.
    m_connection->deleteLater();
    m_connection = nullptr;
}

Timer* HelperClient::startDeadline(std::chrono::milliseconds delay, std::function<void()> onTimeout)
{
    Timer* timer = m_services.clock.createTimer().release();
    timer->setParent(this);
    connect(timer, &Timer::timeout, this, [timer, onTimeout = std::move(onTimeout)] {
        timer->deleteLater();
        onTimeout();
    });
    timer->start(delay, false);
    return timer;
}

void HelperClient::clearPending(HelperAction action, quint64 generation)
{
    const auto stored = m_pendingActionGeneration.find(action);
    if (stored != m_pendingActionGeneration.end() && stored->second == generation)
        m_pendingActions.erase(action);
}

void HelperClient::perform(HelperAction action, AnswerHandler done)
{
    if (m_pendingActions.count(action) > 0) {
        done(Answer{false, stillFinishing()});
        return;
    }
    m_pendingActions.insert(action);
    const quint64 generation = ++m_pendingActionGeneration[action];
    if (m_daemonUsable == false || m_status != Status::installed) {
        runWithAuthorization(action, generation, std::move(done));
        return;
    }
    callDaemon(action, generation, std::move(done));
}

void HelperClient::callDaemon(HelperAction action, quint64 generation, AnswerHandler done)
{
    // Of reply, error and deadline, the first decides the answer.
    auto settled = std::make_shared<bool>(false);
    const QPointer<Timer> deadline =
        startDeadline(replyDeadline(action), [this, settled, action, generation, done] {
            if (*settled)
                return;
            *settled = true;
            // The helper may still be working: the action stays refused until a late reply or the hold ends.
            m_services.clock.callAfter(pendingHold(action), this,
                                       [this, action, generation] { clearPending(action, generation); });
            done(Answer{false, takingLonger()});
        });
    // The bus waits past the deadline and the hold, so a late reply still frees the action.
    const std::chrono::milliseconds busTimeout =
        replyDeadline(action) + pendingHold(action) + kBusTimeoutMargin;
    connection().send(HelperProtocol::performActionCall(HelperActions::toRaw(action)), busTimeout,
                      [this, settled, deadline, action, generation, done](const QDBusMessage& message) {
                          if (deadline) {
                              deadline->stop();
                              deadline->deleteLater();
                          }
                          const std::optional<Answer> reply = HelperProtocol::helperReplyFrom(message);
                          if (*settled) {
                              // A late reply is not shown; it only says the helper works.
                              if (reply) {
                                  m_daemonUsable = true;
                                  clearPending(action, generation);
                              }
                              return;
                          }
                          *settled = true;
                          if (reply) {
                              m_daemonUsable = true;
                              clearPending(action, generation);
                              done(*reply);
                              return;
                          }
                          switch (callErrorOf(message)) {
                          case CallError::busy:
                              // The helper's answer, not a sign it is unreachable: nothing ran, nothing
                              // is retried, and no prompt stands in for it.
                              clearPending(action, generation);
                              done(Answer{false, busyText(message)});
                              return;
                          case CallError::noReply:
                              // As at the deadline: the helper may still be running the action.
                              m_services.clock.callAfter(
                                  pendingHold(action), this,
                                  [this, action, generation] { clearPending(action, generation); });
                              done(Answer{false, takingLonger()});
                              return;
                          case CallError::connection:
                              break;
                          }
                          m_daemonUsable = false;
                          runWithAuthorization(action, generation, done);
                      });
}

void HelperClient::runWithAuthorization(HelperAction action, quint64 generation, AnswerHandler done)
{
    runJob<Result<ProcessOutcome>>(
        [prompt = m_services.adminPrompt, command = fallbackCommand(action)] { return prompt->run(command); },
        [this, action, generation, done](const Result<ProcessOutcome>& outcome) {
            clearPending(action, generation);
            done(fallbackAnswer(action, outcome));
        },
        false);
}

void HelperClient::removeSystemThreat(const QString& label, const std::vector<Path>& paths,
                                      AnswerHandler done)
{
    if (m_status != Status::installed || m_daemonUsable == false) {
        done(Answer{false,
                    QStringLiteral("Install the privileged helper first to remove system-level items.")});
        return;
    }
    // Every path goes, or none: leaving one out would remove part of the item and report success.
    QStringList sendable;
    for (const Path& path : paths) {
        const bool absolute = !path.native().empty() && path.native().front() == '/';
        std::optional<QString> text = absolute ? busText(path) : std::nullopt;
        if (!text) {
            sendable.clear();
            break;
        }
        sendable << *text;
    }
    if (sendable.isEmpty() || hasRefusedCharacter(label.toUtf8())) {
        done(Answer{false, nothingValid()});
        return;
    }

    auto settled = std::make_shared<bool>(false);
    const QPointer<Timer> deadline = startDeadline(kRemovalDeadline, [settled, done] {
        if (*settled)
            return;
        *settled = true;
        done(Answer{false, removalTakingLonger()});
    });
    connection().send(HelperProtocol::removeSystemThreatCall(label, sendable),
                      kRemovalDeadline + kBusTimeoutMargin,
                      [settled, deadline, done](const QDBusMessage& message) {
                          if (deadline) {
                              deadline->stop();
                              deadline->deleteLater();
                          }
                          if (*settled)
                              return; // after the deadline: dropped
                          *settled = true;
                          if (const std::optional<Answer> reply = HelperProtocol::helperReplyFrom(message)) {
                              done(*reply);
                              return;
                          }
                          switch (callErrorOf(message)) {
                          case CallError::busy:
                              done(Answer{false, busyText(message)});
                              return;
                          case CallError::noReply:
                              done(Answer{false, removalTakingLonger()});
                              return;
                          case CallError::connection:
                              break;
                          }
                          done(Answer{false, QStringLiteral("Couldn't reach the privileged helper.")});
                      });
}

} // namespace qm
