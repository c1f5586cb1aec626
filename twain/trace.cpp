#include "twain/trace.h"

#include "platform/files.h"
#include "platform/text_encoding.h"

namespace twain {

void Trace::Write(std::string_view utf8) const { platform::AppendToFile(path_, platform::Utf8ToGbk(utf8)); }

std::string DefaultTracePath() {
#if defined(_WIN32)
  return "C:\\twsrc.log";
#else
  return platform::TempDirectory() + "twsrc.log";
#endif
}

}  // namespace twain
