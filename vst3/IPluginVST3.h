#pragma once
// The one object a VST 3 host talks to: audio processor and edit controller in one.

#include <atomic>
#include <thread>

#include "plugin/IHostContextMenu.h"
#include "plugin/IPluginAPIBase.h"
#include "vst3/IPluginVST3ControllerBase.h"
#include "vst3/IPluginVST3ProcessorBase.h"
#include "vst3api/base/PlugView.h"
#include "vst3api/sdk/SingleComponentEffect.h"
#include "vst3api/vst/ChannelContext.h"
#include "vst3api/vst/ContextMenu.h"

namespace plugfw {

class IPluginVST3View;

class IPluginVST3 : public IPluginAPIBase,
                    public IPluginVST3ProcessorBase,
                    public IPluginVST3ControllerBase,
                    public Steinberg::Vst::SingleComponentEffect,
                    public Steinberg::Vst::IMidiMapping,
                    public Steinberg::Vst::ChannelContext::IInfoListener,
                    public ui::IHostContextMenuSource
{
public:
  explicit IPluginVST3(const Config& config);
  ~IPluginVST3() override;

  // --- FUnknown ---
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID _iid,
                                               void** obj) override; // [any thread]
  REFCOUNT_METHODS(Steinberg::Vst::SingleComponentEffect)

  // --- IPluginBase ---
  Steinberg::tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override; // [UI thread]
  Steinberg::tresult PLUGIN_API terminate() override;                              // [UI thread]

  // --- IComponent / IAudioProcessor ---
  Steinberg::tresult PLUGIN_API setActive(Steinberg::TBool state) override; // [UI thread]
  Steinberg::tresult PLUGIN_API
  setBusArrangements(Steinberg::Vst::SpeakerArrangement* inputs, Steinberg::int32 numIns,
                     Steinberg::Vst::SpeakerArrangement* outputs,
                     Steinberg::int32 numOuts) override; // [UI thread]
  Steinberg::tresult PLUGIN_API
  canProcessSampleSize(Steinberg::int32 symbolicSampleSize) override; // [UI thread]
  Steinberg::uint32 PLUGIN_API getLatencySamples() override;          // [any thread]
  Steinberg::tresult PLUGIN_API
  setupProcessing(Steinberg::Vst::ProcessSetup& setup) override; // [UI thread]
  Steinberg::tresult PLUGIN_API setProcessing(
      Steinberg::TBool state) override; // [any thread] some hosts call it from the audio thread
  Steinberg::tresult PLUGIN_API
  process(Steinberg::Vst::ProcessData& data) override;                       // [audio thread]
  Steinberg::uint32 PLUGIN_API getTailSamples() override;                    // [any thread]
  Steinberg::tresult setProcessorState(Steinberg::IBStream* state) override; // [UI thread]
  Steinberg::tresult getProcessorState(Steinberg::IBStream* state) override; // [UI thread]

  // --- IEditController ---
  Steinberg::tresult PLUGIN_API
  setComponentState(Steinberg::IBStream* state) override;                 // [UI thread]
  Steinberg::tresult setEditorState(Steinberg::IBStream* state) override; // [UI thread]
  Steinberg::tresult getEditorState(Steinberg::IBStream* state) override; // [UI thread]
  Steinberg::tresult PLUGIN_API
  setParamNormalized(Steinberg::Vst::ParamID tag,
                     Steinberg::Vst::ParamValue value) override;                   // [UI thread]
  Steinberg::IPlugView* PLUGIN_API createView(Steinberg::FIDString name) override; // [UI thread]
  Steinberg::tresult PLUGIN_API
  setComponentHandler(Steinberg::Vst::IComponentHandler* handler) override; // [UI thread]

  // --- IMidiMapping ---
  Steinberg::tresult PLUGIN_API
  getMidiControllerAssignment(Steinberg::int32 busIndex, Steinberg::int16 channel,
                              Steinberg::Vst::CtrlNumber midiControllerNumber,
                              Steinberg::Vst::ParamID& id) override; // [UI thread]

  // --- IInfoListener ---
  Steinberg::tresult PLUGIN_API
  setChannelContextInfos(Steinberg::Vst::IAttributeList* list) override; // [UI thread]

  // --- plug-in core overrides ---
  void ReportLatency(int samples) override;           // [any thread] restart on the UI thread only
  void InformHostOfParameterDetailsChange() override; // [UI thread]
  bool EditorResize(int width, int height) override;  // [UI thread]
  void BeginHostEdit(int paramIdx) override;          // [UI thread]
  void EndHostEdit(int paramIdx) override;            // [UI thread]
  void PerformHostEdit(int paramIdx, double normalizedValue) override;         // [UI thread]
  void SetParameterValueFromUI(int paramIdx, double normalizedValue) override; // [UI thread]
  void SendParameterValuesToHost() override;                                   // [UI thread]
  void GetTrackColor(int& r, int& g, int& b) const override;                   // [UI thread]
  void GetTrackName(std::string& str) const override;                          // [UI thread]
  int GetTrackIndex() const override;                                          // [UI thread]
  void GetTrackNamespace(std::string& str) const override;                     // [UI thread]
  int GetTrackNamespaceIndex() const override;                                 // [UI thread]

  // --- binding helpers ---
  // The host's context menu for a parameter on the current view; null when the host, the view or
  // the interface is missing. The caller releases it.
  Steinberg::Vst::IContextMenu* CreateHostMenu(int paramIdx);
  // The same menu wrapped for the graphics context (right-click on a parameter control).
  std::unique_ptr<ui::IHostContextMenu> CreateHostContextMenu(int paramIdx) override; // [UI thread]
  IPluginVST3View* GetCurrentView() const { return mView; }
  void OnViewDestroyed(IPluginVST3View* view);
  // Offers the plug-in a host run loop to drive its idle timer (Linux).
  void AttachRunLoop(Steinberg::FUnknown* unknown);
  // Tells the host of a latency it does not know yet: restartComponent(kLatencyChanged) when
  // the latency the parameters imply differs from what the host last heard of. On
  // the audio thread (inside process) it only flags; every UI-thread entry point and the
  // idle timer call it, so a flagged change reaches the host at the first of them.
  void SyncLatencyWithHost();
  bool IsRestartPending() const { return mLatencyRestartPending.load(std::memory_order_acquire); }
  bool IsInitialized() const { return mInitialized; }

protected:
  // The plug-in's own data in the saved state, written after the bypass flag; none by default.
  virtual bool SerializeEngineState(IByteChunk& chunk); // [UI thread]
  // The bytes after the bypass flag of a state being restored (startPos may be the end). Runs
  // once the parameters and the bypass flag are in effect.
  virtual void UnserializeEngineState(const IByteChunk& chunk, int startPos); // [UI thread]

private:
  void AddBusesFromConfigs(int inputCfg, int outputCfg, bool keepActivation);
  void DetachRunLoop();

  class RunLoopTimer;

  IPluginVST3View* mView = nullptr; // not owned: the view holds a reference to us
  std::atomic<bool> mLatencyRestartPending{false};
  std::atomic<std::thread::id> mProcessThread{}; // the thread inside process(), if any
  // The latency the host was last told to re-read, or read when it activated us.
  std::atomic<int> mHostKnownLatency{0};
  bool mInitialized = false;
  bool mSetupDone = false;
  Steinberg::IPtr<Steinberg::FUnknown> mRunLoop;
  RunLoopTimer* mRunLoopTimer = nullptr;
};

} // namespace plugfw
