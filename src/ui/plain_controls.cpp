#include "ui/plain_controls.h"

#include <algorithm>

namespace qv {

void PlainWindow::setPosition(std::int32_t position) {
    if (!m_visible) return;
    position = std::clamp(position, 0, 3);
    if (position == 1) {
        m_state = 0;
        ++m_centred;
        return;
    }
    m_state = position;
}

PlainMainWindow::PlainMainWindow(std::unique_ptr<TimerBackend> trim,
                                 std::unique_ptr<TimerBackend> refresh,
                                 std::unique_ptr<TimerBackend> watch)
    : 标签13("100%"),
      标签15("100%"),
      标签4("\xb1\xea\xc7\xa9"),  // "标签"
      编辑框1("5"),
      编辑框2("40"),
      时钟1(std::move(trim), kTrimTimerTemplatePeriod),
      时钟2(std::move(refresh), kRefreshTimerTemplatePeriod),
      时钟3(std::move(watch), kWatchTimerTemplatePeriod) {}

MainWindowControls PlainMainWindow::controls() {
    return MainWindowControls{window,  标签13, 标签15, 标签5,  标签22, 标签24, 标签26,
                              CPU占用图, 内存占用图, 单选框3, 单选框4, 编辑框1, 编辑框2, 标签4,
                              选择框3, 时钟1,  时钟2,  时钟3};
}

}  // namespace qv
