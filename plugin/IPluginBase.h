#pragma once
// Identity, host identity, presets and serialisation of the parameter state.

#include <string>
#include <vector>

#include "plugin/Config.h"
#include "plugin/HostTable.h"
#include "plugin/ICanvasEditorDelegate.h"

namespace plugfw {

struct IPreset
{
  static constexpr int kMaxNameLen = 255;
  bool mInitialized = false;
  std::string mName = "empty";
  IByteChunk mChunk;
};

class IPluginBase : public ICanvasEditorDelegate
{
public:
  IPluginBase(int nParams, int nPresets);
  ~IPluginBase() override;

  virtual void InformHostOfParameterDetailsChange();                        // [UI thread]
  virtual bool SerializeState(IByteChunk& chunk) const;                     // [any thread]
  virtual int UnserializeState(const IByteChunk& chunk, int startPos);      // [any thread]
  virtual bool SerializeCtrlrState(IByteChunk& chunk) const;                // [any thread]
  virtual int UnserializeCtrlrState(const IByteChunk& chunk, int startPos); // [any thread]
  virtual void OnPresetsModified();                                         // [UI thread]
  virtual void OnPresetRestored();                                          // [UI thread]

  // --- non-virtual ---
  // Every parameter's plain value as a little-endian double, in index order. False only when
  // the chunk could not grow.
  bool SerializeParams(IByteChunk& chunk) const;
  // Reads one double per parameter from startPos; returns the position after the block, or -1
  // when the block is short (values read so far are kept). Non-finite values are skipped.
  int UnserializeParams(const IByteChunk& chunk, int startPos);

  // Marks the first uninitialised preset initialised with this name and the current state.
  bool MakeDefaultPreset(const char* name = "Default");
  bool RestorePreset(int idx);
  int NPresets() const { return static_cast<int>(mPresets.size()); }
  int GetCurrentPresetIdx() const { return mCurrentPresetIdx; }
  const IPreset* GetPreset(int idx) const
  {
    return (idx >= 0 && idx < NPresets()) ? &mPresets[idx] : nullptr;
  }

  const char* GetPluginName() const { return mPluginName.c_str(); }
  const char* GetProductName() const { return mProductName.c_str(); }
  const char* GetMfrName() const { return mMfrName.c_str(); }
  int GetUniqueID() const { return mUniqueID; }
  int GetMfrID() const { return mMfrID; }
  int GetPluginVersion() const { return mVersion; }
  // "major.minor.revision" from the packed version.
  std::string GetPluginVersionStr() const;
  bool DoesStateChunks() const { return mStateChunks; }
  bool HasUI() const { return mHasUI; }
  bool GetHostResizeEnabled() const { return mHostResize; }

  int GetHost() const { return mHost; }
  int GetHostVersion() const { return mHostVersion; }
  const char* GetHostName() const { return mHostName.c_str(); }

protected:
  static constexpr size_t kMaxNameLen = 128;

  std::string mPluginName;
  std::string mProductName;
  std::string mMfrName;
  int mUniqueID = 0;
  int mMfrID = 0;
  int mVersion = 0;
  bool mStateChunks = false;
  int mHost = kHostUninit;
  int mHostVersion = 0;
  std::string mHostName;
  bool mHasUI = false;
  bool mHostResize = false;
  std::vector<IPreset> mPresets;
  int mCurrentPresetIdx = 0;
};

} // namespace plugfw
