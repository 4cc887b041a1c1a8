#pragma once
// The rules of the single-line text entry that a value box opens, shared by every platform
// window: which characters the entry accepts for the control's parameter, and when the entry
// commits or cancels. The platform only shows the entry and reports what happened to it.

#include <string>

namespace plugfw {
class IParam;
}

namespace plugfw::ui {

// What the entry accepts, from the kind of the control's parameter.
enum class ETextEntryFilter
{
  Any,     // no parameter: free text
  Integer, // integer, enumeration and boolean kinds: "+", "-" and digits
  Decimal  // floating-point kinds: "+", "-", digits and "."
};

ETextEntryFilter TextEntryFilterFor(const IParam* param);
// Backspace (8) always passes; other control characters never do (Return and Escape are
// decisions, below, not text).
bool TextEntryAccepts(ETextEntryFilter filter, char32_t ch);
// The accepted part of a UTF-8 string, in order (for pasted or initial text).
std::string FilterTextEntryText(ETextEntryFilter filter, const std::string& utf8);

// Entry life cycle, numbered as the frame step reads it.
enum class ETextEntryState
{
  None = 0,
  Editing = 1,
  Drawn = 2,
  CancelRequested = 3,
  CommitRequested = 4
};

enum class ETextEntryEvent
{
  FocusGained,
  FocusLost,
  Return,
  Escape,
  PressOutside, // left or right button pressed outside the entry
  Wheel         // wheel turned anywhere while the entry is open
};

// The state after an event. A decision once taken (commit or cancel) stands until the frame
// step acts on it; a press outside while the entry is merely being drawn changes nothing.
ETextEntryState NextTextEntryState(ETextEntryState state, ETextEntryEvent event);

enum class ETextEntryAction
{
  None,
  Cancel,
  Commit
};
// What the frame step does for the entry in `state`.
ETextEntryAction TextEntryFrameAction(ETextEntryState state);

// Committed text is read up to this many characters.
inline constexpr int kTextEntryMaxChars = 256;
// The first kTextEntryMaxChars characters (code points) of a UTF-8 string.
std::string TextEntryCommitText(const std::string& utf8);

} // namespace plugfw::ui
