// The motion lines of a scene: how pages arrive the way a person lays them
// under a document camera. Each line expands into the scene's plain steps
// (place, move, remove), frame by frame, with the hand as a page of its own:
//
//   lay NAME X Y ANGLE          a hand carries the page in from the field's
//                               lower edge and lays it, its skew settling
//                               while the hand still covers its foot, then
//                               withdraws
//   slide NAME X Y ANGLE MS     the page slides in from the field's left edge
//                               without turning
//   turn-over NAME BACK         a hand reaches over the page and turns it
//                               over in place: BACK is its other side
//   exchange OLD NEW            NEW lies where OLD lay, from one frame to
//                               the next, with nothing in between
//   stack PREFIX COUNT X Y [rest MS]
//                               COUNT pages PREFIX1 ... are laid by hand on
//                               top of each other, each resting MS
//                               milliseconds (default 2000) before the next
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "capture/virtual/scene.h"

namespace capture {

// The page the motion lines define for the hand.
inline constexpr const char* kHandPageName = "hand";
inline constexpr Rgb kHandColour{222, 176, 142};

bool IsMotionKeyword(std::string_view keyword);

// Adds the pages a motion line needs (the hand, a stack's pages) and the
// steps it stands for to `scene`. False, with `error` saying why, when the
// values are wrong: then the scene is left as it was.
bool AddMotionLine(std::string_view keyword, const std::vector<std::string>& values, Scene& scene, std::string& error);

// The ink of page `index` (0-based) of a stack of `count` pages: colours
// spread around the colour wheel, all dark enough to read as text.
Rgb StackInkColour(std::size_t index, std::size_t count);

}  // namespace capture
