// The image group's handlers: the description of the next picture, the page
// layout, the three transfers, and the palette, response, CIE and JPEG triplets.
#pragma once

#include "twain/dispatch.h"

namespace twain {

TW_UINT16 ImageInfoMsg(Source& source, TripletMessage& message);
TW_UINT16 ImageLayoutMsg(Source& source, TripletMessage& message);
TW_UINT16 ImageMemXferMsg(Source& source, TripletMessage& message);
TW_UINT16 ImageNativeXferMsg(Source& source, TripletMessage& message);
TW_UINT16 ImageFileXferMsg(Source& source, TripletMessage& message);
TW_UINT16 Palette8Msg(Source& source, TripletMessage& message);
TW_UINT16 GrayResponseMsg(Source& source, TripletMessage& message);
TW_UINT16 RGBResponseMsg(Source& source, TripletMessage& message);
TW_UINT16 CIEColorMsg(Source& source, TripletMessage& message);
TW_UINT16 JPEGCompressionMsg(Source& source, TripletMessage& message);

}  // namespace twain
