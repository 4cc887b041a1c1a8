// A unit (parameter group) as reported through IUnitInfo.
#pragma once

#include "vst3api/sdk/FObject.h"
#include "vst3api/vst/Units.h"

namespace Steinberg {
namespace Vst {

class Unit : public FObject
{
public:
  Unit(const String128 name, UnitID unitId, UnitID parentUnitId = kRootUnitId,
       ProgramListID programListId = kNoProgramListId);
  explicit Unit(const UnitInfo& info);

  virtual const UnitInfo& getInfo() const { return info; }
  UnitID getID() const { return info.id; }
  void setID(UnitID newID) { info.id = newID; }
  const TChar* getName() const { return info.name; }
  void setName(const String128 newName);
  ProgramListID getProgramListID() const { return info.programListId; }
  void setProgramListID(ProgramListID newID) { info.programListId = newID; }

  OBJ_METHODS(Vst::Unit, FObject)

protected:
  UnitInfo info;
};

} // namespace Vst
} // namespace Steinberg
