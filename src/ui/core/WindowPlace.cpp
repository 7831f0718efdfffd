// The window's place on the screen.
#include "ui/core/WindowPlace.h"

#include <algorithm>

namespace ipmdb::ui {

TPoint PlaceInside(TPoint wanted, TSize frameSize, const TRect& available) {
  const int right = available.FLeft + available.FWidth - frameSize.FWidth;
  const int bottom = available.FTop + available.FHeight - frameSize.FHeight;
  return {std::max(available.FLeft, std::min(wanted.FX, right)), std::max(available.FTop, std::min(wanted.FY, bottom))};
}

}  // namespace ipmdb::ui
