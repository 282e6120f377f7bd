// One frame of the OpenGL presenter: the 640 x 480 screen converted through
// GLColors into a texture, drawn centred, the pointer over it and the
// rotating backdrop cube around it.
#pragma once

#include <cstdint>

namespace vsk {

// Rotation of the backdrop cube, in degrees.
extern float RotX, RotY, RotZ;

// Loads the backdrop "Data/vsk.bmp" and makes the textures; 0 on failure.
int GLInitState();
void GLSetViewport(int width, int height);
// Draws one frame and resumes a fade thread once; returns 1.
int GLRenderFrame();

}  // namespace vsk
