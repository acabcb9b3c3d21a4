// Hands memory that the process has freed back to the system. The allocator keeps freed pages for
// later use, per thread that allocated them: after a large job (an image recognised on a worker) the
// process would otherwise stay as large as at the job's peak. Safe from any thread; takes a few
// milliseconds, so not for the main thread.
#pragma once

namespace MemoryRelease {
void releaseFreedMemory();
}
