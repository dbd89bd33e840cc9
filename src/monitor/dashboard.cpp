#include "monitor/dashboard.h"

#include "core/conversions.h"
#include "monitor/dashboard_texts.h"

namespace qv {

void RefreshDashboard(MainWindowControls& controls, Sampler& sampler) {
    const std::int32_t total = sampler.QueryMemorySize(MemorySizeKind::TotalPhys);
    const std::int32_t available = sampler.QueryMemorySize(MemorySizeKind::AvailPhys);
    const std::int32_t totalVirtual = sampler.QueryMemorySize(MemorySizeKind::TotalVirtual);
    const std::int32_t availableVirtual = sampler.QueryMemorySize(MemorySizeKind::AvailVirtual);

    // the totals on screen come from queries of their own
    controls.标签5.setCaption(
        ConcatText({NumberToText(sampler.QueryMemorySize(MemorySizeKind::TotalPhys)), kMegabyteSuffix}));
    controls.标签22.setCaption(ConcatText(
        {NumberToText(static_cast<double>(total) - static_cast<double>(available)), kMegabyteSuffix}));
    controls.标签24.setCaption(ConcatText(
        {NumberToText(sampler.QueryMemorySize(MemorySizeKind::TotalVirtual)), kMegabyteSuffix}));
    controls.标签26.setCaption(ConcatText(
        {NumberToText(static_cast<double>(totalVirtual) - static_cast<double>(availableVirtual)),
         kMegabyteSuffix}));
    controls.标签13.setCaption(ConcatText({NumberToText(sampler.QueryCpuUsage()), kPercentSuffix}));

    const double used = TextToNumber(controls.标签22.caption());
    const double whole = TextToNumber(controls.标签5.caption());
    controls.标签15.setCaption(
        ConcatText({NumberToText(RoundDecimal((used / whole) * 100.0, 0)), kPercentSuffix}));

    controls.CPU占用图.setValue(static_cast<double>(TextToInteger(controls.标签13.caption())));
    controls.内存占用图.setValue(static_cast<double>(TextToInteger(controls.标签22.caption())));
}

}  // namespace qv
