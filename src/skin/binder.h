#pragma once

#include <array>
#include <cstddef>
#include <functional>

#include "core/text.h"
#include "platform/libraries.h"

namespace qv::skin {

/// A function the program calls by name at run time, bound at its first call
/// and kept until the orderly end.
struct ExternalFunction {
    TextView library;  ///< empty: the system's standard libraries
    TextView function;
    void* address = nullptr;
    platform::ModuleHandle module = nullptr;
};

/// The entries of the function table, in its order.
enum class ExternalId : std::size_t {
    EnumProcesses,
    GlobalMemoryStatus,
    OpenProcess,
    SetProcessWorkingSetSize,
    CloseHandle,
    SkinH_Attach,
    SkinH_AdjustHSV,
    SkinH_SetMenuAlpha,
    SkinH_SetAero,
    SkinH_AdjustAero,
    Count
};

using FunctionTable = std::array<ExternalFunction, static_cast<std::size_t>(ExternalId::Count)>;

/// The table with every entry unbound.
FunctionTable makeFunctionTable();

/// The fatal error's message, naming the library and the function.
Text bindingFailureMessage(TextView library, TextView function);

/// Binds the entries of a function table. A name with ":" is loaded as it
/// stands; any other library first from the program's own directory, then by
/// name in the standard order. The first module that loads is the only one
/// asked for the function. A missing library or function is a fatal error.
class ExternalFunctionBinder {
public:
    /// Ends the program; it must not return.
    using FatalError = std::function<void(const Text& message)>;
    /// Keeps a release for the orderly end.
    using ReleaseRegistrar = std::function<void(std::function<void()> release)>;

    ExternalFunctionBinder(platform::Libraries& libraries, FatalError fatal, ReleaseRegistrar addRelease);

    /// The address to call, binding the entry first when it is unbound; one
    /// release per bound entry is handed to the registrar. Null only when the
    /// fatal handler returned.
    void* address(ExternalId id);

    template <class Function>
    Function function(ExternalId id) {
        return reinterpret_cast<Function>(address(id));
    }

    const ExternalFunction& entry(ExternalId id) const { return m_table[index(id)]; }

private:
    static std::size_t index(ExternalId id) { return static_cast<std::size_t>(id); }
    platform::ModuleHandle loadModule(TextView library);
    bool bind(ExternalFunction& entry);

    platform::Libraries& m_libraries;
    FatalError m_fatal;
    ReleaseRegistrar m_addRelease;
    FunctionTable m_table;
};

}  // namespace qv::skin
