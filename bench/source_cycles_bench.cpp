// What a long-lived host sees of the source's resources. Two runs, each
// printing resident memory (VmRSS), open file descriptors and threads of
// this process at a few cycles:
//
// - sessions: 1000 times open, enable (the main dialog on the headless host,
//   the virtual camera streaming into its preview), disable and close the
//   source through its entry, every 10th time also shooting a picture with
//   Scan, submitting it and taking it by native transfer;
// - library loads: 200 times load the built MervaleTwain.ds, ask its
//   identity through DS_Entry and unload it.
//
// The first cycles warm up (allocator pools, the first dialog, the loader's
// caches); what counts is the growth after them.
#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "capture/virtual/virtual_camera.h"
#include "library/main_dialog_bridge.h"
#include "platform/dialog.h"
#include "platform/global_memory.h"
#include "platform/posix/headless_host.h"
#include "resources/dialog_ids.h"
#include "twain/source.h"
#include "ui/main_dialog_timers.h"

namespace {

using namespace twain;

struct Figures {
  long residentKb = 0;
  long descriptors = 0;
  long threads = 0;
};

long EntriesIn(const char* folder) {
  std::error_code error;
  long count = 0;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) ++count;
  return count;
}

Figures Measure() {
  Figures figures;
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) figures.residentKb = std::strtol(line.c_str() + 6, nullptr, 10);
  }
  // The iterator's own descriptor is open while it counts.
  figures.descriptors = EntriesIn("/proc/self/fd") - 1;
  figures.threads = EntriesIn("/proc/self/task");
  return figures;
}

class Report {
 public:
  explicit Report(const char* run) : run_(run) {}
  void At(int cycle) {
    const Figures figures = Measure();
    rows_.push_back({cycle, figures});
    std::printf("| %-13s | %5d | %9ld | %3ld | %7ld |\n", run_, cycle, figures.residentKb, figures.descriptors,
                figures.threads);
    std::fflush(stdout);
  }
  // Growth from the row of `warmCycle` to the last row.
  void Growth(int warmCycle) const {
    const Figures* warm = nullptr;
    for (const auto& [cycle, figures] : rows_) {
      if (cycle == warmCycle) warm = &figures;
    }
    if (warm == nullptr) return;
    const Figures& last = rows_.back().second;
    std::printf("| %-13s | %2d→%-4d | %+7ld kB | %+3ld | %+7ld |\n", run_, warmCycle, rows_.back().first,
                last.residentKb - warm->residentKb, last.descriptors - warm->descriptors, last.threads - warm->threads);
  }

 private:
  const char* run_;
  std::vector<std::pair<int, Figures>> rows_;
};

bool Measured(int cycle) { return cycle == 1 || cycle == 10 || cycle == 100 || cycle == 1000; }

class QuietBoxes final : public platform::MessageBoxes {
 public:
  int Show(const platform::MessageBoxRequest& request) override {
    ++shown;
    return platform::DefaultAnswer(request.style);
  }
  int shown = 0;
};

class CountingManager final : public platform::SourceManagerLink {
 public:
  bool SendNull(TW_IDENTITY&, TW_IDENTITY&, TW_UINT16) override {
    ++notifications;
    return true;
  }
  int notifications = 0;
};

constexpr const char* kDeskScene =
    "rate 60\n"
    "device \"Mervale Document Camera\" \"\\\\?\\usb#vid_4d56&pid_2c01#1\"\n"
    "format RGB24 320 240\n"
    "page p 210 297 seed 5\n"
    "place p 150 120 0\n";

// One source in this process, driven as an application and its user drive it.
class Sessions {
 public:
  explicit Sessions(const std::string& folder)
      : camera_(capture::ParseScene(kDeskScene).scene.value()),
        source_(SourcePorts{platform::SystemGlobalMemory(), manager_, boxes_, platform::SystemDialogs(),
                            folder + "twsrc.log", &camera_, folder + "config.ini"},
                &library::MakeMainDialog) {
    application_.Id = 7;
    std::strcpy(application_.ProductName, "Stress Application");
    record_ = MakeSourceIdentity();
    record_.Id = 42;
  }

