// The boxes the still pipelines show the user, and the dialog too when it
// stops a continuous run at a full queue.
#pragma once

namespace imaging {

// The text of the box shown when a still is refused for lack of room.
inline constexpr const char* kQueueFullText = "Exceeding the maximum!";
inline constexpr const char* kQueueFullCaption = "Tips";
// The text and caption of the box shown when a picture could not be written whole.
inline constexpr const char* kStoreFailedCaption = "Tips";
inline constexpr const char* kStoreFailedText =
    "The picture could not be saved. Please make sure the disk has free space, then shoot again.";

}  // namespace imaging
