// Settings for ThreadSanitizer builds; without TSan nothing calls these.
//
// The HTTP library is a prebuilt, uninstrumented shared library: TSan sees its calls into
// intercepted functions (memcmp, operator new) but not its own synchronisation, such as the
// inlined fast path of a function-local static's guard, and reports races between connection
// threads that cannot happen. Reports whose accesses come from inside that library are dropped;
// everything in our own code stays checked.
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libcpp-httplib.so\n";
}
