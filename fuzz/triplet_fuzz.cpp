// libFuzzer: any sequence of triplets, in any state, sent to one source as a
// careless or hostile application would send them. Each triplet is a known
// or an arbitrary DAT and MSG in a known or an arbitrary group, with a data
// block of the structure the DAT names holding fuzzed bytes: capability
// containers in memory blocks of fuzzed sizes and item types, memory
// transfers into buffers of fuzzed lengths, events carrying fuzzed window
// messages. Between triplets the user may submit the stored pictures. The
// source must never crash or read or write outside what it was given; the
// return codes are free.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <fstream>
#include "acquire/picture_files.h"
#include "capture/virtual/virtual_camera.h"
#include "imaging/bmp_file.h"
#include "library/main_dialog_bridge.h"
#include "platform/dialog.h"
#include "platform/global_memory.h"
#include "platform/message_box.h"
#include "platform/source_manager_link.h"
#include "twain/entry_trace.h"
#include "twain/protocol.h"
#include "twain/source.h"

namespace {

using namespace twain;

constexpr const char* kScene =
    "rate 60\n"
    "device \"Mervale Document Camera\" \"\\\\?\\usb#vid_4d56&pid_2c01#1\"\n"
    "format RGB24 160 120\n"
    "page p 210 297 seed 3\n"
    "place p 150 120 0\n";

constexpr std::array kDats{
    DAT_CAPABILITY,      DAT_EVENT,         DAT_IDENTITY,  DAT_PENDINGXFERS, DAT_SETUPMEMXFER, DAT_SETUPFILEXFER,
    DAT_STATUS,          DAT_USERINTERFACE, DAT_XFERGROUP, DAT_IMAGEINFO,    DAT_IMAGELAYOUT,  DAT_IMAGEMEMXFER,
    DAT_IMAGENATIVEXFER, DAT_IMAGEFILEXFER, DAT_CIECOLOR,  DAT_GRAYRESPONSE, DAT_RGBRESPONSE,  DAT_JPEGCOMPRESSION,
    DAT_PALETTE8,        DAT_NULL,          DAT_PARENT,    DAT_ENTRYPOINT};
constexpr std::array kMsgs{MSG_NULL,           MSG_GET,          MSG_GETCURRENT, MSG_GETDEFAULT,
                           MSG_GETFIRST,       MSG_GETNEXT,      MSG_SET,        MSG_RESET,
                           MSG_QUERYSUPPORT,   MSG_XFERREADY,    MSG_CLOSEDSREQ, MSG_OPENDS,
                           MSG_CLOSEDS,        MSG_USERSELECT,   MSG_DISABLEDS,  MSG_ENABLEDS,
                           MSG_ENABLEDSUIONLY, MSG_PROCESSEVENT, MSG_ENDXFER,    TW_UINT16{0x0008 + 1},
                           MSG_RESETALL};
constexpr std::array<TW_UINT16, 6> kContainerTypes{TWON_ARRAY, TWON_ENUMERATION, TWON_ONEVALUE,
                                                   TWON_RANGE, TWON_DONTCARE16,  0};

class QuietBoxes final : public platform::MessageBoxes {
 public:
  int Show(const platform::MessageBoxRequest& request) override { return platform::DefaultAnswer(request.style); }
};

class SilentManager final : public platform::SourceManagerLink {
 public:
  bool SendNull(TW_IDENTITY&, TW_IDENTITY&, TW_UINT16) override { return true; }
};

// The process-wide part: a private folder for pictures, trace and settings.
struct Workplace {
  Workplace() {
    char pattern[] = "/tmp/mervale-triplet-fuzz-XXXXXX";
    folder = mkdtemp(pattern);
    folder += "/";
    setenv("TMPDIR", folder.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    // File transfers to the default, relative name land here too.
    if (chdir(folder.c_str()) != 0) std::abort();
  }
  std::string folder;
};

Workplace& TheWorkplace() {
  static Workplace workplace;
  return workplace;
}

// One application's session with a freshly loaded source.
class Session {
 public:
  explicit Session(FuzzedDataProvider& input)
      : input_(input),
        camera_(*capture::ParseScene(kScene).scene),
        source_(SourcePorts{platform::SystemGlobalMemory(), manager_, boxes_, platform::SystemDialogs(),
                            TheWorkplace().folder + "twsrc.log", &camera_},
                &library::MakeMainDialog) {
    application_.Id = 7;
    std::strcpy(application_.ProductName, "Fuzzing Application");
  }

