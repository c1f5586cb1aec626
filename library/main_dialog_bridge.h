// The composition of the dialogs with the source: the main scanning dialog
// becomes the source's user interface and reaches the source through the
// dialogs' port, implemented here over the source's objects.
#pragma once

#include <memory>

#include "twain/source.h"
#include "twain/user_interface.h"

namespace library {

// The factory every Source of the library (and of the tests) is given.
std::unique_ptr<twain::ScanUserInterface> MakeMainDialog(twain::Source& source);

}  // namespace library
