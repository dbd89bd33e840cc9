#include "app/wiring.h"

namespace qv {

// Not wired yet: the creation handler skips this step.
void wireSkin(Wiring&) {}

}  // namespace qv
