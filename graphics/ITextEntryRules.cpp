#include "graphics/ITextEntryRules.h"

#include "plugin/IParam.h"
#include "utf8/Utf8.h"

namespace plugfw::ui {

ETextEntryFilter TextEntryFilterFor(const IParam* param)
{
  if (!param)
    return ETextEntryFilter::Any;
  switch (param->Type())
  {
  case IParam::kTypeNone:
    return ETextEntryFilter::Any;
  case IParam::kTypeDouble:
    return ETextEntryFilter::Decimal;
  default:
    return ETextEntryFilter::Integer;
  }
}

bool TextEntryAccepts(ETextEntryFilter filter, char32_t ch)
{
  if (ch == 8)
    return true;
  if (ch < 0x20 || ch == 0x7F)
    return false;
  switch (filter)
  {
  case ETextEntryFilter::Any:
    return true;
  case ETextEntryFilter::Decimal:
    if (ch == '.')
      return true;
    [[fallthrough]];
  case ETextEntryFilter::Integer:
    return ch == '+' || ch == '-' || (ch >= '0' && ch <= '9');
  }
  return false;
}

std::string FilterTextEntryText(ETextEntryFilter filter, const std::string& utf8)
{
  std::string out;
  for (size_t i = 0; i < utf8.size();)
  {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const size_t n = utf8::SequenceLength(lead);
    if (n == 1)
    {
      if (lead < 0x80 && lead != 8 && TextEntryAccepts(filter, lead))
        out.push_back(static_cast<char>(lead));
    }
    else if (filter == ETextEntryFilter::Any && i + n <= utf8.size())
      out.append(utf8, i, n);
    i += n;
  }
  return out;
}

ETextEntryState NextTextEntryState(ETextEntryState state, ETextEntryEvent event)
{
  if (state == ETextEntryState::None || state == ETextEntryState::CancelRequested ||
      state == ETextEntryState::CommitRequested)
    return state;
  switch (event)
  {
  case ETextEntryEvent::FocusGained:
    return ETextEntryState::Editing;
  case ETextEntryEvent::FocusLost:
  case ETextEntryEvent::Return:
    return ETextEntryState::CommitRequested;
  case ETextEntryEvent::Escape:
  case ETextEntryEvent::Wheel:
    return ETextEntryState::CancelRequested;
  case ETextEntryEvent::PressOutside:
    return state == ETextEntryState::Drawn ? state : ETextEntryState::CommitRequested;
  }
  return state;
}

ETextEntryAction TextEntryFrameAction(ETextEntryState state)
{
  if (state == ETextEntryState::CancelRequested)
    return ETextEntryAction::Cancel;
  if (state == ETextEntryState::CommitRequested)
    return ETextEntryAction::Commit;
  return ETextEntryAction::None;
}

std::string TextEntryCommitText(const std::string& utf8)
{
  size_t i = 0;
  for (int chars = 0; i < utf8.size() && chars < kTextEntryMaxChars; ++chars)
    i += utf8::SequenceLength(static_cast<unsigned char>(utf8[i]));
  return utf8.substr(0, i < utf8.size() ? i : utf8.size());
}

} // namespace plugfw::ui