  // Returns whether every step answered as it should.
  bool Cycle(bool shoot) {
    TW_IDENTITY record = record_;
    bool ok = Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &record) == TWRC_SUCCESS;
    TW_USERINTERFACE ui{1, 0, nullptr};
    ok = Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) == TWRC_SUCCESS && ok;
    if (shoot) ok = ShootAndTransfer() && ok;
    ok = Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui) == TWRC_SUCCESS && ok;
    record = record_;
    ok = Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &record) == TWRC_SUCCESS && ok;
    return ok;
  }

  int BoxesShown() const { return boxes_.shown; }

 private:
  TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
    TW_IDENTITY origin = application_;
    return source_.Entry(&origin, dg, dat, msg, data);
  }

  bool ShootAndTransfer() {
    platform::headless::Dialog* dialog = platform::headless::FindDialog(dialog_ids::main_dialog::kTemplate);
    if (dialog == nullptr || !dialog->Click(dialog_ids::main_dialog::kScanButton) ||
        !dialog->Click(dialog_ids::main_dialog::kSubmitButton))
      return false;
    TW_HANDLE bitmap = nullptr;
    const bool transferred = Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &bitmap) == TWRC_XFERDONE;
    if (bitmap != nullptr) platform::SystemGlobalMemory().Free(bitmap);
    TW_PENDINGXFERS pending{};
    return Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending) == TWRC_SUCCESS && transferred;
  }

  QuietBoxes boxes_;
  CountingManager manager_;
  capture::VirtualCamera camera_;
  Source source_;
  TW_IDENTITY application_{};
  TW_IDENTITY record_{};
};

using DsEntryProc = TW_UINT16 (*)(TW_IDENTITY*, TW_UINT32, TW_UINT16, TW_UINT16, TW_MEMREF);

// Whether the library is mapped into this process.
bool LibraryMapped() {
  const std::string name = std::filesystem::path(MERVALE_DS_PATH).filename().string();
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    if (line.find(name) != std::string::npos) return true;
  }
  return false;
}

// Loads the library, asks its identity and unloads it; whether all went well.
bool LoadQueryUnload() {
  void* library = dlopen(MERVALE_DS_PATH, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    std::fprintf(stderr, "%s\n", dlerror());
    return false;
  }
  const auto entry = reinterpret_cast<DsEntryProc>(dlsym(library, "DS_Entry"));
  TW_IDENTITY identity{};
  const bool answered =
      entry != nullptr && entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity) == TWRC_SUCCESS;
  // A library the loader keeps after dlclose would hide what its unloading leaves behind.
  return dlclose(library) == 0 && answered && !LibraryMapped();
}

}  // namespace

int main() {
  char pattern[] = "/tmp/mervale-cycles-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const std::string folder = std::string(pattern) + "/";
  // The picture folder, the library's trace and its settings file lie in it.
  setenv("TMPDIR", folder.c_str(), 1);
  setenv("XDG_CONFIG_HOME", folder.c_str(), 1);

  std::printf("| run           | cycle | VmRSS kB  | fds | threads |\n");
  std::printf("|---------------|-------|-----------|-----|---------|\n");
  int failures = 0;
  int boxes = 0;
  Report sessionReport("sessions");
  sessionReport.At(0);  // before anything: what the process inherited
  {
    Sessions sessions(folder);
    for (int cycle = 1; cycle <= 1000; ++cycle) {
      if (!sessions.Cycle(cycle % 10 == 0)) ++failures;
      if (Measured(cycle)) sessionReport.At(cycle);
    }
    boxes = sessions.BoxesShown();
  }
  // The headless host keeps a record of everything the dialogs drew.
  const std::size_t drawnMarks = platform::headless::Drawing().size();
  Report loadReport("library loads");
  for (int cycle = 1; cycle <= 200; ++cycle) {
    if (!LoadQueryUnload()) ++failures;
    if (Measured(cycle) || cycle == 200) loadReport.At(cycle);
  }

  std::printf("\n| run           | cycles  | VmRSS        | fds | threads |\n");
  std::printf("|---------------|---------|--------------|-----|---------|\n");
  sessionReport.Growth(10);
  loadReport.Growth(10);
  std::printf("\nfailed cycles: %d, message boxes: %d, marks in the headless host's drawing record: %zu\n", failures,
              boxes, drawnMarks);
  std::filesystem::remove_all(pattern);
  return failures == 0 ? 0 : 1;
}
