// Mouse-wheel turns as steps, the way arrow keys step: one wheel message of a notch or more
// is one step, whatever its distance; the fractions that high-resolution wheels send add up
// until they make a notch; a turn the other way starts afresh.
#pragma once

namespace orvelle {

class WheelNotches {
public:
    // Wheel distance of one notch, in eighths of a degree.
    static constexpr int kNotch = 120;

    // `distance` is positive for a turn away from the user. Returns -1 for a step back (up,
    // towards the start), +1 for a step forward, 0 while a notch is not yet complete.
    int add(int distance);
    void reset() { m_rest = 0; }

private:
    int m_rest = 0;
};

}  // namespace orvelle
