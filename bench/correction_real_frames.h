// The position correction on real camera frames whose page corners are
// known (a folder with truth.csv): see correction_real_frames.cpp.
#pragma once

#include <string>

// Prints the per-frame table and the sums; returns false when the folder
// or its truth cannot be read.
bool ReportRealFrames(const std::string& folder);
