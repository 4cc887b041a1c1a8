#include "render/IResourceSearch.h"

namespace plugfw::ui {

std::string ScaledResourceName(std::string_view name, int scale)
{
  if (scale <= 1)
    return std::string(name);
  const size_t dot = name.rfind('.');
  const size_t slash = name.find_last_of("/\\");
  const bool hasExt =
      dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash);
  const std::string_view stem = hasExt ? name.substr(0, dot) : name;
  const std::string_view ext = hasExt ? name.substr(dot) : std::string_view();
  std::string out;
  out.reserve(name.size() + 8);
  out.append(stem);
  out.push_back('@');
  out.append(std::to_string(scale));
  out.push_back('x');
  out.append(ext);
  return out;
}

std::vector<int> BitmapScaleSearchOrder(int scale)
{
  if (scale < 1)
    scale = 1;
  std::vector<int> order{scale};
  int from = 3;
  if (scale != 3)
    order.push_back(3);
  for (int s = from - 1; s >= 1; --s)
  {
    if (s != scale)
      order.push_back(s);
  }
  return order;
}

IResourceHit FindBitmapResource(const IResourceFinder& finder, std::string_view name, int scale)
{
  IResourceHit hit;
  if (!finder || name.empty())
    return hit;
  for (int s : BitmapScaleSearchOrder(scale))
  {
    std::string candidate = ScaledResourceName(name, s);
    const uint8_t* data = nullptr;
    size_t size = 0;
    if (finder(candidate, data, size) && data && size > 0)
    {
      hit.data = data;
      hit.size = size;
      hit.scale = s;
      hit.name = std::move(candidate);
      return hit;
    }
  }
  return hit;
}

} // namespace plugfw::ui
