#include "skin/skin_engine.h"

#include "skin/engine/skinh.h"

namespace qv::skin {

void BoundSkinEngine::attach() {
    if (auto f = m_binder.function<SkinH_AttachFn>(ExternalId::SkinH_Attach)) f();
}

void BoundSkinEngine::adjustHsv(std::int32_t hue, std::int32_t saturation, std::int32_t value) {
    if (auto f = m_binder.function<SkinH_AdjustHSVFn>(ExternalId::SkinH_AdjustHSV)) f(hue, saturation, value);
}

void BoundSkinEngine::setMenuAlpha(std::int32_t alpha) {
    if (auto f = m_binder.function<SkinH_SetMenuAlphaFn>(ExternalId::SkinH_SetMenuAlpha)) f(alpha);
}

void BoundSkinEngine::setAero(std::int32_t on) {
    if (auto f = m_binder.function<SkinH_SetAeroFn>(ExternalId::SkinH_SetAero)) f(on);
}

void BoundSkinEngine::adjustAero(const AeroArguments& a) {
    if (auto f = m_binder.function<SkinH_AdjustAeroFn>(ExternalId::SkinH_AdjustAero)) {
        f(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8]);
    }
}

}  // namespace qv::skin
