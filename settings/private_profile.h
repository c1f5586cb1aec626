// The private-profile (.ini) text format, read and edited the way the
// Windows profile functions do it, on every platform.
//
// Lines end at "\n"; "[name]" lines open sections, "name=value" lines are
// keys. Names match without regard to ASCII case; the bytes of double-byte
// GBK characters always match exactly. Values are read without the blanks
// around them and without one pair of enclosing quotes.
//
// An edit touches nothing but the value it changes: comments, blank lines,
// unknown keys and even junk stay byte for byte. A new key goes after the
// last non-blank line of its section, a new section at the end of the file;
// both are written as "\r\n"-ended lines.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace settings {

class PrivateProfile {
 public:
  explicit PrivateProfile(std::string bytes = {}) : bytes_(std::move(bytes)) {}

  // The value of `key` in the first section called `section`; nullopt when
  // either is missing. A value stops at a NUL byte, as a C string would.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;

  // Replaces the value of the key, adding the key or the section when
  // missing. The value is cut at its first line break or NUL byte, which
  // could not stand in one line; Get then gives back what is left, since a
  // value with blanks at either end or in a pair of quotes is written quoted.
  void Set(std::string_view section, std::string_view key, std::string_view value);

  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

}  // namespace settings
