#include "twain/dispatch.h"

#include "twain/capability_msg.h"
#include "twain/control_ops.h"
#include "twain/image_ops.h"
#include "twain/source.h"

namespace twain {
namespace {

using enum NullData;
using enum CheckOrder;

constexpr const char* kIdentityPrefix = "General failure in response to DAT_IDENTITY.  ";
constexpr const char* kOpenPrefix = "General failure in response to MSG_OPENDS.  ";
constexpr const char* kClosePrefix = "General failure in response to MSG_CLOSEDS.  ";
constexpr const char* kInterfacePrefix = "General failure in response to DAT_USERINTERFACE.  ";
constexpr const char* kEnablePrefix = "General failure in response to MSG_ENABLEDS.  ";
constexpr const char* kDisablePrefix = "General failure in response to MSG_DISABLEDS.  ";
constexpr const char* kStatusPrefix = "General failure in response to DAT_STATUS.  ";
// Intended: DAT_PENDINGXFER without its S, as applications have always seen it.
constexpr const char* kPendingPrefix = "General failure in response to DAT_PENDINGXFER.  ";
// Intended: the three transfer set-ups say "not supported" though they are answered.
constexpr const char* kSetupMemPrefix = "General failure in response to DAT_SETUPMEMXFER, not supported.  ";
constexpr const char* kSetupFilePrefix = "General failure in response to DAT_SETUPFILEXFER, not supported.  ";
constexpr const char* kXferGroupPrefix = "General failure in response to DAT_XFERGROUP, not supported.  ";
constexpr const char* kEntryPointPrefix = "General failure in response to DAT_ENTRYPOINT.  ";

// Intended: the image-information report speaks of the transfer.
constexpr const char* kInfoPrefix = "General failure in transfer.  ";
// Intended: the layout and file-transfer reports name DAT_IMAGEINFO, as applications have always seen them.
constexpr const char* kLayoutPrefix = "General failure in response to DAT_IMAGEINFO.  ";
constexpr const char* kFileXferPrefix = "General failure in response to DAT_IMAGEINFO.  ";
constexpr const char* kMemXferPrefix = "General failure in response to DAT_IMAGEMEMXFER.  ";
constexpr const char* kNativeXferPrefix = "General failure in response to DAT_IMAGENATIVEXFER.  ";
constexpr const char* kPalettePrefix = "General failure in response to DAT_PALETTE8.  ";
// Rows that never refuse need no prefix. Intended: capability refusals carry the condition code alone.
constexpr const char* kNoReport = nullptr;

// A row whose handler is this one accepts its triplet and changes nothing.
TW_UINT16 AcceptUnchanged(Source&, TripletMessage&, const DispatchRow&) { return TWRC_SUCCESS; }

// Rows without a handler refuse their MSGs as no MSG of the DAT.
constexpr Handler kNoSuchMsg = nullptr;

// Each row: {DAT, trace name, MSGs, states, null data, refusal prefix, handler[, check order[, trace step]]}.
// Dispatch checks the state and the data in the row's order, and refuses a
// MSG no row of the DAT lists only once the DAT's last row passed its checks.
// Intended: where that row holds states, an unknown MSG out of them is TWCC_SEQERROR, not TWCC_BADPROTOCOL.
// clang-format off
constexpr DispatchRow kControlTable[] = {
    {DAT_IDENTITY, "IdentityMsg", {MSG_GET}, kAnyState, kRefused, kIdentityPrefix, &GetIdentity},
    {DAT_IDENTITY, "IdentityMsg", {MSG_OPENDS}, {3, 3}, kRefused, kOpenPrefix, &OpenDS, kStateFirst, "OpenDS"},
    {DAT_IDENTITY, "IdentityMsg", {MSG_CLOSEDS}, {4, 7}, kPassed, kClosePrefix, &CloseDS, kStateFirst, "CloseDS"},
    {DAT_IDENTITY, "IdentityMsg", kOtherMsgs, kAnyState, kPassed, kIdentityPrefix, kNoSuchMsg},

    {DAT_USERINTERFACE, "InterfaceMsg", {MSG_DISABLEDS},
     {5, 7}, kPassed, kDisablePrefix, &DisableDS, kStateFirst, "DisableDS"},
    // Intended: MSG_ENABLEDSUIONLY enables as MSG_ENABLEDS does; the dialog is the only interface.
    {DAT_USERINTERFACE, "InterfaceMsg", {MSG_ENABLEDS, MSG_ENABLEDSUIONLY},
     {4, 4}, kRefused, kEnablePrefix, &EnableDS, kStateFirst, "EnableDS"},
    {DAT_USERINTERFACE, "InterfaceMsg", kOtherMsgs, kAnyState, kPassed, kInterfacePrefix, kNoSuchMsg},

    // Every change of the capabilities is made in state 4.
    {DAT_CAPABILITY, "CapabilityMsg", {MSG_RESETALL}, {4, 4}, kPassed, kNoReport, &ResetAllCapabilities},
    // The capability table checks each MSG, state and capability itself.
    {DAT_CAPABILITY, "CapabilityMsg", kOtherMsgs, kAnyState, kPassed, kNoReport, &NegotiateCapability},

    {DAT_STATUS, "StatusMsg", {MSG_GET}, kAnyState, kRefused, kStatusPrefix, &GetStatus},
    {DAT_STATUS, "StatusMsg", kOtherMsgs, kAnyState, kPassed, kStatusPrefix, kNoSuchMsg},

    // Intended: null data is refused before the state or even the MSG is looked at.
    {DAT_PENDINGXFERS, "PendingXferMsg", {MSG_GET}, {4, 7}, kRefused, kPendingPrefix, &CountPending, kDataFirst},
    // Intended: the transfer is ended in any state; outside 6 and 7 the answer is TWCC_SEQERROR afterwards.
    {DAT_PENDINGXFERS, "PendingXferMsg", {MSG_ENDXFER}, kAnyState, kRefused, kPendingPrefix, &EndTransfer},
    {DAT_PENDINGXFERS, "PendingXferMsg", {MSG_RESET}, {6, 7}, kRefused, kPendingPrefix, &DropPending, kDataFirst},
    {DAT_PENDINGXFERS, "PendingXferMsg", kOtherMsgs, kAnyState, kRefused, kPendingPrefix, kNoSuchMsg},

    {DAT_SETUPMEMXFER, "SetupMemXferMsg", {MSG_GET}, {4, 6}, kRefused, kSetupMemPrefix, &GetMemXferSetup},
    {DAT_SETUPMEMXFER, "SetupMemXferMsg", kOtherMsgs, {4, 6}, kPassed, kSetupMemPrefix, kNoSuchMsg},

    {DAT_SETUPFILEXFER, "SetupFileXferMsg", {MSG_GET, MSG_GETCURRENT},
     {4, 6}, kRefused, kSetupFilePrefix, &GetFileXferSetup},
    {DAT_SETUPFILEXFER, "SetupFileXferMsg", {MSG_GETDEFAULT},
     {4, 6}, kRefused, kSetupFilePrefix, &GetDefaultFileXferSetup},
    {DAT_SETUPFILEXFER, "SetupFileXferMsg", {MSG_SET}, {4, 6}, kRefused, kSetupFilePrefix, &SetFileXferSetup},
    {DAT_SETUPFILEXFER, "SetupFileXferMsg", {MSG_RESET}, {4, 6}, kRefused, kSetupFilePrefix, &ResetFileXferSetup},
    {DAT_SETUPFILEXFER, "SetupFileXferMsg", kOtherMsgs, {4, 6}, kRefused, kSetupFilePrefix, kNoSuchMsg},

    {DAT_XFERGROUP, "XferGroupMsg", {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_RESET},
     {4, 6}, kRefused, kXferGroupPrefix, &GetXferGroup},
    // Intended: the group stays DG_IMAGE whatever is set, and MSG_SET succeeds.
    {DAT_XFERGROUP, "XferGroupMsg", {MSG_SET}, {4, 6}, kPassed, kXferGroupPrefix, &AcceptUnchanged},
    {DAT_XFERGROUP, "XferGroupMsg", kOtherMsgs, {4, 6}, kPassed, kXferGroupPrefix, kNoSuchMsg},

    {DAT_ENTRYPOINT, "EntryPointMsg", {MSG_SET}, {3, 4}, kRefused, kEntryPointPrefix, &SetEntryPoints},
    {DAT_ENTRYPOINT, "EntryPointMsg", kOtherMsgs, kAnyState, kPassed, kEntryPointPrefix, kNoSuchMsg},
};

constexpr DispatchRow kImageTable[] = {
    // Intended: no picture to describe is TWCC_SEQERROR before null data is TWCC_BADVALUE (the handler checks both).
    {DAT_IMAGEINFO, "ImageInfoMsg", {MSG_GET}, {6, 7}, kPassed, kInfoPrefix, &DescribeNextPicture},
    {DAT_IMAGEINFO, "ImageInfoMsg", kOtherMsgs, {6, 7}, kPassed, kInfoPrefix, kNoSuchMsg},

    {DAT_IMAGELAYOUT, "ImageLayoutMsg", {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT},
     kAnyState, kRefused, kLayoutPrefix, &GetLayout},
    // The layout is negotiated before enabling, as the capabilities are; it is
    // accepted and not applied (the page is the camera's whole picture).
    {DAT_IMAGELAYOUT, "ImageLayoutMsg", {MSG_SET, MSG_RESET}, {4, 4}, kPassed, kLayoutPrefix, &AcceptUnchanged},
    {DAT_IMAGELAYOUT, "ImageLayoutMsg", kOtherMsgs, kAnyState, kPassed, kLayoutPrefix, kNoSuchMsg},

    // Rows exist only once pictures are ready: before, the triplet is out of
    // sequence, not a broken picture. Intended: null data is refused before the state.
    {DAT_IMAGEMEMXFER, "ImageMemXferMsg", {MSG_GET}, {6, 7}, kRefused, kMemXferPrefix, &TransferRows, kDataFirst},
    {DAT_IMAGEMEMXFER, "ImageMemXferMsg", kOtherMsgs, kAnyState, kPassed, kMemXferPrefix, kNoSuchMsg},

    {DAT_IMAGENATIVEXFER, "ImageNativeXferMsg", {MSG_GET}, {6, 6}, kRefused, kNativeXferPrefix, &TransferNative},
    {DAT_IMAGENATIVEXFER, "ImageNativeXferMsg", kOtherMsgs, kAnyState, kPassed, kNativeXferPrefix, kNoSuchMsg},

    // After a transfer only MSG_ENDXFER or MSG_RESET may follow: another file
    // transfer would hand out a picture that is still counted as pending.
    // Intended: the data is not read, and the handler's failures (TWCC_OPERATIONERROR before pictures are ready,
    // TWCC_FILEWRITEERROR) carry the condition code alone.
    {DAT_IMAGEFILEXFER, "ImageFileXferMsg", {MSG_GET}, {3, 6}, kPassed, kFileXferPrefix, &TransferFile},
    {DAT_IMAGEFILEXFER, "ImageFileXferMsg", kOtherMsgs, {3, 6}, kPassed, kFileXferPrefix, kNoSuchMsg},

    {DAT_PALETTE8, "Palette8Msg", {MSG_GET}, {4, 6}, kRefused, kPalettePrefix, &GetPalette},
    // Intended: the palette is the picture's own; the other MSGs succeed and change nothing.
    {DAT_PALETTE8, "Palette8Msg", {MSG_GETDEFAULT, MSG_SET, MSG_RESET},
     {4, 6}, kPassed, kPalettePrefix, &AcceptUnchanged},
    {DAT_PALETTE8, "Palette8Msg", kOtherMsgs, {4, 6}, kPassed, kPalettePrefix, kNoSuchMsg},

    // Intended: both response tables are kept, not applied; every other MSG succeeds and changes nothing.
    {DAT_GRAYRESPONSE, "GrayResponseMsg", {MSG_RESET}, kAnyState, kPassed, kNoReport, &ResetGrayResponse},
    {DAT_GRAYRESPONSE, "GrayResponseMsg", {MSG_SET}, kAnyState, kNothingToDo, kNoReport, &SetGrayResponse},
    {DAT_GRAYRESPONSE, "GrayResponseMsg", kOtherMsgs, kAnyState, kPassed, kNoReport, &AcceptUnchanged},

    {DAT_RGBRESPONSE, "RGBResponseMsg", {MSG_RESET}, kAnyState, kPassed, kNoReport, &ResetRgbResponse},
    {DAT_RGBRESPONSE, "RGBResponseMsg", {MSG_SET}, kAnyState, kNothingToDo, kNoReport, &SetRgbResponse},
    {DAT_RGBRESPONSE, "RGBResponseMsg", kOtherMsgs, kAnyState, kPassed, kNoReport, &AcceptUnchanged},

    // Intended: every MSG is answered with the same fixed description; null data gets success.
    {DAT_CIECOLOR, "CIEColorMsg", kOtherMsgs, kAnyState, kNothingToDo, kNoReport, &DescribeCieColour},

    // Intended: pictures are never compressed; every MSG succeeds and changes nothing.
    {DAT_JPEGCOMPRESSION, "JPEGCompressionMsg", kOtherMsgs, kAnyState, kPassed, kNoReport, &AcceptUnchanged},
};
// clang-format on

const DispatchRow* FindRow(std::span<const DispatchRow> table, TW_UINT16 dat, TW_UINT16 msg) {
  for (const DispatchRow& row : table) {
    if (row.dat == dat && row.msgs.Answers(msg)) return &row;
  }
  return nullptr;
}

// The condition code of the row's first failing check; TWCC_SUCCESS when they pass.
TW_UINT16 FailedCheck(const Source& source, const DispatchRow& row, const TripletMessage& message) {
  const bool stateHolds = row.states.Hold(source.Context().protocolState);
  const bool dataFits = message.data != nullptr || row.nullData != kRefused;
  if (row.order == kDataFirst && !dataFits) return TWCC_BADVALUE;
  if (!stateHolds) return TWCC_SEQERROR;
  if (!dataFits) return TWCC_BADVALUE;
  return TWCC_SUCCESS;
}

}  // namespace

std::span<const DispatchRow> ControlTable() { return kControlTable; }

std::span<const DispatchRow> ImageTable() { return kImageTable; }

TW_UINT16 Refuse(Source& source, const DispatchRow& row, TW_UINT16 conditionCode) {
  if (row.prefix != nullptr) return source.Refuse(row.prefix, conditionCode);
  source.Context().conditionCode = conditionCode;
  return TWRC_FAILURE;
}

TW_UINT16 Dispatch(Source& source, TripletMessage& message, std::span<const DispatchRow> table) {
  source.GetTrace().Write("Dispatch");
  const DispatchRow* row = FindRow(table, message.dat, message.msg);
  if (row == nullptr) {
    source.Context().conditionCode = TWCC_BADPROTOCOL;
    return TWRC_FAILURE;
  }
  source.GetTrace().Write(row->name);
  if (row->step != nullptr) source.GetTrace().Write(row->step);

  if (const TW_UINT16 failed = FailedCheck(source, *row, message); failed != TWCC_SUCCESS) {
    return Refuse(source, *row, failed);
  }
  if (row->handler == kNoSuchMsg) return Refuse(source, *row, TWCC_BADPROTOCOL);
  if (message.data == nullptr && row->nullData == kNothingToDo) return TWRC_SUCCESS;
  return row->handler(source, message, *row);
}

}  // namespace twain
