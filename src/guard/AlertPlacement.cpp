#include "guard/AlertPlacement.h"

#include <algorithm>

namespace quorvel::guard {

ScreenPoint AlertPosition(const WorkArea& area, int alertWidth, int alertHeight, int place) {
    const int x0 = area.x + std::max(0, (area.width - alertWidth) / 2);
    const int y0 = area.y + std::max(0, (area.height - alertHeight) / 2);
    // Steps that still keep the whole alert inside the area.
    const int room = std::min(area.x + area.width - (x0 + alertWidth),
                              area.y + area.height - (y0 + alertHeight));
    const int steps = std::max(0, room / kAlertStackStep) + 1;
    const int round = std::max(0, place) / steps;
    const int step = std::max(0, place) % steps;
    // Each new round sits a little further left, wrapping within one step.
    const int aside = (round * kAlertRoundShift) % kAlertStackStep;
    return {std::max(area.x, x0 + step * kAlertStackStep - aside), y0 + step * kAlertStackStep};
}

int AlertPlaces::Take() {
    const auto free = std::find(m_taken.begin(), m_taken.end(), false);
    if (free != m_taken.end()) {
        *free = true;
        return static_cast<int>(free - m_taken.begin());
    }
    m_taken.push_back(true);
    return static_cast<int>(m_taken.size()) - 1;
}

void AlertPlaces::Release(int place) {
    if (place >= 0 && static_cast<size_t>(place) < m_taken.size())
        m_taken[static_cast<size_t>(place)] = false;
}

int AlertPlaces::taken() const {
    return static_cast<int>(std::count(m_taken.begin(), m_taken.end(), true));
}

} // namespace quorvel::guard
