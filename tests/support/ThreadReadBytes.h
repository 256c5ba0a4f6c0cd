#pragma once

#include <QtGlobal>

#include <sys/types.h>

namespace qm::test {

// Bytes the thread `tid` of this process has read through read(2) and its kin so far (its `rchar`),
// or -1 when the kernel does not say. Advice such as readahead is not counted.
qint64 threadReadBytes(pid_t tid);

// The calling thread's id, for threadReadBytes.
pid_t currentThreadId();

} // namespace qm::test
