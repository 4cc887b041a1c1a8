#include "tools/host/ComponentHandler.h"

#include "tools/host/ContextMenu.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace qhost {

namespace {
HandlerCall make(HandlerCall::Kind kind, ParamID id = 0, double value = 0., int32 flags = 0)
{
  HandlerCall call;
  call.kind = kind;
  call.id = id;
  call.value = value;
  call.flags = flags;
  return call;
}
} // namespace

tresult ComponentHandler::record(HandlerCall call)
{
  call.thread = std::this_thread::get_id();
  {
    std::lock_guard<std::mutex> guard(lock);
    log.push_back(call);
  }
  if (onCall)
    onCall(call);
  return kResultOk;
}

tresult PLUGIN_API ComponentHandler::beginEdit(ParamID id)
{
  return record(make(HandlerCall::kBegin, id));
}
tresult PLUGIN_API ComponentHandler::performEdit(ParamID id, ParamValue value)
{
  return record(make(HandlerCall::kPerform, id, value));
}
tresult PLUGIN_API ComponentHandler::endEdit(ParamID id)
{
  return record(make(HandlerCall::kEnd, id));
}
tresult PLUGIN_API ComponentHandler::restartComponent(int32 flags)
{
  return record(make(HandlerCall::kRestart, 0, 0., flags));
}
tresult PLUGIN_API ComponentHandler::setDirty(TBool state)
{
  return record(make(HandlerCall::kDirty, 0, 0., static_cast<int32>(state)));
}
tresult PLUGIN_API ComponentHandler::requestOpenEditor(FIDString)
{
  return record(make(HandlerCall::kOpenEditor));
}
tresult PLUGIN_API ComponentHandler::startGroupEdit()
{
  return record(make(HandlerCall::kStartGroup));
}
tresult PLUGIN_API ComponentHandler::finishGroupEdit()
{
  return record(make(HandlerCall::kFinishGroup));
}

IContextMenu* PLUGIN_API ComponentHandler::createContextMenu(IPlugView*, const ParamID* paramID)
{
  IPtr<ComponentHandler> self(this); // the menu may outlive the plug-in's hold on the handler
  return new ContextMenu(paramID ? *paramID : kNoParamId,
                         [self](ParamID id, UCoord x, UCoord y, int32 items) {
                           HandlerCall call = make(HandlerCall::kContextMenu, id);
                           call.x = x;
                           call.y = y;
                           call.items = items;
                           self->record(call);
                         });
}

tresult PLUGIN_API ComponentHandler::queryInterface(const TUID _iid, void** obj)
{
  if (!obj)
    return kInvalidArgument;
  if (FUnknownPrivate::iidEqual(_iid, IComponentHandler::iid))
  {
    addRef();
    *obj = static_cast<IComponentHandler*>(this);
    return kResultOk;
  }
  if (groupEdits && FUnknownPrivate::iidEqual(_iid, IComponentHandler2::iid))
  {
    addRef();
    *obj = static_cast<IComponentHandler2*>(this);
    return kResultOk;
  }
  if (FUnknownPrivate::iidEqual(_iid, IComponentHandler3::iid))
  {
    addRef();
    *obj = static_cast<IComponentHandler3*>(this);
    return kResultOk;
  }
  return FObject::queryInterface(_iid, obj);
}

std::vector<HandlerCall> ComponentHandler::calls()
{
  std::lock_guard<std::mutex> guard(lock);
  return log;
}

std::vector<HandlerCall> ComponentHandler::callsOf(HandlerCall::Kind kind)
{
  std::lock_guard<std::mutex> guard(lock);
  std::vector<HandlerCall> out;
  for (const HandlerCall& c : log)
    if (c.kind == kind)
      out.push_back(c);
  return out;
}

void ComponentHandler::clear()
{
  std::lock_guard<std::mutex> guard(lock);
  log.clear();
}

int ComponentHandler::restartCount(int32 flag)
{
  std::lock_guard<std::mutex> guard(lock);
  int n = 0;
  for (const HandlerCall& c : log)
    if (c.kind == HandlerCall::kRestart && (c.flags & flag))
      ++n;
  return n;
}

} // namespace qhost
