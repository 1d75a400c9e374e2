// What the static C++ runtime would otherwise bring into the exe for nothing. The program is
// built without exceptions (CMakeLists.txt): nothing in it throws or catches, so an exception
// from the runtime ends the process through std::terminate. Each replacement below ends it the
// same way, only without the machinery it never uses.
#include <cstdlib>
#include <string>

// The default terminate handler prints the demangled type of an escaping exception to stderr,
// which a GUI program does not have; it would pull a demangler in.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
  std::abort();
}
}  // namespace __gnu_cxx

// The runtime's helpers that throw the standard exceptions (a string or vector grown past its
// largest size, a failed lock). Theirs build the exception with its message, which pulls in the
// old copy-on-write string, the exception classes and std::random_device: about 60 KiB.
#define ENDS_THE_PROCESS(name, ...) \
  void name(__VA_ARGS__) {          \
    std::abort();                   \
  }
namespace std {
ENDS_THE_PROCESS(__throw_bad_alloc)
ENDS_THE_PROCESS(__throw_bad_array_new_length)
ENDS_THE_PROCESS(__throw_bad_cast)
ENDS_THE_PROCESS(__throw_bad_typeid)
ENDS_THE_PROCESS(__throw_bad_exception)
ENDS_THE_PROCESS(__throw_bad_function_call)
ENDS_THE_PROCESS(__throw_logic_error, const char*)
ENDS_THE_PROCESS(__throw_domain_error, const char*)
ENDS_THE_PROCESS(__throw_invalid_argument, const char*)
ENDS_THE_PROCESS(__throw_length_error, const char*)
ENDS_THE_PROCESS(__throw_out_of_range, const char*)
ENDS_THE_PROCESS(__throw_out_of_range_fmt, const char*, ...)
ENDS_THE_PROCESS(__throw_runtime_error, const char*)
ENDS_THE_PROCESS(__throw_range_error, const char*)
ENDS_THE_PROCESS(__throw_overflow_error, const char*)
ENDS_THE_PROCESS(__throw_underflow_error, const char*)
ENDS_THE_PROCESS(__throw_system_error, int)
}  // namespace std
#undef ENDS_THE_PROCESS

// The runtime's string classes come as one object each, every member together with its unwind
// tables, and the linker cannot drop the members the program never calls (about 60 KiB for the
// two). Instantiated here, without exceptions, each member is a section of its own and only
// those called are kept.
template class std::basic_string<char>;
template class std::basic_string<wchar_t>;
