#pragma once
// A function of a loaded DLL by name, for the calls that newer Windows versions alone provide.

#include <windows.h>

namespace kivano::win32 {

// The detour through void(*)() is the sanctioned way to cast FARPROC.
template <typename F> F procAddress(HMODULE module, const char* name) {
    return module == nullptr
               ? nullptr
               : reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

} // namespace kivano::win32