  void Play() {
    while (input_.remaining_bytes() > 0) {
      switch (input_.ConsumeIntegralInRange(0, 15)) {
        case 0:
          SubmitStoredPictures();
          break;
        case 1:
          OpenProperly();
          break;
        default:
          SendTriplet();
          break;
      }
    }
  }

 private:
  // The user's Submit after shots: pictures lie in the picture folder, are
  // recorded in the queue and announced.
  void SubmitStoredPictures() {
    if (source_.Context().protocolState != 5) return;
    const int count = input_.ConsumeIntegralInRange(0, 3);
    for (int number = 1; number <= count; ++number) {
      StorePicture(number);
    }
    source_.Queue().SetPictureCount(count);
    source_.Queue().AnnounceAll();
    source_.NotifyXferReady();
  }

  // Picture `number` as a shot stores it, or as any bytes (a file damaged
  // or replaced since), recorded with any sizes and type.
  void StorePicture(int number) {
    const std::uint8_t pixelType = input_.ConsumeIntegralInRange<std::uint8_t>(0, 3);
    std::filesystem::create_directories(acquire::PictureFolder());
    const std::string path = acquire::PictureFileName(acquire::PictureFolder(), number, pixelType);
    if (input_.ConsumeIntegralInRange(0, 3) != 0) {
      const int bits = pixelType == 2 ? 24 : pixelType == 1 ? 8 : 1;
      const int width = input_.ConsumeIntegralInRange(1, 70);
      const int height = input_.ConsumeIntegralInRange(1, 50);
      imaging::SaveBmp(imaging::Picture(width, height, bits), path);
    } else {
      const std::string bytes = input_.ConsumeBytesAsString(input_.ConsumeIntegralInRange(0, 600));
      std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }
    acquire::PageEntry* entry = source_.Queue().Entry(number);
    if (entry == nullptr) return;
    const float widthInches = static_cast<float>(input_.ConsumeIntegralInRange(0, 2000)) / 100;
    const float heightInches = static_cast<float>(input_.ConsumeIntegralInRange(0, 2000)) / 100;
    *entry = acquire::PageEntry{path, widthInches, heightInches, pixelType};
  }

  // Most sessions that get anywhere begin with a well-formed open.
  void OpenProperly() {
    TW_IDENTITY record = MakeSourceIdentity();
    record.Id = 42;
    Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &record);
  }

  void SendTriplet() {
    const TW_UINT32 dg =
        input_.ConsumeBool() ? (input_.ConsumeBool() ? DG_CONTROL : DG_IMAGE) : input_.ConsumeIntegral<TW_UINT32>();
    const TW_UINT16 dat = input_.ConsumeIntegralInRange<std::size_t>(0, 7) != 0 ? input_.PickValueInArray(kDats)
                                                                                : input_.ConsumeIntegral<TW_UINT16>();
    const TW_UINT16 msg = input_.ConsumeIntegralInRange<std::size_t>(0, 7) != 0 ? input_.PickValueInArray(kMsgs)
                                                                                : input_.ConsumeIntegral<TW_UINT16>();
    if (input_.ConsumeIntegralInRange(0, 31) == 0) {
      Call(dg, dat, msg, nullptr);
      return;
    }
    switch (dat) {
      case DAT_CAPABILITY:
        return SendCapability(dg, msg);
      case DAT_IMAGEMEMXFER:
        return SendMemoryTransfer(dg, msg);
      case DAT_IMAGENATIVEXFER:
        return SendNativeTransfer(dg, msg);
      case DAT_EVENT:
        return SendEvent(dg, msg);
      case DAT_SETUPFILEXFER:
        return SendFileSetup(dg, msg);
      case DAT_ENTRYPOINT:
        return SendEntryPoints(dg, msg);
      default:
        return SendPlainBlock(dg, dat, msg);
    }
  }

