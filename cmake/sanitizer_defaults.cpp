// Run-time defaults of the sanitizers for the programs of a sanitized build,
// so that tests and the programs they start behave alike without any
// environment. The X libraries keep caches for the life of the process, which
// the leak checker would otherwise report.
extern "C" {
const char* __asan_default_options() { return "detect_leaks=1:abort_on_error=0"; }
const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }
const char* __lsan_default_suppressions() {
  return "leak:libX11.so\n"
         "leak:libXt.so\n"
         "leak:libXm.so\n"
         "leak:libXpm.so\n"
         "leak:libXext.so\n"
         "leak:libxcb.so\n"
         "leak:libfontconfig.so\n"
         "leak:libtirpc.so\n";
}
}
