// Threshold selection for a histogram of grey values: four criteria each
// pick a split, and the threshold is their mean.
#pragma once

#include <array>

namespace imaging {

// Counts of the grey levels 0 to 255.
using GreyHistogram = std::array<double, 256>;

// The threshold of a non-empty histogram. Candidates t run over the occupied
// range L..U − 1 and split it into L..t and t + 1..U. Four criteria each
// pick the t with the largest value (the smallest t among equals):
//   1. the negated within-class variance;
//   2. the minimum-error criterion w1 ln(w1 / √D1) + w2 ln(w2 / √D2), only
//      where both class variances D1, D2 are positive (it may pick nothing);
//   3. the sum of the two classes' entropies;
//   4. the moment balance −|(P1 − P2) / (P1 + P2)|, P1 and P2 the classes'
//      second moments about t (0 when P1 + P2 is 0).
// The threshold is the truncated mean of the picks, replaced by (L + U) / 2
// when it does not lie strictly between L and U. A histogram with a single
// level L gives L − 1, or 0 for L = 0.
int SelectThreshold(const GreyHistogram& histogram);

}  // namespace imaging
