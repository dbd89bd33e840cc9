#include "platform/module_path.h"

// Without a way to ask the system, the program does not know where it is.

namespace qv::platform {

Text executablePath() { return {}; }

}  // namespace qv::platform
