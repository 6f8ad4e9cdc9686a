#pragma once
// Where the focus goes when the focus list changes under it without the player moving it (an
// action or the setup queue enabled or disabled controls): the list is of control ids, the focus
// an index into it.
#include <vector>

namespace lumenark {

// The focus is on no control: nothing is ringed, Enter and A do nothing, and the next movement
// key places it.
inline constexpr int noFocusPosition = -1;

// The focus position in `next` for the control `focused` that had the focus in `previous`:
// - that control's position while it is still in `next`;
// - else the position of the nearest control of `previous` that is still there and is not a
//   "Cancel", looking after it first, then before it;
// - else the first control of `next` that is not a "Cancel";
// - else (nothing but Cancels is left) `noFocusPosition`: a focus the player did not move never
//   lands on a Cancel.
// A focus on no control (`focused` not in `previous`) keeps `position`.
int followedFocusPosition(const std::vector<int>& previous, int focused,
                          const std::vector<int>& next, int position);

} // namespace lumenark
