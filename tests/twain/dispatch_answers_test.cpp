// Every triplet the dispatch tables know, and an unknown MSG of each DAT, in
// each protocol state from 3 to 7, with null data and with a zeroed block:
// the return code, the condition code, the boxes shown and the words the call
// writes to the trace between DS_Entry's blocks. These are the answers
// applications have seen; a change of the tables' shape must not change one.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "platform/text_encoding.h"
#include "support/source_harness.h"
#include "twain/dispatch.h"
#include "twain/entry_trace.h"
#include "twain/reports.h"

namespace {

using namespace twain;
using testing_support::SourceHarness;

constexpr TW_UINT16 kUnknownMsg = 0x7777;
constexpr TW_UINT16 kUnknownDat = 0x0777;

// The dialog is not what is pinned here: a user interface that opens at once
// keeps each case to a few milliseconds.
class InstantInterface final : public ScanUserInterface {
 public:
  bool Open(platform::WindowHandle) override { return open_ = true; }
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  platform::DialogWindow* Window() override { return nullptr; }
  void ShowUploadFinished() override {}

 private:
  bool open_ = false;
};

// Short names of the reports' prefixes and of the other boxes' captions.
struct Named {
  const char* name;
  const char* text;
};

constexpr Named kBoxes[] = {
    {"id", "General failure in response to DAT_IDENTITY.  "},
    {"open", "General failure in response to MSG_OPENDS.  "},
    {"close", "General failure in response to MSG_CLOSEDS.  "},
    {"ui", "General failure in response to DAT_USERINTERFACE.  "},
    {"enable", "General failure in response to MSG_ENABLEDS.  "},
    {"disable", "General failure in response to MSG_DISABLEDS.  "},
    {"status", "General failure in response to DAT_STATUS.  "},
    {"pending", "General failure in response to DAT_PENDINGXFER.  "},
    {"setupmem", "General failure in response to DAT_SETUPMEMXFER, not supported.  "},
    {"setupfile", "General failure in response to DAT_SETUPFILEXFER, not supported.  "},
    {"create", "Unable to create file <<DAT_SETUPFILEXFER>>"},
    {"group", "General failure in response to DAT_XFERGROUP, not supported.  "},
    {"entry", "General failure in response to DAT_ENTRYPOINT.  "},
    {"transfer", "General failure in transfer.  "},
    {"imageinfo", "General failure in response to DAT_IMAGEINFO.  "},
    {"mem", "General failure in response to DAT_IMAGEMEMXFER.  "},
    {"native", "General failure in response to DAT_IMAGENATIVEXFER.  "},
    {"palette", "General failure in response to DAT_PALETTE8.  "},
    {"assert", "Assertion Failed!"},  // a caption: the box of an internal check
};

// The handlers' own trace words after the row's.
constexpr Named kTraceWords[] = {
    {"ended", "GetCurrentFeederEnabled图片上传结束"},
    {"ended6", "GetCurrentFeederEnabled图片上传结束STATE6"},
    {"ended7", "GetCurrentFeederEnabled图片上传结束STATE7"},
};

std::string NameOf(std::span<const Named> names, const std::string& text) {
  for (const Named& named : names) {
    if (text == named.text) return named.name;
  }
  return "?" + text;
}

char ConditionLetter(TW_UINT16 conditionCode) {
  switch (conditionCode) {
    case TWCC_BADPROTOCOL:
      return 'p';
    case TWCC_SEQERROR:
      return 'q';
    case TWCC_BADVALUE:
      return 'v';
    case TWCC_OPERATIONERROR:
      return 'o';
    case TWCC_CAPUNSUPPORTED:
      return 'u';
    case TWCC_CAPBADOPERATION:
      return 'b';
    default:
      return '?';
  }
}

// A harness in `state`: opened, enabled, one colour picture ready, or that picture transferred.
void ReachState(SourceHarness& h, int state) {
  // A file transfer writes into the test's folder, not the working directory.
  h.source->Context().fileNameCurrent = h.folder.File("transfer.bmp");
  if (state >= 4) {
    ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  }
  if (state >= 5) {
    ASSERT_EQ(h.Enable(), TWRC_SUCCESS);
  }
  if (state >= 6) {
    h.StorePicture(1, TWPT_RGB, 8, 8);
    h.SubmitPictures(1);
  }
  if (state >= 7) {
    TW_HANDLE bitmap = nullptr;
    ASSERT_EQ(h.Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &bitmap), TWRC_XFERDONE);
    h.memory.Free(bitmap);
  }
  ASSERT_EQ(h.State(), state);
}

