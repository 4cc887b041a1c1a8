#pragma once
// Colours, font and control tags shared by the editor's layout and its own controls.
// Colours are written alpha, red, green, blue.

#include "graphics/IGraphicsTypes.h"

// Tags by which the idle handler and the actions find controls.
enum EditorTag : int
{
  kTagSpectrum = 0,
  kTagBank = 1,
  kTagInputMeter = 2,
  kTagOutputMeter = 3,
  kTagReduceSlider = 4,
  kTagFrequencySlider = 5,
  kTagBandwidthSlider = 6,
  kTagSelectedLine = 7,
  kTagActiveCountLine = 8,
  kTagReduceValue = 10,
  kTagFrequencyValue = 11,
  kTagBandwidthValue = 12,
  kTagAbout = 13,
};

inline constexpr const char* kEditorFont = "Roboto-Regular";
inline constexpr const char* kEditorFontResource = "Roboto-Regular.ttf";

// Notch states, shared by the spectrum handles and the bank cells.
inline constexpr plugfw::ui::IColor kColorAutoNotch(255, 255, 200, 0);
inline constexpr plugfw::ui::IColor kColorManualNotch(255, 0, 150, 235);
inline constexpr plugfw::ui::IColor kColorFreeSlot(128, 90, 90, 90);
inline constexpr plugfw::ui::IColor kColorSelection(255, 255, 255, 255);
