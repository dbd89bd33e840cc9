#pragma once

#include "core/text.h"

namespace qv::platform {

/// The full path of the running executable (GBK); empty when the system
/// cannot tell.
Text executablePath();

}  // namespace qv::platform