// One call's answer in the rows' notation: S success, X transfer done, or F
// and the condition code's letter (p bad protocol, q sequence error, v bad
// value, o operation error, u capability unsupported, b bad capability
// operation); then ":name" for each box shown and "+name" for the handler's
// trace words after `rowTrace`, what Dispatch writes for the row.
std::string Answer(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, int state, bool withData, const std::string& rowTrace) {
  SourceHarness h([](Source&) { return std::make_unique<InstantInterface>(); });
  ReachState(h, state);
  alignas(8) std::array<unsigned char, 8192> block{};
  void* data = withData ? block.data() : nullptr;
  const std::string head =
      FormatEntryBlock(h.source->Context().traceCounter, dg, dat, msg) + FormatEntryData(dat, data);
  const std::size_t traced = h.TraceBytes().size();
  const std::size_t boxes = h.boxes.shown.size();

  const TW_UINT16 result = h.Call(dg, dat, msg, data);
  const TW_UINT16 conditionCode = h.source->Context().conditionCode;
  // What the source hands over is the application's to free.
  if (dat == DAT_IMAGENATIVEXFER && result == TWRC_XFERDONE) h.memory.Free(*static_cast<TW_HANDLE*>(data));
  if (dat == DAT_CAPABILITY && result == TWRC_SUCCESS && data != nullptr) {
    h.memory.Free(static_cast<TW_CAPABILITY*>(data)->hContainer);
  }

  std::string answer = result == TWRC_SUCCESS    ? "S"
                       : result == TWRC_XFERDONE ? "X"
                       : result == TWRC_FAILURE  ? std::string("F") + ConditionLetter(conditionCode)
                                                 : "?" + std::to_string(result);
  if (result != TWRC_FAILURE && conditionCode != TWCC_SUCCESS) answer += ConditionLetter(conditionCode);
  for (std::size_t i = boxes; i < h.boxes.shown.size(); ++i) {
    const platform::MessageBoxRequest& box = h.boxes.shown[i];
    const std::string_view condition = ConditionCodeText(conditionCode);
    const bool report = box.caption == kFailureCaption && box.text.ends_with(condition);
    answer += ":" + NameOf(kBoxes, report ? box.text.substr(0, box.text.size() - condition.size()) : box.caption);
  }

  std::string written = platform::GbkToUtf8(h.TraceBytes().substr(traced));
  const std::string group = dg == DG_CONTROL ? "DG_CONTROL" : "DG_IMAGE";
  if (!written.starts_with(head + group)) return answer + "+?entry block";
  written = written.substr(head.size() + group.size());
  written = written.substr(0, written.rfind("\n\n  DS_Entry return data"));
  if (!written.starts_with(rowTrace)) return answer + "+?" + written;
  if (written.size() > rowTrace.size()) answer += "+" + NameOf(kTraceWords, written.substr(rowTrace.size()));
  return answer;
}

// A DAT's answers to one MSG, in states 3 to 7: without data and with it.
struct Row {
  TW_UINT16 dat;
  TW_UINT16 msg;
  const char* trace;
  const char* withoutData;
  const char* withData;
};

std::vector<std::string> Words(const char* text) {
  std::istringstream stream(text);
  std::vector<std::string> words;
  for (std::string word; stream >> word;) words.push_back(word);
  return words;
}

void ExpectAnswers(TW_UINT32 dg, std::span<const Row> rows) {
  for (const Row& row : rows) {
    for (const bool withData : {false, true}) {
      const std::vector<std::string> expected = Words(withData ? row.withData : row.withoutData);
      ASSERT_EQ(expected.size(), 5u) << row.dat << " " << row.msg;
      for (int state = 3; state <= 7; ++state) {
        EXPECT_EQ(Answer(dg, row.dat, row.msg, state, withData, row.trace), expected[state - 3])
            << "DAT 0x" << std::hex << row.dat << " MSG 0x" << row.msg << std::dec << " state " << state
            << (withData ? " with data" : " with null data");
      }
    }
  }
}

