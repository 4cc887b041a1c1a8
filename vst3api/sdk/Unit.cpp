#include "vst3api/sdk/Unit.h"

#include <cstring>

#include "vst3api/sdk/StringConvert.h"

namespace Steinberg {
namespace Vst {

Unit::Unit(const String128 name, UnitID unitId, UnitID parentUnitId, ProgramListID programListId)
{
  std::memset(static_cast<void*>(&info), 0, sizeof(info));
  info.id = unitId;
  info.parentUnitId = parentUnitId;
  info.programListId = programListId;
  setName(name);
}

Unit::Unit(const UnitInfo& unitInfo) : info(unitInfo) {}

void Unit::setName(const String128 newName)
{
  strncpy16(info.name, newName, 128);
}

} // namespace Vst
} // namespace Steinberg
