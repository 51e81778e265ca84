#pragma once
// The device pictures of the main window: 168 x 168 drawings, indexed by a model's picture number.
// 0 is the empty picture (no device selected), 1 an unrecognised device, 2..9 the models in
// catalogue order.

#include <QImage>

namespace drumo {

inline constexpr int DevicePictureSize = 168;
inline constexpr int DevicePictureCount = 10;

// The picture with this number; numbers past the list give the unrecognised device's picture.
QImage DevicePicture(int picture);

}  // namespace drumo