TEST(DispatchAnswers, Session) {
  constexpr Row kRows[] = {
      {DAT_IDENTITY, MSG_GET, "DispatchIdentityMsg", "Fv:id Fv:id Fv:id Fv:id Fv:id", "S S S S S"},
      {DAT_IDENTITY, MSG_OPENDS, "DispatchIdentityMsgOpenDS", "Fv:open Fq:open Fq:open Fq:open Fq:open",
       "S Fq:open Fq:open Fq:open Fq:open"},
      {DAT_IDENTITY, MSG_CLOSEDS, "DispatchIdentityMsgCloseDS", "Fq:close S S S S", "Fq:close S S S S"},
      {DAT_IDENTITY, kUnknownMsg, "DispatchIdentityMsg", "Fp:id Fp:id Fp:id Fp:id Fp:id",
       "Fp:id Fp:id Fp:id Fp:id Fp:id"},
      {DAT_USERINTERFACE, MSG_DISABLEDS, "DispatchInterfaceMsgDisableDS", "Fq:disable Fq:disable S S S",
       "Fq:disable Fq:disable S S S"},
      {DAT_USERINTERFACE, MSG_ENABLEDS, "DispatchInterfaceMsgEnableDS",
       "Fq:enable Fv:enable Fq:enable Fq:enable Fq:enable", "Fq:enable S Fq:enable Fq:enable Fq:enable"},
      {DAT_USERINTERFACE, MSG_ENABLEDSUIONLY, "DispatchInterfaceMsgEnableDS",
       "Fq:enable Fv:enable Fq:enable Fq:enable Fq:enable", "Fq:enable S Fq:enable Fq:enable Fq:enable"},
      {DAT_USERINTERFACE, kUnknownMsg, "DispatchInterfaceMsg", "Fp:ui Fp:ui Fp:ui Fp:ui Fp:ui",
       "Fp:ui Fp:ui Fp:ui Fp:ui Fp:ui"},
      {DAT_STATUS, MSG_GET, "DispatchStatusMsg", "Fv:status Fv:status Fv:status Fv:status Fv:status", "S S S S S"},
      {DAT_STATUS, kUnknownMsg, "DispatchStatusMsg", "Fp:status Fp:status Fp:status Fp:status Fp:status",
       "Fp:status Fp:status Fp:status Fp:status Fp:status"},
      {DAT_ENTRYPOINT, MSG_SET, "DispatchEntryPointMsg", "Fv:entry Fv:entry Fq:entry Fq:entry Fq:entry",
       "Fv:entry Fv:entry Fq:entry Fq:entry Fq:entry"},
      {DAT_ENTRYPOINT, kUnknownMsg, "DispatchEntryPointMsg", "Fp:entry Fp:entry Fp:entry Fp:entry Fp:entry",
       "Fp:entry Fp:entry Fp:entry Fp:entry Fp:entry"},
  };
  ExpectAnswers(DG_CONTROL, kRows);
}

TEST(DispatchAnswers, Capabilities) {
  constexpr Row kRows[] = {
      {DAT_CAPABILITY, MSG_GET, "DispatchCapabilityMsg", "Fv Fv Fv Fv Fv", "Fb Fb Fb Fb Fb"},
      {DAT_CAPABILITY, MSG_GETCURRENT, "DispatchCapabilityMsg", "Fv Fv Fv Fv Fv", "Fb Fb Fb Fb Fb"},
      {DAT_CAPABILITY, MSG_GETDEFAULT, "DispatchCapabilityMsg", "Fv Fv Fv Fv Fv", "Fb Fb Fb Fb Fb"},
      {DAT_CAPABILITY, MSG_SET, "DispatchCapabilityMsg", "Fv Fv Fv Fv Fv", "Fb Fb Fb Fb Fb"},
      {DAT_CAPABILITY, MSG_RESET, "DispatchCapabilityMsg", "Fv Fv Fv Fv Fv", "Fb Fb Fb Fb Fb"},
      {DAT_CAPABILITY, MSG_QUERYSUPPORT, "DispatchCapabilityMsg", "Fv Fv Fv Fv Fv", "S S S S S"},
      {DAT_CAPABILITY, MSG_RESETALL, "DispatchCapabilityMsg", "Fq S Fq Fq Fq", "Fq S Fq Fq Fq"},
      {DAT_CAPABILITY, kUnknownMsg, "DispatchCapabilityMsg", "Fv Fv Fv Fv Fv", "Fu Fu Fu Fu Fu"},
  };
  ExpectAnswers(DG_CONTROL, kRows);
}