  // Every other DAT's structure holds no pointer the source follows (parent
  // windows and the JPEG tables are cleared), so any
  // bytes will do, in a block exactly as large as the structure the DAT
  // names: the sanitizers see any read or write beyond it.
  void SendPlainBlock(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg) {
    std::vector<std::uint8_t> block = input_.ConsumeBytes<std::uint8_t>(StructureSize(dat));
    block.resize(StructureSize(dat));
    if (dat == DAT_PARENT) std::fill(block.begin(), block.end(), 0);
    if (dat == DAT_USERINTERFACE) {
      TW_USERINTERFACE ui;
      std::memcpy(&ui, block.data(), sizeof ui);
      ui.hParent = nullptr;
      std::memcpy(block.data(), &ui, sizeof ui);
    }
    if (dat == DAT_JPEGCOMPRESSION) {
      TW_JPEGCOMPRESSION jpeg;
      std::memcpy(&jpeg, block.data(), sizeof jpeg);
      for (TW_MEMORY& table : jpeg.QuantTable) table = {};
      for (TW_MEMORY& table : jpeg.HuffmanDC) table = {};
      for (TW_MEMORY& table : jpeg.HuffmanAC) table = {};
      std::memcpy(block.data(), &jpeg, sizeof jpeg);
    }
    Call(dg, dat, msg, block.empty() ? nullptr : block.data());
  }

  // The bytes an application hands with `dat`: the structure the trace
  // knows it by, but a response table of 256 entries; nothing for a DAT the
  // source does not know, which it must not read.
  static std::size_t StructureSize(TW_UINT16 dat) {
    if (dat == DAT_GRAYRESPONSE || dat == DAT_RGBRESPONSE) return 256 * sizeof(TW_ELEMENT8);
    return TraceableDataSize(dat);
  }

  // A container in a block the application allocated, of any size: its
  // header says any type and count, its items are any bytes.
  void SendCapability(TW_UINT32 dg, TW_UINT16 msg) {
    TW_CAPABILITY capability{};
    capability.Cap = input_.ConsumeBool() ? input_.ConsumeIntegralInRange<TW_UINT16>(0x0001, 0x0040)
                                          : input_.ConsumeIntegral<TW_UINT16>();
    if (input_.ConsumeBool()) capability.Cap |= 0x1000;  // the image capabilities
    capability.ConType =
        input_.ConsumeBool() ? input_.PickValueInArray(kContainerTypes) : input_.ConsumeIntegral<TW_UINT16>();
    void* given = nullptr;
    if (input_.ConsumeBool()) {
      std::vector<std::uint8_t> bytes = input_.ConsumeBytes<std::uint8_t>(input_.ConsumeIntegralInRange(0, 64));
      if (bytes.size() >= 2 && input_.ConsumeBool()) {
        const TW_UINT16 itemType = input_.ConsumeIntegralInRange<TW_UINT16>(TWTY_INT8, TWTY_STR255);
        std::memcpy(bytes.data(), &itemType, sizeof itemType);
      }
      given = std::malloc(bytes.empty() ? 1 : bytes.size());
      if (!bytes.empty()) std::memcpy(given, bytes.data(), bytes.size());
    }
    capability.hContainer = given;
    Call(dg, DAT_CAPABILITY, msg, &capability);
    // The application frees what it gave and what it received, as applications do.
    if (capability.hContainer != given) std::free(capability.hContainer);
    std::free(given);
  }

