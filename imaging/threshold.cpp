#include "imaging/threshold.h"

#include <cmath>
#include <vector>

namespace imaging {

namespace {

// The best value of one criterion so far and the candidate that gave it.
struct Pick {
  bool found = false;
  double value = 0;
  int t = 0;

  // A later candidate wins only with a strictly larger value.
  void Offer(double candidateValue, int candidate) {
    if (!found || candidateValue > value) {
      found = true;
      value = candidateValue;
      t = candidate;
    }
  }
};

// std::log of a whole count, from a table for the counts of one 64 × 64
// box: the threshold of every box of a page takes hundreds of logarithms of
// small whole numbers. The table holds std::log's own results, so nothing
// changes but the time.
double LogOfCount(double count) {
  constexpr int kTabled = 64 * 64;
  static const std::vector<double> table = [] {
    std::vector<double> logs(kTabled + 1);
    for (int n = 0; n <= kTabled; ++n) logs[static_cast<std::size_t>(n)] = std::log(static_cast<double>(n));
    return logs;
  }();
  const bool tabled = count >= 0 && count <= kTabled && count == std::floor(count);
  return tabled ? table[static_cast<std::size_t>(count)] : std::log(count);
}

}  // namespace

int SelectThreshold(const GreyHistogram& h) {
  int lower = 0;
  while (lower < 255 && h[static_cast<std::size_t>(lower)] <= 0) ++lower;
  int upper = 255;
  while (upper > 0 && h[static_cast<std::size_t>(upper)] <= 0) --upper;
  if (upper <= lower) return lower == 0 ? 0 : lower - 1;

  // Totals over L..U: count, first and second moments, and Σ h ln h, from
  // which each class's entropy follows as ln w − (Σ h ln h) / w.
  double n = 0, m = 0, s = 0, e = 0;
  for (int i = lower; i <= upper; ++i) {
    const double count = h[static_cast<std::size_t>(i)];
    const double level = i;
    n += count;
    m += level * count;
    s += level * level * count;
    if (count > 0) e += count * LogOfCount(count);
  }

  Pick variance, minimumError, entropy, moments;
  double w1 = 0, m1 = 0, s1 = 0, e1 = 0;
  for (int t = lower; t < upper; ++t) {
    const double count = h[static_cast<std::size_t>(t)];
    const double level = t;
    w1 += count;
    m1 += level * count;
    s1 += level * level * count;
    if (count > 0) e1 += count * LogOfCount(count);
    // An empty level leaves both classes as they were: the first three
    // criteria would give the previous candidate's values again, and an
    // equal value never wins, so their logarithms are skipped.
    const double w2 = n - w1;
    if (count != 0 || t == lower) {
      const double d1 = s1 / w1 - (m1 / w1) * (m1 / w1);
      const double d2 = (s - s1) / w2 - ((m - m1) / w2) * ((m - m1) / w2);
      variance.Offer(-(d1 * w1 + d2 * w2), t);
      if (d1 > 0 && d2 > 0) {
        minimumError.Offer(w1 * std::log(w1 / std::sqrt(d1)) + w2 * std::log(w2 / std::sqrt(d2)), t);
      }
      entropy.Offer((LogOfCount(w1) - e1 / w1) + (LogOfCount(w2) - (e - e1) / w2), t);
    }
    // Second moments about t from the class sums; exact, as all terms are whole numbers.
    const double p1 = level * level * w1 - 2.0 * level * m1 + s1;
    const double p2 = (s - s1) - 2.0 * level * (m - m1) + level * level * w2;
    moments.Offer(p1 + p2 <= 0 ? 0.0 : -std::abs((p1 - p2) / (p1 + p2)), t);
  }

  int sum = 0, picks = 0;
  for (const Pick* pick : {&variance, &minimumError, &entropy, &moments}) {
    if (!pick->found) continue;
    sum += pick->t;
    ++picks;
  }
  const int middle = (lower + upper) / 2;
  if (picks == 0) return middle;
  const int threshold = sum / picks;
  return threshold > lower && threshold < upper ? threshold : middle;
}

}  // namespace imaging
