#pragma once
// Lengths on screen and paper are kept in twips (1/1440 inch); on screen one pixel counts as 15.
namespace base {
constexpr int kTwipsPerPixel = 15;
}
