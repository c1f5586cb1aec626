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
  identity.ProtocolMajor = 2;
  identity.ProtocolMinor = 4;
  // DF_DS2: a TWAIN 2 manager hands over its entry points, which the source
  // then uses for its notifications; 1.x managers ignore the flag.
  identity.SupportedGroups = DG_CONTROL | DG_IMAGE | DF_DS2;
  std::strcpy(identity.Manufacturer, "Mervale");
  std::strcpy(identity.ProductFamily, "Mervale");
  std::strcpy(identity.ProductName, "MervaleTwain");
  return identity;
}

}  // namespace twain
