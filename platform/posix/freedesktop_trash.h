// The freedesktop.org trash: a deleted file goes to the "files" folder of a
// trash directory and a ".trashinfo" record beside it in "info" tells where
// it came from and when, so that a file manager can restore it.
#pragma once

#include <ctime>
#include <string>

namespace platform {

// Percent-encodes a path as the trash records hold it: every byte other
// than letters, digits, "/" and the unreserved marks -_.!~*'() becomes %XX.
std::string EscapeTrashPath(const std::string& path);

// The record of a file that was at `originalPath` (absolute, or relative to
// the trash directory's top folder), deleted at local time `deleted`.
std::string TrashInfoText(const std::string& originalPath, const std::tm& deleted);

// The user's own trash directory: $XDG_DATA_HOME/Trash, or
// ~/.local/share/Trash. Empty when neither is known.
std::string HomeTrashDirectory();

// Moves the file (or link) at `path` into the trash: the home trash when it
// lies on the same file system, else the trash of the file system's top
// folder ($topdir/.Trash/$uid when the administrator made that sticky
// folder, else $topdir/.Trash-$uid). Returns false, leaving the file where
// it was, when it does not exist or no trash can take it.
bool MoveToFreedesktopTrash(const std::string& path);

}  // namespace platform
