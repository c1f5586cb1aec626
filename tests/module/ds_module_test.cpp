// The built MervaleTwain.ds loaded as a Linux application or source manager
// loads it: only DS_Entry is exported, loading and unloading repeat cheaply,
// and notifications reach the DSM_Entry this program exports.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "protocol/twain.h"

using namespace twain;

namespace {
std::vector<TW_UINT16> notifications;
}

// The source manager's entry, found by the source in this process's exports.
extern "C" TW_UINT16 DSM_Entry(TW_IDENTITY*, TW_IDENTITY*, TW_UINT32, TW_UINT16, TW_UINT16 msg, TW_MEMREF) {
  notifications.push_back(msg);
  return TWRC_SUCCESS;
}

namespace {

// A Linux WindowMessage as an application passes it: window, message, wParam, lParam.
struct WindowEvent {
  void* window;
  std::uint32_t message;
  std::uintptr_t wParam;
  std::intptr_t lParam;
};

using DsEntryProc = TW_UINT16 (*)(TW_IDENTITY*, TW_UINT32, TW_UINT16, TW_UINT16, TW_MEMREF);

class Module {
 public:
  Module() : handle_(dlopen(MERVALE_DS_PATH, RTLD_NOW | RTLD_LOCAL)) {}
  ~Module() {
    if (handle_ != nullptr) dlclose(handle_);
  }
  DsEntryProc Entry() const { return reinterpret_cast<DsEntryProc>(dlsym(handle_, "DS_Entry")); }
  void* Symbol(const char* name) const { return dlsym(handle_, name); }
  bool Loaded() const { return handle_ != nullptr; }

