// twain-acquire's session against a source with stored pictures: each
// mechanism writes the same pictures.
#include <gtest/gtest.h>

#include "session.h"
#include "support/bmp_builder.h"
#include "support/source_harness.h"

namespace {

using namespace twain;
using testing_support::ReadFileBytes;
using testing_support::SourceHarness;

// Plays the source manager between the session and a harnessed source.
class HarnessLink final : public acquire_tool::SourceLink {
 public:
  explicit HarnessLink(SourceHarness& harness) : h_(harness) {}
  bool Open(TW_IDENTITY&, std::string&) override { return h_.Open() == TWRC_SUCCESS; }
  const TW_IDENTITY& SourceIdentity() const override { return h_.managerRecord; }
  TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) override {
    return h_.Call(dg, dat, msg, data);
  }
  std::optional<TW_UINT16> WaitForNotification(unsigned) override { return std::nullopt; }
  void Close() override {}
  TW_HANDLE Allocate(std::size_t bytes) override { return memory_.Allocate(bytes); }
  void* Lock(TW_HANDLE handle) override { return memory_.Lock(handle); }
  void Unlock(TW_HANDLE handle) override { memory_.Unlock(handle); }
  void Free(TW_HANDLE handle) override { memory_.Free(handle); }

 private:
  SourceHarness& h_;
  platform::GlobalMemory& memory_ = platform::SystemGlobalMemory();
};

class AcquireSession : public ::testing::TestWithParam<acquire_tool::Mechanism> {
 protected:
  // Stores a colour, a grey and a black-and-white picture, submits them and
  // receives them; returns the written files' bytes.
  std::vector<std::string> ReceiveThree(acquire_tool::SessionOptions options) {
    std::string error;
    TW_IDENTITY application{};
    EXPECT_TRUE(link.Open(application, error));
    EXPECT_EQ(h.Enable(), TWRC_SUCCESS);
    h.StorePicture(1, TWPT_RGB, 7, 5);
    h.StorePicture(2, TWPT_GRAY, 9, 3);
    h.StorePicture(3, TWPT_BW, 33, 2);
    h.SubmitPictures(3);
    options.outputFolder = h.folder.Path();
    acquire_tool::Session session(link, options, log);
    EXPECT_TRUE(session.Negotiate());
    EXPECT_EQ(session.ReceivePictures(), 3);
    std::vector<std::string> files;
    for (int i = 1; i <= 3; ++i) files.push_back(ReadFileBytes(h.folder.File("picture" + std::to_string(i) + ".bmp")));
    return files;
  }

  SourceHarness h;
  HarnessLink link{h};
  std::FILE* log = std::tmpfile();
};

TEST_P(AcquireSession, EveryMechanismWritesThePicturesPixelForPixel) {
  acquire_tool::SessionOptions options;
  options.mechanism = GetParam();
  options.bufferBytes = 50;  // a few rows per buffer for memory transfers
  const auto files = ReceiveThree(options);
  const std::uint16_t bitCounts[] = {24, 8, 1};
  const std::uint32_t rowsBytes[] = {24 * 5, 12 * 3, 8 * 2};
  for (std::size_t i = 0; i < 3; ++i) {
    ASSERT_GE(files[i].size(), 54u) << i;
    EXPECT_EQ(files[i].substr(0, 2), "BM");
    EXPECT_EQ(static_cast<std::uint8_t>(files[i][28]), bitCounts[i]);
    // The rows are the stored picture's rows, whatever the mechanism.
    const std::string rows = files[i].substr(files[i].size() - rowsBytes[i]);
    for (std::size_t b = 0; b < rows.size(); ++b) {
      ASSERT_EQ(static_cast<std::uint8_t>(rows[b]), static_cast<std::uint8_t>(b * 7 + 1))
          << "picture " << i << " byte " << b;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Mechanisms, AcquireSession,
                         ::testing::Values(acquire_tool::Mechanism::Native, acquire_tool::Mechanism::File,
                                           acquire_tool::Mechanism::Memory));

TEST(AcquireSessionNegotiation, TheChosenValuesReachTheSource) {
  SourceHarness h;
  HarnessLink link{h};
  std::string error;
  TW_IDENTITY application{};
  ASSERT_TRUE(link.Open(application, error));
  acquire_tool::SessionOptions options;
  options.pixelType = TWPT_GRAY;
  options.resolution = 300.0f;
  options.mechanism = acquire_tool::Mechanism::Memory;
  acquire_tool::Session session(link, options, std::tmpfile());
  EXPECT_TRUE(session.Negotiate());
  EXPECT_EQ(h.source->CapValues().pixelType, TWPT_GRAY);
  EXPECT_EQ(h.source->CapValues().xResolution, 300.0f);
}

}  // namespace
