// shared_library: a library loaded into this process at run time, and the addresses of its
// symbols: how zeth-host reaches a plug-in's factory.
//
// Loading runs the library's own start-up code (its constructors; DllMain on Windows) on the
// calling thread. The library stays loaded while the shared_library lives; nothing that came from
// it (a function, an object it made) may be used after that.
#pragma once

#include <string>

class shared_library {
public:
    // Loads the library in the file path names: that file, never one of the same name that the
    // system would find on its search path. Its symbols stay its own: two libraries loaded this
    // way never bind to each other's. Throws platform_error with the system's reason when the
    // file cannot be loaded (not a library, one for another machine, a missing dependency).
    explicit shared_library(const std::string& path);
    shared_library(const shared_library&) = delete;
    shared_library& operator=(const shared_library&) = delete;
    ~shared_library();

    // The address of the exported symbol name, or null when the library exports no such name.
    void* symbol(const char* name) const;

private:
    void* handle = nullptr;
};

// How the system names a shared library file: ".so", or ".dll" on Windows.
extern const char* const sharedLibrarySuffix;
