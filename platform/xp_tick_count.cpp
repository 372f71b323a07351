// Windows XP has no GetTickCount64, yet winpthreads, which libstdc++ of the
// posix-thread toolchain links in statically, imports it (for its timed
// waits). This object defines that import slot itself, so the linker takes
// it instead of the KERNEL32 import: it calls the system's GetTickCount64
// where there is one and widens GetTickCount on XP.
#if defined(__i386__)
#include <windows.h>

namespace {

using TickCount64Fn = ULONGLONG(WINAPI*)();

ULONGLONG WINAPI WidenedTickCount() {
  static DWORD last = 0;
  static ULONGLONG wraps = 0;
  const DWORD now = GetTickCount();
  if (now < last) wraps += 0x100000000ULL;  // GetTickCount wraps every 49.7 days
  last = now;
  return wraps + now;
}

ULONGLONG WINAPI TickCount64() {
  static TickCount64Fn fn = nullptr;
  if (!fn) {
    fn = reinterpret_cast<TickCount64Fn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount64")));
    if (!fn) fn = &WidenedTickCount;
  }
  return fn();
}

}  // namespace

extern "C" {
// The name the import library gives the slot: __imp_ + the decorated name.
TickCount64Fn qb_imp_GetTickCount64 __asm__("__imp__GetTickCount64@0") = &TickCount64;
}
#endif
