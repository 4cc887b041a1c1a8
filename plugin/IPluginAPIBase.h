#pragma once
// Host identification, the idle timer, the lock-free queues between the audio thread and the
// editor thread, and the hooks through which a binding tells the host of parameter edits.

#include <memory>
#include <string>
#include <vector>

#include "rt/ISPSCQueue.h"
#include "plugin/IPluginBase.h"
#include "plugin/Timer.h"

namespace plugfw {

struct ParamTuple
{
  int idx = 0;
  double value = 0.0;
};

class IPluginAPIBase : public IPluginBase
{
public:
  static constexpr int kParamQueueSlots = 513;
  static constexpr int kMidiQueueSlots = 33;
  static constexpr int kSysExQueueSlots = 5;
  static constexpr uint32_t kIdleTimerMs = 20;

  explicit IPluginAPIBase(const Config& config);
  ~IPluginAPIBase() override;

  // Overrides completing the editor-delegate operations with the host hooks below.
  void SendParameterValuesToHost() override;                                         // [UI thread]
  void BeginParameterChangeFromUI(int paramIdx) override;                            // [UI thread]
  void SetParameterValueFromUI(int paramIdx, double normalizedValue) override;       // [UI thread]
  void EndParameterChangeFromUI(int paramIdx) override;                              // [UI thread]
  bool EditorResizeFromUI(int width, int height, bool needsPlatformResize) override; // [UI thread]
  void DeferMidiMsg(const IMidiMsg& msg) override;                                   // [UI thread]
  void DeferSysexMsg(const ISysEx& msg) override;                                    // [UI thread]
  int UnserializeState(const IByteChunk& chunk, int startPos) override;              // [any thread]

  virtual bool CompareState(const uint8_t* pIncomingState, int startPos) const; // [UI thread]
  virtual bool DoesSurroundLayouts() const;                                     // [any thread]
  virtual bool DoesSidechainRouting() const;                                    // [any thread]
  virtual void OnHostIdentified();                                              // [UI thread]
  virtual void ListParameterIndices(int count, std::vector<int>& list) const;   // [UI thread]
  virtual bool IsNegatedPair(int a, int b) const;                               // [UI thread]
  virtual void OnHostHook();                                                    // [UI thread]
  virtual bool GetMidiNoteText(int noteNumber, std::string& text) const;        // [UI thread]
  virtual IGraphicsContext* GetUI() const;                                      // [UI thread]
  virtual void OnIdleTick();                                // [UI thread] idle timer
  virtual void GetTrackColor(int& r, int& g, int& b) const; // [UI thread]
  virtual void GetTrackName(std::string& str) const;        // [UI thread]
  virtual int GetTrackIndex() const;                        // [UI thread]
  virtual void GetTrackNamespace(std::string& str) const;   // [UI thread]
  virtual int GetTrackNamespaceIndex() const;               // [UI thread]
  virtual void SendParameterValueFromAPI(int paramIdx, double value,
                                         bool normalized);            // [audio thread]
  virtual void HostSpecificInit();                                    // [UI thread]
  virtual bool EditorResize(int width, int height);                   // [UI thread]
  virtual void BeginHostEdit(int paramIdx);                           // [UI thread]
  virtual void EndHostEdit(int paramIdx);                             // [UI thread]
  virtual void PerformHostEdit(int paramIdx, double normalizedValue); // [UI thread]
  virtual void OnHostHookA();                                         // [UI thread]
  virtual void OnHostHookB();                                         // [UI thread]

  // --- non-virtual ---
  // Identifies the host from its application name; only the first call counts.
  void SetHost(const char* hostName, int version = 0);
  // The idle timer callback: drains MIDI and SysEx from the audio side, then OnIdleTick.
  void OnTimerTick(Timer& t);
  Timer* GetTimer() const { return mTimer.get(); }

  ISPSCQueue<ParamTuple>& ParamChangeFromProcessor() { return mParamChangeFromProcessor; }
  ISPSCQueue<IMidiMsg>& MidiMsgsFromEditor() { return mMidiMsgsFromEditor; }
  ISPSCQueue<IMidiMsg>& MidiMsgsFromProcessor() { return mMidiMsgsFromProcessor; }
  ISPSCQueue<ISysEx>& SysExDataFromEditor() { return mSysExDataFromEditor; }
  ISPSCQueue<ISysEx>& SysExDataFromProcessor() { return mSysExDataFromProcessor; }

protected:
  // Starts the 20 ms idle timer. `before`, when given, runs at each tick ahead of OnTimerTick.
  void StartIdleTimer(Timer::ITimerFunction before = nullptr);
  void StopIdleTimer();

  std::unique_ptr<Timer> mTimer;
  ISPSCQueue<ParamTuple> mParamChangeFromProcessor{kParamQueueSlots};
  ISPSCQueue<IMidiMsg> mMidiMsgsFromEditor{kMidiQueueSlots};
  ISPSCQueue<IMidiMsg> mMidiMsgsFromProcessor{kMidiQueueSlots};
  ISPSCQueue<ISysEx> mSysExDataFromEditor{kSysExQueueSlots};
  ISPSCQueue<ISysEx> mSysExDataFromProcessor{kSysExQueueSlots};
};

} // namespace plugfw
