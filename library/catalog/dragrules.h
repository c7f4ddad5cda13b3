#pragma once
// The timing and distance rules of dragging in the catalog tree, as plain functions.

namespace dragrules {

// A drag that starts sooner than this after the button went down is a slip, not a drag.
inline constexpr int kMinPressMs = 20;
// Releasing this close to the tree's left edge drops nowhere.
inline constexpr int kLeftMargin = 20;
// Holding over an item this long selects and opens it.
inline constexpr int kHoverMs = 800;
// The scroll timer's period.
inline constexpr int kScrollTickMs = 40;

inline bool IsDragStart(long long msSincePress)
{
    return msSincePress >= kMinPressMs;
}

inline bool IsInDropArea(int x, int left)
{
    return x >= left + kLeftMargin;
}

// Near or beyond the top or bottom edge the tree scrolls one line every `interval` ticks:
// every 6th tick within 10 pixels of the edge, down to every tick from 90 pixels beyond it.
struct Scroll
{
    int direction = 0; // -1 up, +1 down, 0 none
    int interval = 0;
};

inline Scroll ScrollFor(int cursorY, int top, int bottom)
{
    const auto interval = [](int distance) {
        const int n = distance / 20;
        return n >= 5 ? 1 : 6 - n;
    };
    if (cursorY < top + 10)
        return {-1, interval(top - cursorY + 10)};
    if (cursorY > bottom - 10)
        return {+1, interval(cursorY - bottom + 10)};
    return {};
}

// Whether the scroll happens on this tick of the counter.
inline bool ScrollsOnTick(const Scroll& scroll, long long tick)
{
    return scroll.direction != 0 && tick % scroll.interval == 0;
}

} // namespace dragrules
