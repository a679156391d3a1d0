#pragma once

// Integer rectangles with exclusive right and bottom edges, and the two helpers the sprite code
// uses for its visibility test.

#include <algorithm>
#include <cstdint>

namespace platform {

struct RECT {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

// Fills *rect; always returns true.
inline bool SetRect(RECT* rect, std::int32_t left, std::int32_t top, std::int32_t right,
                    std::int32_t bottom) {
  *rect = RECT{left, top, right, bottom};
  return true;
}

inline bool RectIsEmpty(const RECT& rect) {
  return rect.right <= rect.left || rect.bottom <= rect.top;
}

// Writes the intersection of a and b to *out and returns true when it is not empty; otherwise
// writes an all-zero rectangle and returns false. An empty input never intersects.
inline bool IntersectRect(RECT* out, const RECT* a, const RECT* b) {
  RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
         std::min(a->bottom, b->bottom)};
  if (RectIsEmpty(*a) || RectIsEmpty(*b) || RectIsEmpty(r)) {
    *out = RECT{};
    return false;
  }
  *out = r;
  return true;
}

}  // namespace platform