  // A memory transfer into the application's buffer of the length it states.
  void SendMemoryTransfer(TW_UINT32 dg, TW_UINT16 msg) {
    TW_IMAGEMEMXFER transfer{};
    std::vector<std::uint8_t> header = input_.ConsumeBytes<std::uint8_t>(sizeof transfer);
    std::memcpy(&transfer, header.data(), header.size());
    const std::size_t length = input_.ConsumeIntegralInRange<std::size_t>(0, 70000);
    std::vector<std::uint8_t> buffer(length);
    transfer.Memory.Length = static_cast<TW_UINT32>(length);
    transfer.Memory.TheMem = input_.ConsumeIntegralInRange(0, 15) == 0 ? nullptr : buffer.data();
    transfer.Memory.Flags =
        input_.PickValueInArray({TWMF_APPOWNS | TWMF_POINTER, TWMF_APPOWNS | TWMF_HANDLE, transfer.Memory.Flags});
    Call(dg, DAT_IMAGEMEMXFER, msg, &transfer);
  }

  // A native transfer hands the application a bitmap block, which it frees.
  void SendNativeTransfer(TW_UINT32 dg, TW_UINT16 msg) {
    TW_HANDLE handle = nullptr;
    Call(dg, DAT_IMAGENATIVEXFER, msg, &handle);
    std::free(handle);
  }

  // An event carrying a window message for the dialog, another window or none.
  void SendEvent(TW_UINT32 dg, TW_UINT16 msg) {
    platform::WindowMessage message{};
    std::vector<std::uint8_t> bytes = input_.ConsumeBytes<std::uint8_t>(sizeof message);
    std::memcpy(&message, bytes.data(), bytes.size());
    platform::DialogWindow* dialog = source_.UserInterface().Window();
    message.window = input_.ConsumeBool() && dialog != nullptr ? dialog->Handle() : nullptr;
    TW_EVENT event{input_.ConsumeIntegralInRange(0, 15) == 0 ? nullptr : &message, MSG_NULL};
    Call(dg, DAT_EVENT, msg, &event);
  }

  // The file the application names lies in the private folder, so that a
  // fuzzed name never writes elsewhere.
  void SendFileSetup(TW_UINT32 dg, TW_UINT16 msg) {
    TW_SETUPFILEXFER setup{};
    std::string name = TheWorkplace().folder + "out";
    for (char c : input_.ConsumeBytesAsString(input_.ConsumeIntegralInRange(0, 12))) {
      if (c != '/' && c != '\0') name += c;
    }
    name.resize(std::min(name.size(), sizeof setup.FileName - 1));
    std::memcpy(setup.FileName, name.data(), name.size());
    setup.Format = input_.ConsumeIntegral<TW_UINT16>();
    Call(dg, DAT_SETUPFILEXFER, msg, &setup);
  }

  // A manager's entry points, of the right size or not: its DSM_Entry takes
  // every notification and answers as the input says.
  void SendEntryPoints(TW_UINT32 dg, TW_UINT16 msg) {
    TW_ENTRYPOINT entry{};
    entry.Size = input_.ConsumeBool() ? sizeof entry : input_.ConsumeIntegral<TW_UINT32>();
    entry.DSM_Entry = input_.ConsumeBool() ? &ManagerEntry : nullptr;
    managerAnswer = input_.ConsumeBool() ? TWRC_SUCCESS : TWRC_FAILURE;
    Call(dg, DAT_ENTRYPOINT, msg, &entry);
  }

  static TW_UINT16 TW_CALLINGSTYLE ManagerEntry(TW_IDENTITY*, TW_IDENTITY*, TW_UINT32, TW_UINT16, TW_UINT16,
                                                TW_MEMREF) {
    return managerAnswer;
  }
  static inline TW_UINT16 managerAnswer = TWRC_SUCCESS;

  void Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
    TW_IDENTITY origin = application_;
    if (input_.ConsumeIntegralInRange(0, 31) == 0) origin.Id = input_.ConsumeIntegral<TW_UINT32>();
    source_.Entry(&origin, dg, dat, msg, data);
  }

  FuzzedDataProvider& input_;
  QuietBoxes boxes_;
  SilentManager manager_;
  capture::VirtualCamera camera_;
  Source source_;
  TW_IDENTITY application_{};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TheWorkplace();
  FuzzedDataProvider input(data, size);
  Session session(input);
  session.Play();
  return 0;
}