TEST(DispatchAnswers, PendingTransfers) {
  constexpr Row kRows[] = {
      {DAT_PENDINGXFERS, MSG_GET, "DispatchPendingXferMsg", "Fv:pending Fv:pending Fv:pending Fv:pending Fv:pending",
       "Fq:pending S S S S"},
      {DAT_PENDINGXFERS, MSG_ENDXFER, "DispatchPendingXferMsg",
       "Fv:pending Fv:pending Fv:pending Fv:pending Fv:pending",
       "Fq:pending+ended Fq:pending+ended Fq:pending+ended S+ended6 S+ended7"},
      {DAT_PENDINGXFERS, MSG_RESET, "DispatchPendingXferMsg", "Fv:pending Fv:pending Fv:pending Fv:pending Fv:pending",
       "Fq:pending Fq:pending Fq:pending S S"},
      {DAT_PENDINGXFERS, kUnknownMsg, "DispatchPendingXferMsg",
       "Fv:pending Fv:pending Fv:pending Fv:pending Fv:pending",
       "Fp:pending Fp:pending Fp:pending Fp:pending Fp:pending"},
  };
  ExpectAnswers(DG_CONTROL, kRows);
}

TEST(DispatchAnswers, TransferSetups) {
  constexpr Row kRows[] = {
      {DAT_SETUPMEMXFER, MSG_GET, "DispatchSetupMemXferMsg",
       "Fq:setupmem Fv:setupmem Fv:setupmem Fv:setupmem Fq:setupmem", "Fq:setupmem S S S Fq:setupmem"},
      {DAT_SETUPMEMXFER, kUnknownMsg, "DispatchSetupMemXferMsg",
       "Fq:setupmem Fp:setupmem Fp:setupmem Fp:setupmem Fq:setupmem",
       "Fq:setupmem Fp:setupmem Fp:setupmem Fp:setupmem Fq:setupmem"},
      {DAT_SETUPFILEXFER, MSG_GET, "DispatchSetupFileXferMsg",
       "Fq:setupfile Fv:setupfile Fv:setupfile Fv:setupfile Fq:setupfile", "Fq:setupfile S S S Fq:setupfile"},
      {DAT_SETUPFILEXFER, MSG_GETCURRENT, "DispatchSetupFileXferMsg",
       "Fq:setupfile Fv:setupfile Fv:setupfile Fv:setupfile Fq:setupfile", "Fq:setupfile S S S Fq:setupfile"},
      {DAT_SETUPFILEXFER, MSG_GETDEFAULT, "DispatchSetupFileXferMsg",
       "Fq:setupfile Fv:setupfile Fv:setupfile Fv:setupfile Fq:setupfile", "Fq:setupfile S S S Fq:setupfile"},
      {DAT_SETUPFILEXFER, MSG_SET, "DispatchSetupFileXferMsg",
       "Fq:setupfile Fv:setupfile Fv:setupfile Fv:setupfile Fq:setupfile",
       "Fq:setupfile Fv:create Fv:create Fv:create Fq:setupfile"},
      {DAT_SETUPFILEXFER, MSG_RESET, "DispatchSetupFileXferMsg",
       "Fq:setupfile Fv:setupfile Fv:setupfile Fv:setupfile Fq:setupfile", "Fq:setupfile S S S Fq:setupfile"},
      {DAT_SETUPFILEXFER, kUnknownMsg, "DispatchSetupFileXferMsg",
       "Fq:setupfile Fv:setupfile Fv:setupfile Fv:setupfile Fq:setupfile",
       "Fq:setupfile Fp:setupfile Fp:setupfile Fp:setupfile Fq:setupfile"},
      {DAT_XFERGROUP, MSG_GET, "DispatchXferGroupMsg", "Fq:group Fv:group Fv:group Fv:group Fq:group",
       "Fq:group S S S Fq:group"},
      {DAT_XFERGROUP, MSG_GETCURRENT, "DispatchXferGroupMsg", "Fq:group Fv:group Fv:group Fv:group Fq:group",
       "Fq:group S S S Fq:group"},
      {DAT_XFERGROUP, MSG_GETDEFAULT, "DispatchXferGroupMsg", "Fq:group Fv:group Fv:group Fv:group Fq:group",
       "Fq:group S S S Fq:group"},
      {DAT_XFERGROUP, MSG_SET, "DispatchXferGroupMsg", "Fq:group S S S Fq:group", "Fq:group S S S Fq:group"},
      {DAT_XFERGROUP, MSG_RESET, "DispatchXferGroupMsg", "Fq:group Fv:group Fv:group Fv:group Fq:group",
       "Fq:group S S S Fq:group"},
      {DAT_XFERGROUP, kUnknownMsg, "DispatchXferGroupMsg", "Fq:group Fp:group Fp:group Fp:group Fq:group",
       "Fq:group Fp:group Fp:group Fp:group Fq:group"},
  };
  ExpectAnswers(DG_CONTROL, kRows);
}

