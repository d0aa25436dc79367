#include "wheel_notches.h"

#include <cstdlib>

namespace orvelle {

int WheelNotches::add(int distance) {
    if (distance == 0) return 0;
    if ((distance > 0) != (m_rest > 0)) m_rest = 0;
    m_rest += distance;
    if (std::abs(distance) < kNotch && std::abs(m_rest) < kNotch) return 0;
    const int step = m_rest > 0 ? -1 : 1;
    m_rest = 0;
    return step;
}

}  // namespace orvelle
