// One frame of the OpenGL presenter: the 640 x 480 screen converted through
// GLColors into a texture, drawn centred, the pointer over it and the
// rotating backdrop cube around it.
#pragma once

#include <cstdint>

namespace vsk {

// Rotation of the backdrop cube, in degrees.
extern float RotX, RotY, RotZ;

// For tests and benchmarks: every frame converts and uploads the whole
// screen as RGB and draws the cube over the whole window, as the presenter
// first did. The frames are the same either way.
extern bool GLRedrawEverything;
// For tests: the screen drawn as a textured quad even where the driver
// offers framebuffer copies, as on a driver without them.
extern bool GLScreenAsQuad;

// Loads the backdrop "Data/vsk.bmp" and makes the textures; 0 on failure.
int GLInitState();
void GLSetViewport(int width, int height);
// Draws one frame and resumes a fade thread once; returns 1.
int GLRenderFrame();

}  // namespace vsk
