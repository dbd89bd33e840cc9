#include "skin/binder.h"

#include "skin/skin_texts.h"

namespace qv::skin {

FunctionTable makeFunctionTable() {
    const TextView engine = texts::kEngineLibrary;
    return FunctionTable{{
        {texts::kProcessStatusLibrary, "EnumProcesses"},
        {{}, "GlobalMemoryStatus"},
        {{}, "OpenProcess"},
        {{}, "SetProcessWorkingSetSize"},
        {{}, "CloseHandle"},
        {engine, "SkinH_Attach"},
        {engine, "SkinH_AdjustHSV"},
        {engine, "SkinH_SetMenuAlpha"},
        {engine, "SkinH_SetAero"},
        {engine, "SkinH_AdjustAero"},
    }};
}

Text bindingFailureMessage(TextView library, TextView function) {
    Text message(texts::kBindFailedLibrary);
    message += library.empty() ? texts::kSystemLibraries : library;
    message += texts::kBindFailedFunction;
    message += function;
    return message;
}

ExternalFunctionBinder::ExternalFunctionBinder(platform::Libraries& libraries, FatalError fatal,
                                               ReleaseRegistrar addRelease)
    : m_libraries(libraries),
      m_fatal(std::move(fatal)),
      m_addRelease(std::move(addRelease)),
      m_table(makeFunctionTable()) {}

void* ExternalFunctionBinder::address(ExternalId id) {
    ExternalFunction& entry = m_table[index(id)];
    if (entry.address) return entry.address;
    if (bind(entry)) return entry.address;
    m_fatal(bindingFailureMessage(entry.library, entry.function));
    return nullptr;
}

platform::ModuleHandle ExternalFunctionBinder::loadModule(TextView library) {
    if (library.empty()) return m_libraries.standardLibraries();
    if (library.find(':') != TextView::npos) return m_libraries.loadLibrary(library);
    const Text programDirectory = m_libraries.programDirectory();
    if (!programDirectory.empty()) {
        if (auto module = m_libraries.loadLibrary(programDirectory + "\\" + Text(library))) return module;
    }
    return m_libraries.loadLibrary(library);
}

bool ExternalFunctionBinder::bind(ExternalFunction& entry) {
    const platform::ModuleHandle module = loadModule(entry.library);
    if (!module) return false;
    void* address = m_libraries.findFunction(module, entry.function);
    if (!address) {
        m_libraries.releaseLibrary(module);
        return false;
    }
    entry.address = address;
    entry.module = module;
    if (m_addRelease) {
        m_addRelease([&libraries = m_libraries, module] { libraries.releaseLibrary(module); });
    }
    return true;
}

}  // namespace qv::skin
