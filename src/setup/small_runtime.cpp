// The stub's own versions of two pieces of the C++ runtime that only report errors, so the
// static link leaves out what they drag in (the symbol demangler alone is about 46 KB).
//
// Nothing in the installer throws on purpose or catches anything: an exception escaping would end
// the process through std::terminate in any case. These replacements end it at once instead, with
// a fixed exit code, without the runtime's message formatting. The linker takes a symbol defined
// here before it looks into libstdc++.a, so the library objects that define them are not pulled.
#include <windows.h>

namespace {

// Exit code of a run ended by a failure inside the C++ runtime (out of memory, a broken
// container invariant): distinct from every exit code the installer itself gives.
constexpr UINT kRuntimeFailureExitCode = 3;

[[noreturn]] void EndAfterRuntimeFailure() {
  ExitProcess(kRuntimeFailureExitCode);
}

}  // namespace

namespace __gnu_cxx {

// The default std::terminate handler: normally prints the exception's demangled type name to a
// console this GUI program does not have.
void __verbose_terminate_handler() { EndAfterRuntimeFailure(); }

}  // namespace __gnu_cxx
