#pragma once
// Calls that not every Windows 10 has, looked up at run time: a static import of one of them
// makes the system loader refuse the whole program where it is missing (Windows 10 before 1607
// or 1703 for the per-monitor DPI calls, the N editions for Media Foundation), before the
// launcher could say anything or run without it.
#include <windows.h>

namespace platform::win32 {

// A library of the system folder, never one found beside the program or on the search path. It
// stays loaded for the rest of the process. Null where the system has none.
inline HMODULE systemLibrary(const wchar_t* name) {
    return ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// A function of a loaded module; null where the module or the function is missing.
template <typename Function> Function moduleFunction(HMODULE module, const char* name) {
    if (module == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// A function of a system library, which stays loaded; null where either is missing.
template <typename Function> Function systemFunction(const wchar_t* library, const char* name) {
    return moduleFunction<Function>(systemLibrary(library), name);
}

} // namespace platform::win32