 private:
  void* handle_;
};

class DsModule : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/mervale-module-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    setenv("TMPDIR", folder_.c_str(), 1);  // the trace goes to the temporary directory
  }
  void TearDown() override { std::system(("rm -rf " + folder_).c_str()); }
  // Opens the source for application 1 as source 5, as a manager does.
  static void OpenSource(DsEntryProc entry, TW_IDENTITY& application, TW_IDENTITY& source) {
    application.Id = 1;
    ASSERT_EQ(entry(&application, DG_CONTROL, DAT_IDENTITY, MSG_GET, &source), TWRC_SUCCESS);
    source.Id = 5;
    ASSERT_EQ(entry(&application, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source), TWRC_SUCCESS);
  }
  // Opens and enables the source, passes an idle event per turn of the
  // application's loop until the scripted user's close request comes (at
  // most `turns`), then disables and closes it.
  static void PlayUntilTheCloseRequest(DsEntryProc entry, int turns) {
    notifications.clear();
    TW_IDENTITY application{};
    TW_IDENTITY source{};
    ASSERT_NO_FATAL_FAILURE(OpenSource(entry, application, source));
    TW_USERINTERFACE ui{1, 0, nullptr};
    ASSERT_EQ(entry(&application, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_SUCCESS);
    WindowEvent idle{nullptr, 0, 0, 0};
    for (int turn = 0; turn < turns && notifications.empty(); ++turn) {
      TW_EVENT event{&idle, MSG_NULL};
      EXPECT_EQ(entry(&application, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_NOTDSEVENT);
    }
    EXPECT_EQ(notifications, std::vector<TW_UINT16>{MSG_CLOSEDSREQ});
    ASSERT_EQ(entry(&application, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
    ASSERT_EQ(entry(&application, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source), TWRC_SUCCESS);
  }
  std::string folder_;
};

TEST_F(DsModule, ExportsDsEntryAndNothingOfItsOwnInternals) {
  Module module;
  ASSERT_TRUE(module.Loaded()) << dlerror();
  EXPECT_NE(module.Entry(), nullptr);
  EXPECT_EQ(module.Symbol("_ZN5twain6Source5EntryEPNS_11TW_IDENTITYEjttPv"), nullptr);
}

TEST_F(DsModule, LoadsQueriesAndUnloadsRepeatedly) {
  for (int round = 0; round < 5; ++round) {
    Module module;
    ASSERT_TRUE(module.Loaded()) << dlerror();
    TW_IDENTITY identity{};
    ASSERT_EQ(module.Entry()(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity), TWRC_SUCCESS);
    EXPECT_STREQ(identity.ProductName, "MervaleTwain");
    EXPECT_EQ(identity.ProtocolMinor, 4);
  }
}

// Loading runs nothing of the source: it is made by the first DS_Entry, whose
// trace then starts with the lines the camera objects write when made.
TEST_F(DsModule, TheSourceIsMadeByTheFirstCallNotByLoading) {
  const std::string trace = folder_ + "/twsrc.log";
  for (int round = 0; round < 3; ++round) {
    Module module;
    ASSERT_TRUE(module.Loaded()) << dlerror();
  }
  EXPECT_FALSE(std::ifstream(trace).is_open());
  Module module;
  ASSERT_TRUE(module.Loaded()) << dlerror();
  EXPECT_FALSE(std::ifstream(trace).is_open());
  TW_IDENTITY identity{};
  ASSERT_EQ(module.Entry()(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity), TWRC_SUCCESS);
  std::ostringstream bytes;
  bytes << std::ifstream(trace, std::ios::binary).rdbuf();
  EXPECT_EQ(bytes.str().rfind("CSampleGrabberCB", 0), 0u);
  EXPECT_EQ(bytes.str().find("\n2:-----"), std::string::npos);  // made once, for the first call
}

TEST_F(DsModule, AWholeSessionWithoutTransfers) {
  Module module;
  ASSERT_TRUE(module.Loaded()) << dlerror();
  DsEntryProc entry = module.Entry();
  TW_IDENTITY application{};
  TW_IDENTITY source{};
  ASSERT_NO_FATAL_FAILURE(OpenSource(entry, application, source));
  TW_STATUS status{};
  ASSERT_EQ(entry(&application, DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
  EXPECT_EQ(status.ConditionCode, TWCC_SUCCESS);
  TW_USERINTERFACE ui{1, 0, nullptr};
  ASSERT_EQ(entry(&application, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_SUCCESS);
  ASSERT_EQ(entry(&application, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
  ASSERT_EQ(entry(&application, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source), TWRC_SUCCESS);
  std::FILE* trace = std::fopen((folder_ + "/twsrc.log").c_str(), "rb");
  ASSERT_NE(trace, nullptr);
  std::fclose(trace);
}

// The user named by MERVALE_USER_SCRIPT plays along the events the
// application passes; the space key goes through the library's hook.
TEST_F(DsModule, AScriptedUserPlaysAlongTheApplicationsEvents) {
  const std::string script = folder_ + "/user.txt";
  std::ofstream(script) << "space\nclose\n";
  setenv("MERVALE_USER_SCRIPT", script.c_str(), 1);
  Module module;
  ASSERT_TRUE(module.Loaded()) << dlerror();
  ASSERT_NO_FATAL_FAILURE(PlayUntilTheCloseRequest(module.Entry(), 10));
  unsetenv("MERVALE_USER_SCRIPT");
  std::ostringstream trace;
  trace << std::ifstream(folder_ + "/twsrc.log", std::ios::binary).rdbuf();
  EXPECT_NE(trace.str().find("\xC5\xC4\xD5\xD5\xB4\xA6\xC0\xED"), std::string::npos) << "the hook's trace line";
}

// A shot with the watermark on sets text through fontconfig and FreeType;
// the library then goes and comes back and does it again. What the text
// took is released when the library goes (the leak checker of the
// sanitized build sees anything left), and a later load draws text again.
TEST_F(DsModule, TextDrawnBeforeAnUnloadIsReleasedAndDrawnAgainAfterIt) {
  setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
  // "[水印]", "水印开启=1", "水印内容=MERVALE" in GBK; every other key keeps its first-start value.
  std::ofstream(folder_ + "/config.ini", std::ios::binary)
      << "[\xCB\xAE\xD3\xA1]\r\n\xCB\xAE\xD3\xA1\xBF\xAA\xC6\xF4=1\r\n\xCB\xAE\xD3\xA1\xC4\xDA\xC8\xDD=MERVALE\r\n";
  const std::string script = folder_ + "/user.txt";
  std::ofstream(script) << "space\nclose\n";
  setenv("MERVALE_USER_SCRIPT", script.c_str(), 1);
  for (int round = 0; round < 2; ++round) {
    Module module;
    ASSERT_TRUE(module.Loaded()) << dlerror();
    ASSERT_NO_FATAL_FAILURE(PlayUntilTheCloseRequest(module.Entry(), 50));
  }
  unsetenv("MERVALE_USER_SCRIPT");
  unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
