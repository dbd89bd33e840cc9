#include "app/wiring.h"

namespace qv {

void wireSubsystems(Wiring& wiring) {
    wireMonitor(wiring);
    wireOptimize(wiring);
    wireAutostart(wiring);
    wireSkin(wiring);
}

}  // namespace qv
