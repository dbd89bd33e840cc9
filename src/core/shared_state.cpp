#include "core/shared_state.h"

namespace qv {

void AllocateSharedState(SharedState& state) {
    state.ProcessIdTable = std::make_unique<ProcessIdArray>();  // value-initialised: all zero
    state.memoryStatus = std::make_unique<MEMORYSTATUS>();
}

void ReleaseSharedState(SharedState& state) {
    state.ProcessIdTable.reset();
    state.memoryStatus.reset();
    Text().swap(state.SkinModuleName);
    ++state.releaseCount;
}

}  // namespace qv
