#include "imaging/correction/page_on_paper.h"

#include <algorithm>

namespace imaging::correction::detail {

namespace {

// A page on a larger sheet covers this share of the sheet at least, its
// corners within this many pixels of the sheet's outline.
constexpr double kMinPageOnSheetShare = 0.5;
constexpr double kCornerSlack = 1.5;

// Whether a page on a sheet shows along each of its sides what paper does:
// an even level just inside every side (its blank margin), the same all
// round, darker than the sheet beyond the side (`lighter` 1, or lighter
// when -1) and lighter than the desk at `desk`, each by a step. Inside the
// edges of a photograph or of a block of text on a page lie uneven things,
// and different things inside different sides.
bool UniformMargins(const Candidate& page, const LightnessField& field, QuadPoint centre, double lighter, double desk) {
  double lowest = 1e9, highest = -1e9;
  for (std::size_t i = 0; i < 4; ++i) {
    std::array<bool, 4> only{};
    only[i] = true;
    Bands bands = BandsAcross(page, field, centre, kNearBand, only);
    if (bands.in.empty()) return false;
    const double in = Median(bands.in), out = Median(bands.out);
    if (lighter * (out - in) < kMinStep || lighter * (in - desk) < kMinStep) return false;
    if (Quantile(bands.in, 0.75) - Quantile(bands.in, 0.25) >= kMinStep) return false;
    lowest = std::min(lowest, in), highest = std::max(highest, in);
  }
  return highest - lowest < kMinStep;
}

}  // namespace

std::optional<Candidate> PageOnSheet(const Candidate& sheet, const std::vector<Pair>& rows,
                                     const std::vector<Pair>& columns, const LightnessField& field) {
  Candidate outline = sheet;
  QuadPoint sheetCentre;
  double sheetArea = 0;
  if (BorderSides(sheet) > 0 || !Close(outline, field, sheetCentre, sheetArea)) return std::nullopt;
  Bands beyond = BandsAcross(outline, field, sheetCentre, kNearBand, {true, true, true, true});
  if (beyond.out.empty()) return std::nullopt;
  const double desk = Median(beyond.out);
  const double lighter = sheet.lighterInside ? 1.0 : -1.0;
  auto insideSheet = [&](QuadPoint p) {
    for (std::size_t j = 0; j < 4; ++j) {
      const PageLine& side = *sheet.sides[j];
      const double inward = side.nx * sheetCentre.x + side.ny * sheetCentre.y > side.offset ? 1.0 : -1.0;
      if (!side.border && inward * (side.nx * p.x + side.ny * p.y - side.offset) < -kCornerSlack) return false;
    }
    return true;
  };
  std::optional<Candidate> best;
  for (const Pair& r : rows) {
    for (const Pair& c : columns) {
      Candidate page = QuadOf(r, c);
      if (BorderSides(page) > 0) continue;
      QuadPoint centre;
      double area = 0;
      if (!Close(page, field, centre, area) || area < kMinPageOnSheetShare * sheetArea) continue;
      if (!std::all_of(page.corners.begin(), page.corners.end(), insideSheet)) continue;
      const Totals totals = SupportOf(page, field, centre, !sheet.lighterInside, false);
      if (!totals.valid || totals.supported < kMinSupport * (totals.supported + totals.unsupported) ||
          (best && totals.Score() <= best->score)) {
        continue;
      }
      if (!UniformMargins(page, field, centre, lighter, desk)) continue;
      page.lighterInside = !sheet.lighterInside;
      page.score = totals.Score();
      best = page;
    }
  }
  return best;
}

}  // namespace imaging::correction::detail
