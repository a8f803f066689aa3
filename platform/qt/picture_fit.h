// Where the game's fixed-size picture goes on a larger or smaller output (the main window at any
// size, full screen, the floating window), and which picture pixel each output pixel shows. The
// picture keeps its aspect, centred, with black bars around it. Everything is in physical pixels
// of the output, so HiDPI and fractional scale factors give a sharp picture. One rule serves both
// the drawing and the mouse: an output pixel shows, and a click on it reaches, the picture pixel
// under the output pixel's centre (nearest neighbour), so whole multiples give exact square blocks.
// No Qt here: the arithmetic is tested on its own.
#pragma once

#include "engine/host.h"

namespace hk {

struct PictureFit {
    int x = 0; // top-left corner of the picture on the output
    int y = 0;
    int width = 0; // size of the scaled picture (0 when the output is empty)
    int height = 0;
};

// The largest picture_w:picture_h rectangle inside an output_w x output_h output, centred.
PictureFit FitPicture(int output_w, int output_h, int picture_w, int picture_h);

// Along one axis of a picture of picture_size pixels drawn fit_size pixels long: the picture pixel
// that output pixel `offset` (counted from the picture's first output pixel) shows. Offsets in the
// bars give indexes below 0 or from picture_size on.
int PictureIndex(int offset, int fit_size, int picture_size);

// The first output pixel (counted as above) that shows picture pixel `index`; for index ==
// picture_size, the end of the picture. When the picture is shrunk some pixels are never shown:
// their first pixel is that of the next one shown.
int FirstOutputOffset(int index, int fit_size, int picture_size);

// The picture pixel an output pixel shows. Output pixels in the bars give points outside the
// picture unless clamp is set.
Point OutputToPicture(const PictureFit& fit, int output_x, int output_y, int picture_w, int picture_h, bool clamp);

// The top-left output pixel of the block that shows a picture pixel (OutputToPicture gives the
// pixel back whenever the block is not empty).
Point PictureToOutput(const PictureFit& fit, Point picture, int picture_w, int picture_h);

} // namespace hk
