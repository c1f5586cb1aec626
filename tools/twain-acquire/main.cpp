// twain-acquire: a small TWAIN application. It opens the MervaleTwain source
// the way applications do, negotiates, enables its dialog, receives every
// picture the user submits by native, file or memory transfer and writes each
// one as a bitmap file, then closes the source when it asks to be closed or
// when the wait runs out. Every step is printed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "session.h"
#include "source_link.h"

using namespace twain;

namespace {

struct Options {
  std::string source;
  unsigned waitMilliseconds = 0;
  acquire_tool::SessionOptions session;
};

void PrintUsage() {
  std::fprintf(stderr,
               "usage: twain-acquire [--source PATH] [--wait MS] [--mech native|file|memory] [--buffer BYTES]\n"
               "                     [--pixel-type bw|grey|colour|colour+bw] [--resolution DPI] [--out FOLDER]\n"
               "  --source PATH     the MervaleTwain.ds to load (Linux; Windows uses the installed source)\n"
               "  --wait MS         how long to wait for the source after enabling it or after a series\n"
               "  --mech M          the transfer mechanism (native by default)\n"
               "  --buffer BYTES    the memory-transfer buffer size (the source's preferred size by default)\n"
               "  --pixel-type T    the pixel type to negotiate\n"
               "  --resolution DPI  the resolution to negotiate\n"
               "  --out FOLDER      where pictures are written as picture1.bmp, picture2.bmp, ... (default .)\n");
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (i + 1 >= argc) return false;
    const char* value = argv[++i];
    if (option == "--source") {
      options.source = value;
    } else if (option == "--wait") {
      options.waitMilliseconds = static_cast<unsigned>(std::strtoul(value, nullptr, 10));
    } else if (option == "--mech") {
      const std::string mech = value;
      if (mech == "native") {
        options.session.mechanism = acquire_tool::Mechanism::Native;
      } else if (mech == "file") {
        options.session.mechanism = acquire_tool::Mechanism::File;
      } else if (mech == "memory") {
        options.session.mechanism = acquire_tool::Mechanism::Memory;
      } else {
        return false;
      }
    } else if (option == "--buffer") {
      options.session.bufferBytes = static_cast<std::uint32_t>(std::strtoul(value, nullptr, 10));
    } else if (option == "--pixel-type") {
      const std::string type = value;
      if (type == "bw") {
        options.session.pixelType = TWPT_BW;
      } else if (type == "grey") {
        options.session.pixelType = TWPT_GRAY;
      } else if (type == "colour") {
        options.session.pixelType = TWPT_RGB;
      } else if (type == "colour+bw") {
        options.session.pixelType = protocol::Wire(protocol::PixelType::ColourAndBlackWhite);
      } else {
        return false;
      }
    } else if (option == "--resolution") {
      options.session.resolution = std::strtof(value, nullptr);
    } else if (option == "--out") {
      options.session.outputFolder = value;
    } else {
      return false;
    }
  }
  return true;
}

const char* ResultName(TW_UINT16 rc) {
  switch (rc) {
    case TWRC_SUCCESS:
      return "success";
    case TWRC_FAILURE:
      return "failure";
    case TWRC_CHECKSTATUS:
      return "check status";
    case TWRC_CANCEL:
      return "cancel";
    case TWRC_XFERDONE:
      return "transfer done";
    default:
      return "unexpected result";
  }
}

TW_UINT16 ConditionCode(acquire_tool::SourceLink& link) {
  TW_STATUS status{};
  link.Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status);
  return status.ConditionCode;
}

// Prints a step's result; on failure also the source's condition code.
bool Report(acquire_tool::SourceLink& link, const char* step, TW_UINT16 rc) {
  if (rc == TWRC_SUCCESS) {
    std::printf("%s: %s\n", step, ResultName(rc));
    return true;
  }
  std::printf("%s: %s (condition code %u)\n", step, ResultName(rc), ConditionCode(link));
  return false;
}

TW_IDENTITY ApplicationIdentity() {
  TW_IDENTITY identity{};
  identity.Version.MajorNum = 1;
  identity.Version.Language = TWLG_USA;
  identity.Version.Country = TWCY_USA;
  std::strcpy(identity.Version.Info, "twain-acquire");
  identity.ProtocolMajor = 1;
  identity.ProtocolMinor = 8;
  identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
  std::strcpy(identity.Manufacturer, "Mervale");
  std::strcpy(identity.ProductFamily, "Tools");
  std::strcpy(identity.ProductName, "twain-acquire");
  return identity;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    PrintUsage();
    return 2;
  }
  std::setvbuf(stdout, nullptr, _IOLBF, 0);

  auto link = acquire_tool::MakeSourceLink(options.source);
  TW_IDENTITY application = ApplicationIdentity();
  std::string error;
  if (!link->Open(application, error)) {
    std::fprintf(stderr, "twain-acquire: %s\n", error.c_str());
    return 1;
  }
  const TW_IDENTITY& source = link->SourceIdentity();
  std::printf("open: %s %u.%u \"%s\", protocol %u.%u, by %s\n", source.ProductName, source.Version.MajorNum,
              source.Version.MinorNum, source.Version.Info, source.ProtocolMajor, source.ProtocolMinor,
              source.Manufacturer);
  std::printf("status: condition code %u\n", ConditionCode(*link));

  acquire_tool::Session session(*link, options.session, stdout);
  session.Negotiate();
  TW_USERINTERFACE ui{1, 0, nullptr};
  bool ok = Report(*link, "enable", link->Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
  // The user shoots and submits in the source's dialog; each submission is one series.
  while (ok && options.waitMilliseconds > 0) {
    const auto notification = link->WaitForNotification(options.waitMilliseconds);
    if (!notification) {
      std::printf("wait: the source sent nothing within %u ms\n", options.waitMilliseconds);
      break;
    }
    if (*notification == MSG_CLOSEDSREQ) {
      std::printf("wait: the source asks to be closed\n");
      break;
    }
    std::printf("wait: pictures are ready\n");
    session.ReceivePictures();
  }
  std::printf("received: %d pictures\n", session.Received());
  if (ok) ok = Report(*link, "disable", link->Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui));
  link->Close();
  std::printf("close: done\n");
  return ok ? 0 : 1;
}
