#pragma once
// Finding bitmap resources by name and display scale.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace plugfw::ui {

// Looks up a named resource. Returns true and sets data/size when found; the bytes must stay
// valid for the life of the process (embedded resources do).
using IResourceFinder =
    std::function<bool(std::string_view name, const uint8_t*& data, size_t& size)>;

// The name of the variant of `name` for an integer scale: "name@2x.png" for ("name.png", 2).
// Scale 1 (or less) gives the plain name. A name without extension gets the suffix at its end.
std::string ScaledResourceName(std::string_view name, int scale);

// The order in which scales are tried for a bitmap wanted at `scale`: the scale itself, then 3
// (unless it is 3), then every scale below that down to 1, skipping the requested one.
// 1 -> {1, 3, 2}; 2 -> {2, 3, 1}; 3 -> {3, 2, 1}; 5 -> {5, 3, 2, 1}. Scales below 1 count as 1.
std::vector<int> BitmapScaleSearchOrder(int scale);

struct IResourceHit
{
  const uint8_t* data = nullptr;
  size_t size = 0;
  int scale = 0;    // scale of the variant found; 0 when nothing was found
  std::string name; // resource name of the variant found
};

// Tries the variants of `name` in BitmapScaleSearchOrder(scale) until `finder` knows one.
IResourceHit FindBitmapResource(const IResourceFinder& finder, std::string_view name, int scale);

} // namespace plugfw::ui
