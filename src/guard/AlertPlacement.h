#pragma once

#include <vector>

namespace quorvel::guard {

// The part of a screen windows may cover (panels left out), in pixels.
struct WorkArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct ScreenPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

// How far each further open alert sits below and to the right of the one before, so that
// the title and the countdown of every alert stay in sight.
inline constexpr int kAlertStackStep = 36;
// How far left each further round of the stack starts.
inline constexpr int kAlertRoundShift = 8;

// The top-left corner of the alert in stack place `place` (0 for the first open alert)
// within the screen's free area: the first centred, each next one a step down and to the
// right; a place that would leave the area starts the stack again from the centre, a
// little aside, so no two of the first rounds cover each other whole.
ScreenPoint AlertPosition(const WorkArea& area, int alertWidth, int alertHeight, int place);

// The stack places of the open alerts. A new alert takes the lowest free place, so an
// answered alert's place is taken again and the stack stays where it was.
class AlertPlaces {
public:
    int Take();
    void Release(int place);
    int taken() const;

private:
    std::vector<bool> m_taken;
};

} // namespace quorvel::guard
