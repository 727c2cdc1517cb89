// Defaults for the sanitizer runtimes of test programs that draw. Mesa's software rasteriser
// allocates while the unwinder holds its lock, so the slow unwinding that would name Mesa's
// libraries deadlocks; with fast unwinding its leaks come from an unknown module and cannot be
// suppressed by name. Leak checking is therefore off here; address and undefined-behaviour
// checks stay on.
extern "C" const char* __lsan_default_options() {
  return "fast_unwind_on_malloc=1";
}
extern "C" const char* __asan_default_options() {
  return "detect_leaks=0";
}
