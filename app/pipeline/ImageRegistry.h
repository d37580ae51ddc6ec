#pragma once
// Image handles: every image a control holds (its picture and its colour planes) is known by a process-wide
// integer, so that one control can take a copy of another's image by handle alone.

#include <opencv2/core.hpp>

#include <cstdint>

namespace quorvin::imaging {

// Registers the storage of a held image and returns its new handle (never 0).
int32_t RegisterImage(cv::Mat* storage);
// Forgets a handle; 0 and unknown handles are ignored.
void UnregisterImage(int32_t handle);
// The image behind a handle, or nullptr when no image has that handle.
const cv::Mat* LookUpImage(int32_t handle);
// A picture lent out as a drawing surface is copied, never shared, by whoever takes it by handle: the
// painter may still be writing into it.
void SetImageLent(int32_t handle, bool lent);
bool IsImageLent(int32_t handle);

}  // namespace quorvin::imaging
