// Linked into every program of the sanitized build (see VOLLARIN_SANITIZE in
// CMakeLists.txt), nowhere else.
//
// Mesa loads its GL driver with the first GL context and unloads it with the
// last one. The leak check runs at exit, when the driver is gone: the memory
// its globals still point to looks unreachable and would be reported as our
// leak. Loading the driver once more at start-up, never to be unloaded,
// keeps those globals in view; Mesa's own load then finds it already there.

#include <dlfcn.h>

namespace {

__attribute__((constructor)) void keepGlDriverLoaded() {
    dlopen(VOLLARIN_GL_DRIVER, RTLD_NOW | RTLD_GLOBAL | RTLD_NODELETE);
}

} // namespace
