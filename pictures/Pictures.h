#pragma once

// Where the built-in pictures are, for QPixmap, QImage and QIcon.
namespace kalvora::Pictures {

inline constexpr auto Pattern1 = ":/pictures/pattern1.png";
inline constexpr auto Pattern2 = ":/pictures/pattern2.png";
// Pattern 1 at 103 x 77 pixels, for the About window.
inline constexpr auto Pattern1Small = ":/pictures/pattern1-small.png";
inline constexpr auto Icon = ":/pictures/kalvora-icon.png";

} // namespace kalvora::Pictures
