#include "twain/source_context.h"

#include <cstring>

namespace twain {

TW_IDENTITY MakeSourceIdentity() {
  TW_IDENTITY identity{};
  identity.Id = 0;
  identity.Version.MajorNum = 1;
  identity.Version.MinorNum = 603;
  identity.Version.Language = TWLG_USA;
  identity.Version.Country = TWCY_USA;
  std::strcpy(identity.Version.Info, "Version 4.1 08/09/2019");
  identity.ProtocolMajor = 1;
  identity.ProtocolMinor = 8;
  identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
  std::strcpy(identity.Manufacturer, "Mervale");
  std::strcpy(identity.ProductFamily, "Mervale");
  std::strcpy(identity.ProductName, "MervaleTwain");
  return identity;
}

}  // namespace twain
