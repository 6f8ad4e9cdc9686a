#pragma once
// Where the launcher puts the focus when the player did not move it (a page or Settings entered
// or left, a tab chosen, a capture, or the focus list changing under it because an action or the
// setup queue enabled or disabled controls): the list is of control ids, the focus an index into
// it. The launcher never puts the focus on a control that undoes the player's work (`undoing`:
// the "Cancel"s, one Enter or A on which ends every build, and the ticked ownership checkbox,
// whose unticking drops the games that wait); only the player's own movement reaches one.
#include <vector>

namespace lumenark {

// The focus is on no control: nothing is ringed, Enter and A do nothing, and the next movement
// key places it.
inline constexpr int noFocusPosition = -1;

// The position the launcher places the focus at when it wants position `wanted` of `order`
// (clamped into the list; `noFocusPosition` wants no control in particular): that position when
// its control is not undoing, else the first control of the list that is not, else
// `noFocusPosition`.
int placedFocusPosition(const std::vector<int>& order, int wanted, const std::vector<int>& undoing);

// The focus position in `next` for the control `focused` that had the focus in `previous`:
// - that control's position while it is still in `next` (where the player put it);
// - else the position of the nearest control of `previous` that is still there and is not
//   undoing, looking after it first, then before it;
// - else, and from no control (`focused` not in `previous`), as `placedFocusPosition` with no
//   control wanted: the first control of `next` that is not undoing, else no control.
int followedFocusPosition(const std::vector<int>& previous, int focused,
                          const std::vector<int>& next, const std::vector<int>& undoing);

} // namespace lumenark
