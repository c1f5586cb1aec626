#include "tools/virtual-camera/enumerators.h"

#include "capture/win32/media_type.h"

namespace virtual_camera {

AM_MEDIA_TYPE* MediaTypeList::Hand(ULONG index) const {
  AM_MEDIA_TYPE type = MediaTypeOf(formats_.at(index));
  AM_MEDIA_TYPE* handed = NewMediaType(type);
  capture::FreeMediaType(type);
  return handed;
}

}  // namespace virtual_camera
