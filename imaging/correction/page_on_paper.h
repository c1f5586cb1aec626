// A page lying on other paper, whose outline the best quadrilateral is:
// the page is then a quadrilateral within it. Internal to
// imaging/correction/.
#pragma once

#include <optional>
#include <vector>

#include "imaging/correction/quad_candidate.h"

namespace imaging::correction::detail {

// A page lying on a larger sheet of lighter paper (a magazine page on copy
// paper): the sheet's outline closes round both, so the best quadrilateral
// is the sheet's. The page is then the best quadrilateral within it, half
// its size at least, whose edges step the other way (the page darker than
// the sheet beside it) and whose margins are even paper (UniformMargins).
std::optional<Candidate> PageOnSheet(const Candidate& sheet, const std::vector<Pair>& rows,
                                     const std::vector<Pair>& columns, const LightnessField& field);

}  // namespace imaging::correction::detail
