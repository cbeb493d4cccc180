// What the launcher does when memory runs out: the failure report, as for
// any other launch that cannot go on, instead of an end without a word.
#ifndef VELTRANE_LAUNCHER_MEMORY_EXHAUSTION_H_
#define VELTRANE_LAUNCHER_MEMORY_EXHAUSTION_H_

#include "platform/platform.h"

namespace veltrane {

// Sets aside memory that is given back when an allocation fails, so that
// the report can still be built and shown through the platform.
void prepareForMemoryExhaustion(Platform& platform);

// Called when an allocation fails: shows the report with the error text
// "Not enough space" and the launcher's command line, and ends the process
// with status 1. Returns false, having done nothing, when the launcher was
// not prepared (the caller then aborts). A failure while the report is
// being built ends the process with status 1 at once.
bool reportMemoryExhaustion();

}  // namespace veltrane

#endif  // VELTRANE_LAUNCHER_MEMORY_EXHAUSTION_H_
