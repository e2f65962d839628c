// The stub's own versions of the pieces of the C++ runtime that only report errors, so the static
// link leaves out what they drag in: the symbol demangler of the default terminate handler, and the
// exception classes, their reference-counted message strings and formatting behind the library's
// "throw a length_error / out_of_range / bad_alloc" helpers (together about 100 KB of a stub that
// must stay under 262,144 bytes).
//
// Nothing in the installer catches an exception, so any exception would end the process through
// std::terminate. These replacements end it at once instead, with the exit code the runtime's
// abort() gives (3), which is distinct from every exit code the installer itself uses.
//
// Trap: code linked into the stub must never rely on catching a standard-library exception (for
// example std::out_of_range from std::stoul or at()): in the stub such a throw ends the process.
// A helper missing from the list below is not silent: the library object that defines it also
// defines the ones here, and the link then fails with duplicate definitions.
#include <windows.h>

#include <cstdlib>
#include <new>
#include <string>

namespace {

constexpr UINT kRuntimeFailureExitCode = 3;

[[noreturn]] void EndAfterRuntimeFailure() { ExitProcess(kRuntimeFailureExitCode); }

}  // namespace

namespace __gnu_cxx {

// The default std::terminate handler: normally prints the exception's demangled type name to a
// console this GUI program does not have.
void __verbose_terminate_handler() { EndAfterRuntimeFailure(); }

}  // namespace __gnu_cxx

namespace std {

void __throw_bad_alloc() { EndAfterRuntimeFailure(); }
void __throw_bad_array_new_length() { EndAfterRuntimeFailure(); }
void __throw_bad_function_call() { EndAfterRuntimeFailure(); }
void __throw_invalid_argument(const char*) { EndAfterRuntimeFailure(); }
void __throw_length_error(const char*) { EndAfterRuntimeFailure(); }
void __throw_logic_error(const char*) { EndAfterRuntimeFailure(); }
void __throw_out_of_range(const char*) { EndAfterRuntimeFailure(); }
void __throw_out_of_range_fmt(const char*, ...) { EndAfterRuntimeFailure(); }

}  // namespace std

#if defined(__i386__)
// The 32-bit runtime unwinds with DWARF tables. Since every throw above ends the process, nothing
// ever unwinds, so the unwinding entry points that the library's own string code names are
// never reached; defining them here keeps the unwinder and the threads library it locks with
// (together about 50 KB) out of the stub. Reaching one anyway ends the process like a throw.
//
// The library's operator new throws std::bad_alloc itself; this one ends the process on an
// allocation failure instead, like the other throws.
void* operator new(std::size_t size) {
  if (size == 0) size = 1;
  void* memory = std::malloc(size);
  if (!memory) EndAfterRuntimeFailure();
  return memory;
}

extern "C" {
int __gxx_personality_v0() { EndAfterRuntimeFailure(); }
void* __cxa_begin_catch(void*) { EndAfterRuntimeFailure(); }
void __cxa_end_catch() { EndAfterRuntimeFailure(); }
void __cxa_rethrow() { EndAfterRuntimeFailure(); }
void _Unwind_Resume(void*) { EndAfterRuntimeFailure(); }
}
#endif
