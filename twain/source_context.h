// The source-wide TWAIN state that every handler shares.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/dialog.h"
#include "protocol/twain.h"

namespace twain {

// A response curve: one entry per possible sample value.
using ResponseTable = std::array<TW_ELEMENT8, 256>;

struct SourceContext {
  int protocolState = 3;
  TW_UINT16 conditionCode = TWCC_SUCCESS;
  TW_IDENTITY appIdentity{};     // Id 0: no application has the source open
  TW_IDENTITY sourceIdentity{};  // replaced by the manager's record at MSG_OPENDS
  platform::WindowHandle parentWindow = nullptr;
  // A TWAIN 2 manager's entry points (DAT_ENTRYPOINT); all null from a 1.x manager.
  TW_ENTRYPOINT managerEntry{};
  std::int32_t traceCounter = 1;
  // Pictures ended by MSG_ENDXFER since MSG_ENABLEDS, against CAP_XFERCOUNT.
  int transfersThisEnable = 0;
  std::string fileNameCurrent = "twain.bmp";
  std::string fileNameDefault = "twain.bmp";
  // Stored for the application only; nothing applies them to pictures.
  ResponseTable grayResponse{};
  ResponseTable rgbResponse{};
};

// The identity the source reports before any manager has assigned an Id.
TW_IDENTITY MakeSourceIdentity();

}  // namespace twain
