// twain-acquire: a small TWAIN application. It opens the MervaleTwain source
// the way applications do, enables its dialog, waits for the source to speak,
// and closes it again, printing each step.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "source_link.h"

using namespace twain;

namespace {

struct Options {
  std::string source;
  unsigned waitMilliseconds = 0;
};

void PrintUsage() {
  std::fprintf(stderr,
               "usage: twain-acquire [--source PATH] [--wait MILLISECONDS]\n"
               "  --source PATH   the MervaleTwain.ds to load (Linux; Windows uses the installed source)\n"
               "  --wait MS       how long to wait for the source's notifications after enabling it\n");
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
    } else {
      return false;
    }
  }
  return true;
}

const char* ResultName(TW_UINT16 rc) {
  switch (rc) {
    case TWRC_SUCCESS: return "success";
    case TWRC_FAILURE: return "failure";
    case TWRC_CHECKSTATUS: return "check status";
    case TWRC_CANCEL: return "cancel";
    case TWRC_XFERDONE: return "transfer done";
    default: return "unexpected result";
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

  TW_USERINTERFACE ui{1, 0, nullptr};
  bool ok = Report(*link, "enable", link->Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
  if (ok && options.waitMilliseconds > 0) {
    const auto notification = link->WaitForNotification(options.waitMilliseconds);
    if (!notification) {
      std::printf("wait: the source sent nothing within %u ms\n", options.waitMilliseconds);
    } else if (*notification == MSG_CLOSEDSREQ) {
      std::printf("wait: the source asks to be closed\n");
    } else {
      std::printf("wait: the source sent message 0x%04x\n", *notification);
    }
  }
  if (ok) ok = Report(*link, "disable", link->Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui));
  link->Close();
  std::printf("close: done\n");
  return ok ? 0 : 1;
}
