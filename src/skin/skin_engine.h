#pragma once

#include <array>
#include <cstdint>

#include "skin/binder.h"

namespace qv::skin {

/// The nine arguments of the glass adjustment, in call order.
using AeroArguments = std::array<std::int32_t, 9>;

/// The five calls the program makes into the skin engine; results unused.
class SkinEngine {
public:
    virtual ~SkinEngine() = default;
    virtual void attach() = 0;
    virtual void adjustHsv(std::int32_t hue, std::int32_t saturation, std::int32_t value) = 0;
    virtual void setMenuAlpha(std::int32_t alpha) = 0;
    virtual void setAero(std::int32_t on) = 0;
    virtual void adjustAero(const AeroArguments& arguments) = 0;
};

/// The engine reached through the binder: each call binds its function at
/// its first use (a missing library or function is the binder's fatal error).
class BoundSkinEngine final : public SkinEngine {
public:
    explicit BoundSkinEngine(ExternalFunctionBinder& binder) : m_binder(binder) {}
    void attach() override;
    void adjustHsv(std::int32_t hue, std::int32_t saturation, std::int32_t value) override;
    void setMenuAlpha(std::int32_t alpha) override;
    void setAero(std::int32_t on) override;
    void adjustAero(const AeroArguments& arguments) override;

private:
    ExternalFunctionBinder& m_binder;
};

}  // namespace qv::skin
