#pragma once

#include <memory>
#include <string>

#include "core/text.h"

// Libraries loaded and asked for functions by name at run time.

namespace qv::platform {

/// A loaded library module; null when nothing was loaded. Each successful
/// load counts one reference, which one release gives back.
using ModuleHandle = void*;

class Libraries {
public:
    virtual ~Libraries() = default;
    /// Loads a library. A name with a drive ("C:\...") or a directory part is
    /// loaded from exactly that place; a bare name goes through the standard
    /// order, which includes the system directory "C:\WINDOWS\system32".
    virtual ModuleHandle loadLibrary(TextView name) = 0;
    /// The system's own libraries, for functions bound without a library name.
    virtual ModuleHandle standardLibraries() = 0;
    /// The address of the function `name` in `module`, or null.
    virtual void* findFunction(ModuleHandle module, TextView name) = 0;
    virtual void releaseLibrary(ModuleHandle module) = 0;
    /// The directory of the program's executable, without a trailing separator.
    virtual Text programDirectory() const = 0;
};

/// The libraries of this platform, with drive "C:\" at `driveRoot` (see
/// makeFileSystem).
std::unique_ptr<Libraries> makeLibraries(std::string driveRoot);

}  // namespace qv::platform
