// EditController: parameter container and component-handler plumbing of the controller half.
// EditControllerEx1 adds units (IUnitInfo).
#pragma once

#include <vector>

#include "vst3api/sdk/ComponentBase.h"
#include "vst3api/sdk/Parameter.h"
#include "vst3api/sdk/Unit.h"
#include "vst3api/vst/EditController.h"
#include "vst3api/vst/Units.h"

namespace Steinberg {
namespace Vst {

// IEditController::setState/getState carry the controller's own state. They are forwarded to
// setEditorState/getEditorState so that a class that is also an IComponent can keep the two
// state pairs apart (both interfaces use the same method names and signatures).
class EditController : public ComponentBase, public IEditController, public IEditController2
{
public:
  EditController();
  ~EditController() override;

  // IPluginBase
  tresult PLUGIN_API initialize(FUnknown* context) override;
  tresult PLUGIN_API terminate() override;

  // IEditController
  tresult PLUGIN_API setComponentState(IBStream* state) override;
  tresult PLUGIN_API setState(IBStream* state) final;
  tresult PLUGIN_API getState(IBStream* state) final;
  int32 PLUGIN_API getParameterCount() override;
  tresult PLUGIN_API getParameterInfo(int32 paramIndex, ParameterInfo& info) override;
  tresult PLUGIN_API getParamStringByValue(ParamID tag, ParamValue valueNormalized,
                                           String128 string) override;
  tresult PLUGIN_API getParamValueByString(ParamID tag, TChar* string,
                                           ParamValue& valueNormalized) override;
  ParamValue PLUGIN_API normalizedParamToPlain(ParamID tag, ParamValue valueNormalized) override;
  ParamValue PLUGIN_API plainParamToNormalized(ParamID tag, ParamValue plainValue) override;
  ParamValue PLUGIN_API getParamNormalized(ParamID tag) override;
  tresult PLUGIN_API setParamNormalized(ParamID tag, ParamValue value) override;
  tresult PLUGIN_API setComponentHandler(IComponentHandler* handler) override;
  IPlugView* PLUGIN_API createView(FIDString name) override;

  // IEditController2
  tresult PLUGIN_API setKnobMode(KnobMode mode) override;
  tresult PLUGIN_API openHelp(TBool onlyCheck) override;
  tresult PLUGIN_API openAboutBox(TBool onlyCheck) override;

  // The controller's own state (kNotImplemented by default).
  virtual tresult setEditorState(IBStream* state);
  virtual tresult getEditorState(IBStream* state);

  // Edits made by the plug-in's own UI, passed on to the host. Without a handler: kResultFalse.
  virtual tresult beginEdit(ParamID tag);
  virtual tresult performEdit(ParamID tag, ParamValue valueNormalized);
  virtual tresult endEdit(ParamID tag);
  // Through IComponentHandler2 when the host offers it; otherwise kNotImplemented.
  virtual tresult startGroupEdit();
  virtual tresult finishGroupEdit();
  virtual tresult setDirty(TBool state);
  virtual tresult requestOpenEditor(FIDString name = ViewType::kEditor);

  virtual Parameter* getParameterObject(ParamID tag) { return parameters.getParameter(tag); }
  IComponentHandler* getComponentHandler() const { return componentHandler.get(); }
  IComponentHandler2* getComponentHandler2() const { return componentHandler2.get(); }
  static KnobMode getHostKnobMode() { return hostKnobMode; }

  OBJ_METHODS(Vst::EditController, ComponentBase)
  DEFINE_INTERFACES
  DEF_INTERFACE(IEditController)
  DEF_INTERFACE(IEditController2)
  END_DEFINE_INTERFACES(ComponentBase)
  REFCOUNT_METHODS(ComponentBase)

protected:
  ParameterContainer parameters;
  IPtr<IComponentHandler> componentHandler;
  IPtr<IComponentHandler2> componentHandler2;

  static KnobMode hostKnobMode;
};

class EditControllerEx1 : public EditController, public IUnitInfo
{
public:
  EditControllerEx1();
  ~EditControllerEx1() override;

  tresult PLUGIN_API terminate() override;

  // Takes over the caller's reference. No root unit is created automatically.
  bool addUnit(Unit* unit);
  Unit* getUnitByIndex(int32 index) const;

  // IUnitInfo
  int32 PLUGIN_API getUnitCount() override { return static_cast<int32>(units.size()); }
  tresult PLUGIN_API getUnitInfo(int32 unitIndex, UnitInfo& info) override;
  int32 PLUGIN_API getProgramListCount() override { return 0; }
  tresult PLUGIN_API getProgramListInfo(int32 listIndex, ProgramListInfo& info) override;
  tresult PLUGIN_API getProgramName(ProgramListID listId, int32 programIndex,
                                    String128 name) override;
  tresult PLUGIN_API getProgramInfo(ProgramListID listId, int32 programIndex, CString attributeId,
                                    String128 attributeValue) override;
  tresult PLUGIN_API hasProgramPitchNames(ProgramListID listId, int32 programIndex) override;
  tresult PLUGIN_API getProgramPitchName(ProgramListID listId, int32 programIndex, int16 midiPitch,
                                         String128 name) override;
  UnitID PLUGIN_API getSelectedUnit() override { return selectedUnit; }
  tresult PLUGIN_API selectUnit(UnitID unitId) override;
  tresult PLUGIN_API getUnitByBus(MediaType type, BusDirection dir, int32 busIndex, int32 channel,
                                  UnitID& unitId) override;
  tresult PLUGIN_API setUnitProgramData(int32 listOrUnitId, int32 programIndex,
                                        IBStream* data) override;

  // Tells the host (IUnitHandler on the component handler) which unit is selected.
  tresult notifyUnitSelection();

  OBJ_METHODS(Vst::EditControllerEx1, EditController)
  DEFINE_INTERFACES
  DEF_INTERFACE(IUnitInfo)
  END_DEFINE_INTERFACES(EditController)
  REFCOUNT_METHODS(EditController)

protected:
  std::vector<IPtr<Unit>> units;
  UnitID selectedUnit = kRootUnitId;
};

} // namespace Vst
} // namespace Steinberg
