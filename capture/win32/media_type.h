// DirectShow media type records: what the capture service and the virtual
// camera filter both free the same way.
#pragma once

#include <dshow.h>

namespace capture {

// Frees what a media type record owns (its format block and its object),
// leaving the record empty; the record itself stays.
void FreeMediaType(AM_MEDIA_TYPE& type);

// Frees a media type record allocated with CoTaskMemAlloc, and what it owns.
void DeleteMediaType(AM_MEDIA_TYPE* type);

}  // namespace capture
