#include "tools/host/EditorHost.h"

#include <cstdio>

namespace qhost {

int RunEditorHost(int, char**)
{
  std::fprintf(stderr, "quellor-host: --editor is available in the Linux build only\n");
  return 2;
}

} // namespace qhost
