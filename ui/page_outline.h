// The detected page's outline over the live preview: the corners found in
// frame pixels are mapped onto the preview control and joined with a thick
// magenta line.
#pragma once

#include "imaging/detected_page.h"
#include "platform/dialog.h"
#include "settings/settings.h"

namespace ui {

// The outline's four points in screen coordinates, in drawing order
// P1, P2, P4, P3, for a preview at `preview` (screen coordinates) showing
// frames of `format`'s size.
std::array<platform::Point, 4> MapOutline(const imaging::PageQuad& quad, const platform::Rect& preview,
                                          const settings::VideoFormat& format);

void DrawPageOutline(platform::DialogWindow& window, const imaging::PageQuad& quad,
                     const settings::VideoFormat& format);

}  // namespace ui
