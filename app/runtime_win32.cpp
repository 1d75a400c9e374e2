// The C++ runtime's default terminate handler prints the demangled type of an escaping
// exception to stderr, which a GUI program does not have; it would pull a demangler into the
// exe for nothing. Nothing is meant to escape here, and if something does the process ends
// the same way, only without the message.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() {
  std::abort();
}
}  // namespace __gnu_cxx
