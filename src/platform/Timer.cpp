#include "platform/Timer.h"

namespace qm {

Timer::Timer(QObject* parent) : QObject(parent) {}

Timer::~Timer() = default;

} // namespace qm
