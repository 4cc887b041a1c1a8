#pragma once
// A stand-in for the editor's frame: the same kinds and numbers of drawing calls (panels,
// rounded rectangles, about 60 text strings, a 642 x 170 spectrum with a ~600-point curve and
// its fill, a notch response curve, about 20 circles, the logo bitmap).

#include "render/IRenderer.h"

namespace rbench {

class EditorScene
{
public:
  explicit EditorScene(plugfw::ui::IRenderer& r);
  void DrawAll();      // the whole 740 x 726 editor
  void DrawSpectrum(); // the spectrum control alone (10, 10, 652, 180)

private:
  plugfw::ui::IRenderer& mR;
  plugfw::ui::IBitmap mLogo;
  float mMag[1024];
};

} // namespace rbench
