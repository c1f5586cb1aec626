// The image group's handlers: the description of the next picture, the page
// layout, the three transfers, and the palette, response and CIE triplets.
// Dispatch has checked the MSG, the state and null data by the row.
#pragma once

#include "twain/dispatch.h"

namespace twain {

TW_UINT16 DescribeNextPicture(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 GetLayout(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 TransferRows(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 TransferNative(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 TransferFile(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 GetPalette(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 ResetGrayResponse(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 SetGrayResponse(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 ResetRgbResponse(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 SetRgbResponse(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 DescribeCieColour(Source& source, TripletMessage& message, const DispatchRow& row);

}  // namespace twain
