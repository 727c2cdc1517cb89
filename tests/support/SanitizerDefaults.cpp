// Defaults for the sanitizer runtimes of every test program. Mesa's EGL driver, which SDL's
// offscreen video driver loads, keeps allocations in globals that become unreachable when SDL
// unloads it; its frames have no frame pointers, so only slow unwinding finds the library.
extern "C" const char* __lsan_default_options() {
  return "fast_unwind_on_malloc=0";
}

extern "C" const char* __lsan_default_suppressions() {
  return "leak:libEGL_mesa.so\n"
         "leak:libSDL2-2.0.so\n";
}
