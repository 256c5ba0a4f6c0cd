#include "app/shell/HeapTrim.h"

#include "app/shell/FirstFrame.h"
#include "platform/Clock.h"

#include <malloc.h>

#include <utility>

namespace qm {

HeapTrim::HeapTrim(FirstFrame& firstFrame, Clock& clock, std::chrono::milliseconds delay, Release release,
                   QObject* parent)
    : QObject(parent)
{
    if (!release)
        release = &HeapTrim::releaseFreeMemory;
    firstFrame.whenShown(
        this, [this, &clock, delay, release = std::move(release)] { clock.callAfter(delay, this, release); });
}

void HeapTrim::releaseFreeMemory()
{
    ::malloc_trim(0);
}

} // namespace qm
