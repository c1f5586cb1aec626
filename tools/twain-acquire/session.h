// What twain-acquire does with an open source: negotiates the pixel type,
// resolution and transfer mechanism, then receives every picture the source
// announces and writes each one as a bitmap file.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "source_link.h"

namespace acquire_tool {

enum class Mechanism { Native, File, Memory };

struct SessionOptions {
  Mechanism mechanism = Mechanism::Native;
  std::uint32_t bufferBytes = 0;  // memory transfers; 0 takes the source's preferred size
  std::optional<twain::TW_UINT16> pixelType;
  std::optional<float> resolution;
  std::string outputFolder = ".";
};

class Session {
 public:
  Session(SourceLink& link, SessionOptions options, std::FILE* log);

  // Sets the options' capabilities; false when the source refused one.
  bool Negotiate();
  // Receives every pending picture (after MSG_XFERREADY) and writes them.
  // Returns how many were written; stops at the first failed transfer.
  int ReceivePictures();
  int Received() const { return received_; }

 private:
  bool SetOneValue(twain::TW_UINT16 cap, twain::TW_UINT16 itemType, twain::TW_UINT32 item, const char* name);
  // One picture by the chosen mechanism into `path`; the byte count through `bytes`.
  bool TransferNative(const std::string& path, std::size_t& bytes);
  bool TransferFile(const std::string& path, std::size_t& bytes);
  bool TransferMemory(const twain::TW_IMAGEINFO& info, const std::string& path, std::size_t& bytes);

  SourceLink& link_;
  SessionOptions options_;
  std::FILE* log_;
  int received_ = 0;
};

// Writes a packed device-independent bitmap as a bitmap file; false on failure.
bool WriteBitmapFile(const std::string& path, const std::uint8_t* dib, std::size_t dibBytes);

}  // namespace acquire_tool
