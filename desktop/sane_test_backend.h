#pragma once
// Tests scan with SANE's "test" backend. It keeps a few frame buffers after
// sane_exit unloads it, which LeakSanitizer could then not tell from ours:
// under the sanitizers the backend is kept loaded, so the suppression
// "leak:libsane-test.so" can name it.
#if defined(__SANITIZE_ADDRESS__)
#include <dlfcn.h>
#endif

namespace vimbra::testing {

inline void KeepSaneTestBackendLoaded() {
#if defined(__SANITIZE_ADDRESS__)
    for (const char* path : {"/usr/lib/x86_64-linux-gnu/sane/libsane-test.so.1", "libsane-test.so.1"})
        if (dlopen(path, RTLD_LAZY | RTLD_NODELETE)) return;
#endif
}

}  // namespace vimbra::testing
