// How twain-acquire reaches the data source: through the platform's source
// manager on Windows; on Linux by loading the source itself and playing the
// manager's part.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "protocol/twain.h"

namespace acquire_tool {

class SourceLink {
 public:
  virtual ~SourceLink() = default;
  // Opens the manager and the source; false with a reason in `error`.
  virtual bool Open(twain::TW_IDENTITY& application, std::string& error) = 0;
  // The source's identity as the manager recorded it.
  virtual const twain::TW_IDENTITY& SourceIdentity() const = 0;
  // A triplet for the source.
  virtual twain::TW_UINT16 Call(twain::TW_UINT32 dg, twain::TW_UINT16 dat, twain::TW_UINT16 msg, void* data) = 0;
  // Runs the application's event loop until the source sends a notification
  // (MSG_XFERREADY or MSG_CLOSEDSREQ) or `milliseconds` pass.
  virtual std::optional<twain::TW_UINT16> WaitForNotification(unsigned milliseconds) = 0;
  // Closes the source and the manager.
  virtual void Close() = 0;

  // The platform's memory handles, as the source hands them over (native
  // transfers, containers) and as the application passes them (MSG_SET).
  virtual twain::TW_HANDLE Allocate(std::size_t bytes) = 0;
  virtual void* Lock(twain::TW_HANDLE handle) = 0;
  virtual void Unlock(twain::TW_HANDLE handle) = 0;
  virtual void Free(twain::TW_HANDLE handle) = 0;
};

// `sourcePath` names the .ds on Linux; on Windows the installed source named
// "MervaleTwain" is opened through the manager and the path is ignored.
std::unique_ptr<SourceLink> MakeSourceLink(const std::string& sourcePath);

}  // namespace acquire_tool
