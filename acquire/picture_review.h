// The review of the pictures taken since the last submission, as the
// picture preview window offers it: paging back and forth, quarter turns of
// a picture's file, opening it in the user's viewer and deleting it. It
// works on the picture files and on the page queue's records, so that the
// pages the application later receives reflect every turn and deletion.
#pragma once

#include <string>
#include <string_view>

#include "acquire/page_queue.h"
#include "imaging/picture_file.h"
#include "platform/shell.h"

namespace acquire {

// The format a reviewed picture is loaded and saved in, by its extension
// compared exactly: ".TIF" TIFF, ".bmp" bitmap, ".JPG" JPEG, ".PNG" PNG,
// ".GIF" GIF, anything else (other letter case included) JPEG.
imaging::PictureFormat ReviewFormat(std::string_view path);

enum class QuarterTurn { Left, Right };

// Loads the file in its review format, turns it a quarter counter-clockwise
// (Left) or clockwise (Right), exchanging its horizontal and vertical DPI,
// and saves it under the same name in the same format. Returns whether the
// file was turned; when loading or saving fails the file is as it was.
bool TurnPictureFile(const std::string& path, QuarterTurn turn);

class PictureReview {
 public:
  PictureReview(PageQueue& queue, platform::Shell& shell) : queue_(queue), shell_(shell) {}

  // After a shot: the newest picture is the one shown.
  void Show(int number, std::string path);

  // The picture shown: its number (0 for none) and its file (empty for none).
  int CurrentNumber() const { return currentNumber_; }
  const std::string& CurrentName() const { return currentName_; }
  // "number/count", the position the preview's "Open" button shows.
  std::string PositionCaption() const;

  // Turns the shown picture's file; only when the file was turned are the
  // sizes of its record exchanged, so the application is told the size the
  // file has. Returns whether it was turned.
  bool Turn(QuarterTurn turn);

  // The previous and the next picture; nothing changes at either end.
  void Previous();
  void Next();

  // Starts the user's viewer for the shown picture.
  bool Open();

  // Moves the shown picture's file to the trash and its record out of the
  // queue: the records after it move down one number, the count drops by
  // one and the picture before it is shown (after deleting picture 1, the
  // new picture 1, or nothing when none is left). A file that is gone or
  // cannot be moved to the trash leaves the queue as it was. Returns
  // whether the picture was deleted.
  bool DeleteCurrent();

 private:
  // Shows picture `number` as the queue records it; nothing outside the queue.
  void ShowRecorded(int number);

  PageQueue& queue_;
  platform::Shell& shell_;
  int currentNumber_ = 0;
  std::string currentName_;
};

}  // namespace acquire
