// The way back to the application: the source manager's DSM_Entry.
#pragma once

#include "protocol/twain.h"

namespace platform {

class SourceManagerLink {
 public:
  virtual ~SourceManagerLink() = default;
  // Sends DG_CONTROL / DAT_NULL / `message` from `origin` to `destination`.
  // Returns false when no source manager could be found; the notification is
  // then dropped.
  virtual bool SendNull(twain::TW_IDENTITY& origin, twain::TW_IDENTITY& destination, twain::TW_UINT16 message) = 0;
};

// Windows: the already loaded TWAINDSM.DLL, else TWAIN_32.DLL. Linux: the
// DSM_Entry exported by the hosting process or an already loaded manager.
SourceManagerLink& SystemSourceManagerLink();

}  // namespace platform
