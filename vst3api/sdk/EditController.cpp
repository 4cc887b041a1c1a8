#include "vst3api/sdk/EditController.h"

#include <cstring>

#include "vst3api/sdk/UpdateHandler.h"

namespace Steinberg {
namespace Vst {

KnobMode EditController::hostKnobMode = kCircularMode;

EditController::EditController() = default;
EditController::~EditController() = default;

tresult PLUGIN_API EditController::initialize(FUnknown* context)
{
  return ComponentBase::initialize(context);
}

tresult PLUGIN_API EditController::terminate()
{
  parameters.removeAll();
  componentHandler = nullptr;
  componentHandler2 = nullptr;
  return ComponentBase::terminate();
}

tresult PLUGIN_API EditController::setComponentState(IBStream* /*state*/)
{
  return kNotImplemented;
}
tresult PLUGIN_API EditController::setState(IBStream* state)
{
  return setEditorState(state);
}
tresult PLUGIN_API EditController::getState(IBStream* state)
{
  return getEditorState(state);
}
tresult EditController::setEditorState(IBStream* /*state*/)
{
  return kNotImplemented;
}
tresult EditController::getEditorState(IBStream* /*state*/)
{
  return kNotImplemented;
}

int32 PLUGIN_API EditController::getParameterCount()
{
  return parameters.getParameterCount();
}

tresult PLUGIN_API EditController::getParameterInfo(int32 paramIndex, ParameterInfo& info)
{
  if (Parameter* p = parameters.getParameterByIndex(paramIndex))
  {
    info = p->getInfo();
    return kResultTrue;
  }
  return kResultFalse;
}

tresult PLUGIN_API EditController::getParamStringByValue(ParamID tag, ParamValue valueNormalized,
                                                         String128 string)
{
  if (!string)
    return kInvalidArgument;
  if (Parameter* p = getParameterObject(tag))
  {
    p->toString(valueNormalized, string);
    return kResultTrue;
  }
  return kResultFalse;
}

tresult PLUGIN_API EditController::getParamValueByString(ParamID tag, TChar* string,
                                                         ParamValue& valueNormalized)
{
  if (!string)
    return kInvalidArgument;
  if (Parameter* p = getParameterObject(tag))
  {
    if (p->fromString(string, valueNormalized))
      return kResultTrue;
  }
  return kResultFalse;
}

ParamValue PLUGIN_API EditController::normalizedParamToPlain(ParamID tag,
                                                             ParamValue valueNormalized)
{
  if (Parameter* p = getParameterObject(tag))
    return p->toPlain(valueNormalized);
  return valueNormalized;
}

ParamValue PLUGIN_API EditController::plainParamToNormalized(ParamID tag, ParamValue plainValue)
{
  if (Parameter* p = getParameterObject(tag))
    return p->toNormalized(plainValue);
  return plainValue;
}

ParamValue PLUGIN_API EditController::getParamNormalized(ParamID tag)
{
  if (Parameter* p = getParameterObject(tag))
    return p->getNormalized();
  return 0.0;
}

tresult PLUGIN_API EditController::setParamNormalized(ParamID tag, ParamValue value)
{
  if (Parameter* p = getParameterObject(tag))
  {
    p->setNormalized(value);
    return kResultTrue;
  }
  return kResultFalse;
}

tresult PLUGIN_API EditController::setComponentHandler(IComponentHandler* handler)
{
  if (handler == componentHandler.get())
    return kResultTrue;
  componentHandler = handler;
  componentHandler2 = nullptr;
  if (handler)
  {
    void* obj = nullptr;
    if (handler->queryInterface(IComponentHandler2::iid, &obj) == kResultOk && obj)
      componentHandler2 = owned(static_cast<IComponentHandler2*>(obj));
  }
  return kResultTrue;
}

IPlugView* PLUGIN_API EditController::createView(FIDString /*name*/)
{
  return nullptr;
}

tresult PLUGIN_API EditController::setKnobMode(KnobMode mode)
{
  hostKnobMode = mode;
  return kResultTrue;
}

tresult PLUGIN_API EditController::openHelp(TBool /*onlyCheck*/)
{
  return kResultFalse;
}
tresult PLUGIN_API EditController::openAboutBox(TBool /*onlyCheck*/)
{
  return kResultFalse;
}

tresult EditController::beginEdit(ParamID tag)
{
  return componentHandler ? componentHandler->beginEdit(tag) : kResultFalse;
}

tresult EditController::performEdit(ParamID tag, ParamValue valueNormalized)
{
  return componentHandler ? componentHandler->performEdit(tag, valueNormalized) : kResultFalse;
}

tresult EditController::endEdit(ParamID tag)
{
  return componentHandler ? componentHandler->endEdit(tag) : kResultFalse;
}

tresult EditController::startGroupEdit()
{
  return componentHandler2 ? componentHandler2->startGroupEdit() : kNotImplemented;
}

tresult EditController::finishGroupEdit()
{
  return componentHandler2 ? componentHandler2->finishGroupEdit() : kNotImplemented;
}

tresult EditController::setDirty(TBool state)
{
  return componentHandler2 ? componentHandler2->setDirty(state) : kNotImplemented;
}

tresult EditController::requestOpenEditor(FIDString name)
{
  return componentHandler2 ? componentHandler2->requestOpenEditor(name) : kNotImplemented;
}

EditControllerEx1::EditControllerEx1()
{
  UpdateHandler::instance();
}
EditControllerEx1::~EditControllerEx1() = default;

tresult PLUGIN_API EditControllerEx1::terminate()
{
  units.clear();
  return EditController::terminate();
}

bool EditControllerEx1::addUnit(Unit* unit)
{
  if (!unit)
    return false;
  units.push_back(owned(unit));
  return true;
}

Unit* EditControllerEx1::getUnitByIndex(int32 index) const
{
  if (index < 0 || index >= static_cast<int32>(units.size()))
    return nullptr;
  return units[static_cast<size_t>(index)].get();
}

tresult PLUGIN_API EditControllerEx1::getUnitInfo(int32 unitIndex, UnitInfo& info)
{
  if (Unit* unit = getUnitByIndex(unitIndex))
  {
    info = unit->getInfo();
    return kResultTrue;
  }
  return kResultFalse;
}

// No program lists are kept, so every list lookup is unknown.
tresult PLUGIN_API EditControllerEx1::getProgramListInfo(int32, ProgramListInfo&)
{
  return kResultFalse;
}
tresult PLUGIN_API EditControllerEx1::getProgramName(ProgramListID, int32, String128)
{
  return kResultFalse;
}
tresult PLUGIN_API EditControllerEx1::getProgramInfo(ProgramListID, int32, CString, String128)
{
  return kResultFalse;
}
tresult PLUGIN_API EditControllerEx1::hasProgramPitchNames(ProgramListID, int32)
{
  return kResultFalse;
}
tresult PLUGIN_API EditControllerEx1::getProgramPitchName(ProgramListID, int32, int16, String128)
{
  return kResultFalse;
}

tresult PLUGIN_API EditControllerEx1::selectUnit(UnitID unitId)
{
  selectedUnit = unitId;
  return kResultTrue;
}

tresult PLUGIN_API EditControllerEx1::getUnitByBus(MediaType, BusDirection, int32, int32, UnitID&)
{
  return kResultFalse;
}

tresult PLUGIN_API EditControllerEx1::setUnitProgramData(int32, int32, IBStream*)
{
  return kResultFalse;
}

tresult EditControllerEx1::notifyUnitSelection()
{
  FUnknownPtr<IUnitHandler> unitHandler(componentHandler.get());
  if (!unitHandler)
    return kResultFalse;
  return unitHandler->notifyUnitSelection(selectedUnit);
}

} // namespace Vst
} // namespace Steinberg
