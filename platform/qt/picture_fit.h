// Where the game's fixed-size picture goes on a larger output (the full-screen window): the
// largest rectangle that fits with the picture's aspect kept, centred, black bars around it.
// Everything is in physical pixels of the output, so HiDPI and fractional scale factors give a
// sharp nearest-neighbour picture. No Qt here: the arithmetic is tested on its own.
#pragma once

#include "platform/platform.h"

namespace hk {

struct PictureFit {
    int x = 0; // top-left corner of the picture on the output
    int y = 0;
    int width = 0; // size of the scaled picture (0 when the output is empty)
    int height = 0;
};

// The largest picture_w:picture_h rectangle inside an output_w x output_h output, centred.
PictureFit FitPicture(int output_w, int output_h, int picture_w, int picture_h);

// An output pixel (physical, may lie in the bars) to the picture pixel it shows. Points in the
// bars land outside 0..picture-1 unless clamp is set.
Point OutputToPicture(const PictureFit& fit, double output_x, double output_y, int picture_w, int picture_h,
                      bool clamp);

// The output point at the centre of a picture pixel (so OutputToPicture gives the pixel back).
void PictureToOutput(const PictureFit& fit, Point picture, int picture_w, int picture_h, double& output_x,
                     double& output_y);

} // namespace hk