TEST(DispatchAnswers, PictureDescription) {
  constexpr Row kRows[] = {
      {DAT_IMAGEINFO, MSG_GET, "DispatchImageInfoMsg", "Fq:transfer Fq:transfer Fq:transfer Fv:transfer Fv:transfer",
       "Fq:transfer Fq:transfer Fq:transfer S S"},
      {DAT_IMAGEINFO, kUnknownMsg, "DispatchImageInfoMsg",
       "Fq:transfer Fq:transfer Fq:transfer Fp:transfer Fp:transfer",
       "Fq:transfer Fq:transfer Fq:transfer Fp:transfer Fp:transfer"},
      {DAT_IMAGELAYOUT, MSG_GET, "DispatchImageLayoutMsg",
       "Fv:imageinfo Fv:imageinfo Fv:imageinfo Fv:imageinfo Fv:imageinfo", "S S S S S"},
      {DAT_IMAGELAYOUT, MSG_GETCURRENT, "DispatchImageLayoutMsg",
       "Fv:imageinfo Fv:imageinfo Fv:imageinfo Fv:imageinfo Fv:imageinfo", "S S S S S"},
      {DAT_IMAGELAYOUT, MSG_GETDEFAULT, "DispatchImageLayoutMsg",
       "Fv:imageinfo Fv:imageinfo Fv:imageinfo Fv:imageinfo Fv:imageinfo", "S S S S S"},
      {DAT_IMAGELAYOUT, MSG_SET, "DispatchImageLayoutMsg", "Fq:imageinfo S Fq:imageinfo Fq:imageinfo Fq:imageinfo",
       "Fq:imageinfo S Fq:imageinfo Fq:imageinfo Fq:imageinfo"},
      {DAT_IMAGELAYOUT, MSG_RESET, "DispatchImageLayoutMsg", "Fq:imageinfo S Fq:imageinfo Fq:imageinfo Fq:imageinfo",
       "Fq:imageinfo S Fq:imageinfo Fq:imageinfo Fq:imageinfo"},
      {DAT_IMAGELAYOUT, kUnknownMsg, "DispatchImageLayoutMsg",
       "Fp:imageinfo Fp:imageinfo Fp:imageinfo Fp:imageinfo Fp:imageinfo",
       "Fp:imageinfo Fp:imageinfo Fp:imageinfo Fp:imageinfo Fp:imageinfo"},
      {DAT_PALETTE8, MSG_GET, "DispatchPalette8Msg", "Fq:palette Fv:palette Fv:palette Fv:palette Fq:palette",
       "Fq:palette Fq:palette Fq:palette S Fq:palette"},
      {DAT_PALETTE8, MSG_GETDEFAULT, "DispatchPalette8Msg", "Fq:palette S S S Fq:palette",
       "Fq:palette S S S Fq:palette"},
      {DAT_PALETTE8, MSG_SET, "DispatchPalette8Msg", "Fq:palette S S S Fq:palette", "Fq:palette S S S Fq:palette"},
      {DAT_PALETTE8, MSG_RESET, "DispatchPalette8Msg", "Fq:palette S S S Fq:palette", "Fq:palette S S S Fq:palette"},
      {DAT_PALETTE8, kUnknownMsg, "DispatchPalette8Msg", "Fq:palette Fp:palette Fp:palette Fp:palette Fq:palette",
       "Fq:palette Fp:palette Fp:palette Fp:palette Fq:palette"},
      {DAT_GRAYRESPONSE, MSG_GET, "DispatchGrayResponseMsg", "S S S S S", "S S S S S"},
      {DAT_GRAYRESPONSE, MSG_SET, "DispatchGrayResponseMsg", "S S S S S", "S S S S S"},
      {DAT_GRAYRESPONSE, MSG_RESET, "DispatchGrayResponseMsg", "S S S S S", "S S S S S"},
      {DAT_GRAYRESPONSE, kUnknownMsg, "DispatchGrayResponseMsg", "S S S S S", "S S S S S"},
      {DAT_RGBRESPONSE, MSG_GET, "DispatchRGBResponseMsg", "S S S S S", "S S S S S"},
      {DAT_RGBRESPONSE, MSG_SET, "DispatchRGBResponseMsg", "S S S S S", "S S S S S"},
      {DAT_RGBRESPONSE, MSG_RESET, "DispatchRGBResponseMsg", "S S S S S", "S S S S S"},
      {DAT_RGBRESPONSE, kUnknownMsg, "DispatchRGBResponseMsg", "S S S S S", "S S S S S"},
      {DAT_CIECOLOR, MSG_GET, "DispatchCIEColorMsg", "S S S S S", "S S S S S"},
      {DAT_CIECOLOR, kUnknownMsg, "DispatchCIEColorMsg", "S S S S S", "S S S S S"},
      {DAT_JPEGCOMPRESSION, MSG_GET, "DispatchJPEGCompressionMsg", "S S S S S", "S S S S S"},
      {DAT_JPEGCOMPRESSION, kUnknownMsg, "DispatchJPEGCompressionMsg", "S S S S S", "S S S S S"},
  };
  ExpectAnswers(DG_IMAGE, kRows);
}

TEST(DispatchAnswers, Transfers) {
  constexpr Row kRows[] = {
      {DAT_IMAGEMEMXFER, MSG_GET, "DispatchImageMemXferMsg", "Fv:mem Fv:mem Fv:mem Fv:mem Fv:mem",
       "Fq:mem Fq:mem Fq:mem Fo:assert:mem Fq:mem"},
      {DAT_IMAGEMEMXFER, kUnknownMsg, "DispatchImageMemXferMsg", "Fp:mem Fp:mem Fp:mem Fp:mem Fp:mem",
       "Fp:mem Fp:mem Fp:mem Fp:mem Fp:mem"},
      {DAT_IMAGENATIVEXFER, MSG_GET, "DispatchImageNativeXferMsg", "Fq:native Fq:native Fq:native Fv:native Fq:native",
       "Fq:native Fq:native Fq:native X Fq:native"},
      {DAT_IMAGENATIVEXFER, kUnknownMsg, "DispatchImageNativeXferMsg",
       "Fp:native Fp:native Fp:native Fp:native Fp:native", "Fp:native Fp:native Fp:native Fp:native Fp:native"},
      {DAT_IMAGEFILEXFER, MSG_GET, "DispatchImageFileXferMsg", "Fo Fo Fo X Fq:imageinfo", "Fo Fo Fo X Fq:imageinfo"},
      {DAT_IMAGEFILEXFER, kUnknownMsg, "DispatchImageFileXferMsg",
       "Fp:imageinfo Fp:imageinfo Fp:imageinfo Fp:imageinfo Fq:imageinfo",
       "Fp:imageinfo Fp:imageinfo Fp:imageinfo Fp:imageinfo Fq:imageinfo"},
  };
  ExpectAnswers(DG_IMAGE, kRows);
}

// A DAT neither table has: TWCC_BADPROTOCOL with no report, in both groups.
TEST(DispatchAnswers, UnknownDats) {
  constexpr Row kRows[] = {{kUnknownDat, MSG_GET, "Dispatch", "Fp Fp Fp Fp Fp", "Fp Fp Fp Fp Fp"}};
  ExpectAnswers(DG_CONTROL, kRows);
  ExpectAnswers(DG_IMAGE, kRows);
}

// Each DAT's rows stand together under one trace name and end with the one
// row that answers every other MSG, so that no MSG of a known DAT is taken
// for an unknown DAT; states lie within 3 to 7.
TEST(DispatchTables, EachDatsRowsEndWithItsOtherMsgs) {
  for (const std::span<const DispatchRow> table : {ControlTable(), ImageTable()}) {
    std::vector<TW_UINT16> ended;
    const DispatchRow* first = nullptr;
    for (std::size_t i = 0; i < table.size(); ++i) {
      const DispatchRow& row = table[i];
      SCOPED_TRACE(testing::Message() << "DAT 0x" << std::hex << row.dat << " row " << std::dec << i);
      if (first == nullptr || first->dat != row.dat) first = &row;
      EXPECT_EQ(std::count(ended.begin(), ended.end(), row.dat), 0);
      EXPECT_STREQ(row.name, first->name);
      const bool last = i + 1 == table.size() || table[i + 1].dat != row.dat;
      EXPECT_EQ(row.msgs.AnswersEveryOther(), last);
      if (last) ended.push_back(row.dat);
      EXPECT_TRUE(row.handler != nullptr || last);
      EXPECT_LE(3, row.states.first);
      EXPECT_LE(row.states.first, row.states.last);
      EXPECT_LE(row.states.last, 7);
    }
  }
}

}  // namespace
