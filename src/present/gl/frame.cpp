#include "present/gl/frame.h"

#include <windows.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <atomic>
#include <cmath>
#include <cstring>

#include "core/presenter_state.h"
#include "gfx/bitmap.h"
#include "pictures/fade.h"
#include "platform/files.h"
#include "present/gl/bmp.h"
#include "present/gl/convert.h"
#include "services/memory.h"

namespace vsk {

float RotX = 0, RotY = 0, RotZ = 0;
bool GLRedrawEverything = false;
bool GLScreenAsQuad = false;

namespace {

constexpr int kTextureSide = 1024;
constexpr uint32_t kTextureBlock = kTextureSide * kTextureSide * 4;  // zeros for the new textures
constexpr int kPointerWidth = 32;
constexpr int kPointerHeight = 27;

GLuint gScreenTexture = 0;
// The screen texture as a framebuffer to copy from, where the driver has
// framebuffer objects: a copy costs the driver a memory copy where a
// textured quad costs a fragment per pixel. 0 without them.
GLuint gScreenFramebuffer = 0;
GLuint gPointerTexture = 0;
GLuint gBackdropTexture = 0;
GLint gScreenFilter = GL_LINEAR;

struct Face {
  float s[4], t[4], x[4], y[4], z[4];
};
const Face kCube[6] = {
    {{0, 1, 1, 0}, {0, 0, 1, 1}, {-1, 1, 1, -1}, {-1, -1, 1, 1}, {1, 1, 1, 1}},        // front
    {{1, 1, 0, 0}, {0, 1, 1, 0}, {-1, -1, 1, 1}, {-1, 1, 1, -1}, {-1, -1, -1, -1}},    // back
    {{0, 0, 1, 1}, {1, 0, 0, 1}, {-1, -1, 1, 1}, {1, 1, 1, 1}, {-1, 1, 1, -1}},        // top
    {{1, 0, 0, 1}, {1, 1, 0, 0}, {-1, 1, 1, -1}, {-1, -1, -1, -1}, {-1, -1, 1, 1}},    // bottom
    {{1, 1, 0, 0}, {0, 1, 1, 0}, {1, 1, 1, 1}, {-1, 1, 1, -1}, {-1, -1, 1, 1}},        // right
    {{0, 1, 1, 0}, {0, 0, 1, 1}, {-1, -1, -1, -1}, {-1, -1, 1, 1}, {-1, 1, 1, -1}},    // left
};

// Framebuffer-object entry points (OpenGL 3.0, ARB_framebuffer_object),
// asked of the driver at start; without them the screen is drawn as a quad.
constexpr GLenum kReadFramebuffer = 0x8CA8;         // GL_READ_FRAMEBUFFER
constexpr GLenum kReadFramebufferBinding = 0x8CAA;  // GL_READ_FRAMEBUFFER_BINDING
constexpr GLenum kColorAttachment0 = 0x8CE0;        // GL_COLOR_ATTACHMENT0
constexpr GLenum kFramebufferComplete = 0x8CD5;     // GL_FRAMEBUFFER_COMPLETE
struct FramebufferCalls {
  void(APIENTRY* Gen)(GLsizei, GLuint*) = nullptr;
  void(APIENTRY* Delete)(GLsizei, const GLuint*) = nullptr;
  void(APIENTRY* Bind)(GLenum, GLuint) = nullptr;
  void(APIENTRY* Texture2D)(GLenum, GLenum, GLenum, GLuint, GLint) = nullptr;
  GLenum(APIENTRY* Check)(GLenum) = nullptr;
  void(APIENTRY* Blit)(GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLbitfield, GLenum) = nullptr;
};
FramebufferCalls gFramebufferCalls;

template <typename Function>
void Load(Function& function, const char* name) {
  // Through void (*)(): a cast between unrelated function types warns.
  function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(wglGetProcAddress(name)));
}

// The screen texture attached to a framebuffer of its own, or 0.
GLuint MakeScreenFramebuffer() {
  FramebufferCalls& calls = gFramebufferCalls;
  Load(calls.Gen, "glGenFramebuffers");
  Load(calls.Delete, "glDeleteFramebuffers");
  Load(calls.Bind, "glBindFramebuffer");
  Load(calls.Texture2D, "glFramebufferTexture2D");
  Load(calls.Check, "glCheckFramebufferStatus");
  Load(calls.Blit, "glBlitFramebuffer");
  if (!calls.Gen || !calls.Delete || !calls.Bind || !calls.Texture2D || !calls.Check || !calls.Blit) return 0;
  GLint previous = 0;
  glGetIntegerv(kReadFramebufferBinding, &previous);
  GLuint framebuffer = 0;
  calls.Gen(1, &framebuffer);
  calls.Bind(kReadFramebuffer, framebuffer);
  calls.Texture2D(kReadFramebuffer, kColorAttachment0, GL_TEXTURE_2D, gScreenTexture, 0);
  const bool complete = calls.Check(kReadFramebuffer) == kFramebufferComplete;
  calls.Bind(kReadFramebuffer, static_cast<GLuint>(previous));
  if (complete) return framebuffer;
  calls.Delete(1, &framebuffer);
  return 0;
}

void DrawCube() {
  glBegin(GL_QUADS);
  for (const Face& face : kCube)
    for (int c = 0; c < 4; ++c) {
      glTexCoord2f(face.s[c], face.t[c]);
      glVertex3f(face.x[c], face.y[c], face.z[c]);
    }
  glEnd();
}

// What the textures hold now: the screen's indices and the colours they
// were converted with, and the pointer image. A frame uploads only what
// differs, so a screen that waits costs a comparison instead of a
// conversion and an upload.
struct Uploaded {
  bool valid = false;  // false until the first upload into new textures
  uint8_t pixels[kScreenWidth * kScreenHeight];
  ColorEntry colors[256];
  bool pointerValid = false;
  uint8_t pointer[kPointerWidth * kPointerHeight];
  ColorEntry pointerColors[256];
};
Uploaded gUploaded;

void UploadPointer() {
  if (!GLRedrawEverything && gUploaded.pointerValid && PointerImage &&
      std::memcmp(gUploaded.pointer, PointerImage, sizeof gUploaded.pointer) == 0 &&
      std::memcmp(gUploaded.pointerColors, GLColors, sizeof GLColors) == 0)
    return;
  uint8_t rgba[kPointerWidth * kPointerHeight * 4];
  const auto* colors = reinterpret_cast<const uint8_t*>(GLColors);
  for (int i = 0; i < kPointerWidth * kPointerHeight; ++i) {
    const uint8_t index = PointerImage ? PointerImage[i] : 0;
    std::memcpy(rgba + 4 * i, colors + 4 * index, 3);
    rgba[4 * i + 3] = index ? 255 : 0;
  }
  glBindTexture(GL_TEXTURE_2D, gPointerTexture);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kPointerWidth, kPointerHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  gUploaded.pointerValid = PointerImage != nullptr;
  if (PointerImage) std::memcpy(gUploaded.pointer, PointerImage, sizeof gUploaded.pointer);
  std::memcpy(gUploaded.pointerColors, GLColors, sizeof GLColors);
}

// Every frame converted to RGB and uploaded, as the presenter first did:
// kept for comparison behind GLRedrawEverything.
void UploadWholeScreen() {
  auto* rgb = static_cast<uint8_t*>(AllocVec(kScreenWidth * kScreenHeight * 3, MEMF_PUBLIC));
  if (!rgb) return;
  // The game thread may release the screen meanwhile: it waits for the flag
  // before it frees what it took away from TheScreen.
  ScreenBeingRead.store(true);
  Screen* screen = std::atomic_ref<Screen*>(TheScreen).load();
  BitMap* bitmap = screen ? std::atomic_ref<BitMap*>(screen->BitMap).load() : nullptr;
  const bool shown = bitmap && bitmap->Pixels;
  if (shown) ConvertScreen(bitmap->Pixels, bitmap->BytesPerRow, reinterpret_cast<const uint8_t*>(GLColors), rgb);
  ScreenBeingRead.store(false);
  if (!shown) {
    FreeVec(rgb);
    return;
  }
  GLint alignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glBindTexture(GL_TEXTURE_2D, gScreenTexture);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kScreenWidth, kScreenHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb);
  glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
  FreeVec(rgb);
  gUploaded.valid = false;
}

// The screen's indices and colours compared with what the texture holds,
// in strips of rows: only a strip whose indices changed, or that uses a
// colour that changed (the colour cycle's few registers), is converted (to
// RGBA, which the driver stores as it is) and uploaded.
void UploadScreen() {
  constexpr uint32_t kStrip = 16;
  static_assert(kScreenHeight % kStrip == 0);
  ScreenBeingRead.store(true);
  Screen* screen = std::atomic_ref<Screen*>(TheScreen).load();
  BitMap* bitmap = screen ? std::atomic_ref<BitMap*>(screen->BitMap).load() : nullptr;
  const bool shown = bitmap && bitmap->Pixels;
  bool stripChanged[kScreenHeight / kStrip] = {};
  for (uint32_t y = 0; shown && y < kScreenHeight; ++y) {
    const uint8_t* row = bitmap->Pixels + static_cast<size_t>(y) * bitmap->BytesPerRow;
    uint8_t* kept = gUploaded.pixels + static_cast<size_t>(y) * kScreenWidth;
    if (gUploaded.valid && std::memcmp(kept, row, kScreenWidth) == 0) continue;
    stripChanged[y / kStrip] = true;
    std::memcpy(kept, row, kScreenWidth);
  }
  ScreenBeingRead.store(false);
  if (!shown) return;

  bool colourChanged[256];
  bool anyColour = false;
  for (int i = 0; i < 256; ++i) {
    colourChanged[i] = std::memcmp(&gUploaded.colors[i], &GLColors[i], 3) != 0;
    anyColour = anyColour || colourChanged[i];
  }
  std::memcpy(gUploaded.colors, GLColors, sizeof GLColors);
  uint8_t* rgba = nullptr;
  for (uint32_t strip = 0; strip < kScreenHeight / kStrip; ++strip) {
    const uint8_t* kept = gUploaded.pixels + static_cast<size_t>(strip) * kStrip * kScreenWidth;
    bool changed = !gUploaded.valid || stripChanged[strip];
    for (uint32_t i = 0; !changed && anyColour && i < kStrip * kScreenWidth; ++i) changed = colourChanged[kept[i]];
    if (!changed) continue;
    if (!rgba) rgba = static_cast<uint8_t*>(AllocVec(kStrip * kScreenWidth * 4, MEMF_PUBLIC));
    if (!rgba) {
      gUploaded.valid = false;  // everything again next frame
      return;
    }
    // Stored bottom row first, as the window's rows count, so that a copy
    // to the window needs no flip.
    for (uint32_t r = 0; r < kStrip; ++r)
      ConvertRowsRGBA(kept + r * kScreenWidth, kScreenWidth, 1, reinterpret_cast<const uint8_t*>(gUploaded.colors),
                      rgba + (kStrip - 1 - r) * kScreenWidth * 4);
    glBindTexture(GL_TEXTURE_2D, gScreenTexture);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, static_cast<GLint>(kScreenHeight - (strip + 1) * kStrip), kScreenWidth,
                    kStrip, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  }
  FreeVec(rgba);
  gUploaded.valid = true;
}

// Draws once for each band around the screen image, scissored to it. Each
// band reaches a pixel into the image, so that a window whose middle is not
// on a whole pixel leaves no gap.
template <typename Draw>
void InBands(float w, float h, Draw draw) {
  const int width = static_cast<int>(w), height = static_cast<int>(h);
  const int left = static_cast<int>(std::ceil(w / 2 - 320)), right = static_cast<int>(std::floor(w / 2 + 320));
  const int top = static_cast<int>(std::ceil(h / 2 - 240)), bottom = static_cast<int>(std::floor(h / 2 + 240));
  // Scissor boxes count rows from the bottom of the window.
  const int bands[4][4] = {{0, height - top, width, top},
                           {0, 0, width, height - bottom},
                           {0, height - bottom, left, bottom - top},
                           {right, height - bottom, width - right, bottom - top}};
  glEnable(GL_SCISSOR_TEST);
  for (const auto& band : bands) {
    if (band[2] <= 0 || band[3] <= 0) continue;
    glScissor(band[0], band[1], band[2], band[3]);
    draw();
  }
  glDisable(GL_SCISSOR_TEST);
}

// A textured rectangle; flipped, the texture's first row is at the bottom.
void Quad(float x0, float y0, float x1, float y1, float s1, float t1, bool flipped = false) {
  const float tTop = flipped ? t1 : 0, tBottom = flipped ? 0 : t1;
  glBegin(GL_QUADS);
  glTexCoord2f(0, tBottom);
  glVertex3f(x0, y1, 0);
  glTexCoord2f(s1, tBottom);
  glVertex3f(x1, y1, 0);
  glTexCoord2f(s1, tTop);
  glVertex3f(x1, y0, 0);
  glTexCoord2f(0, tTop);
  glVertex3f(x0, y0, 0);
  glEnd();
}

// The screen image centred in the window and the pointer over it, in window
// pixels.
void DrawScreenAndPointer(float w, float h, GLint filter) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, w, h, 0, 0, 128);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glBindTexture(GL_TEXTURE_2D, gScreenTexture);
  if (filter != gScreenFilter) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    gScreenFilter = filter;
  }
  if (GLRedrawEverything) {
    Quad(w / 2 - 320, h / 2 - 240, w / 2 + 320, h / 2 + 240, 0.625f, 0.46875f);
  } else if (gScreenFramebuffer && !GLScreenAsQuad) {
    // The pixels the quad would cover: those whose centres lie inside it.
    const GLint left = static_cast<GLint>(std::ceil(w / 2 - 320 - 0.5f));
    const GLint top = static_cast<GLint>(std::ceil(h / 2 - 240 - 0.5f));
    const GLint bottom = static_cast<GLint>(h) - top - static_cast<GLint>(kScreenHeight);
    GLint previous = 0;
    glGetIntegerv(kReadFramebufferBinding, &previous);
    gFramebufferCalls.Bind(kReadFramebuffer, gScreenFramebuffer);
    gFramebufferCalls.Blit(0, 0, kScreenWidth, kScreenHeight, left, bottom, left + kScreenWidth,
                           bottom + kScreenHeight, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    gFramebufferCalls.Bind(kReadFramebuffer, static_cast<GLuint>(previous));
  } else {
    // The texture holds the screen bottom row first.
    Quad(w / 2 - 320, h / 2 - 240, w / 2 + 320, h / 2 + 240, 0.625f, 0.46875f, true);
  }

  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, 0.1f);
  glBindTexture(GL_TEXTURE_2D, gPointerTexture);
  const float px = static_cast<float>(PointerX.load()), py = static_cast<float>(PointerY.load());
  Quad(px, py, px + 32, py + 32, 1.0f, 1.0f);
  glDisable(GL_ALPHA_TEST);
}

// The cube's projection and its turn of this frame, its backdrop bound.
void RotatedCube(float w, float h) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, w / h, 0.1, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(0, 0, -3);
  glRotatef(RotX, 1, 0, 0);
  glRotatef(RotY, 0, 1, 0);
  glRotatef(RotZ, 0, 0, 1);
  glBindTexture(GL_TEXTURE_2D, gBackdropTexture);
}

void MakeTexture(GLuint texture, GLint components, int width, int height, GLenum format, const void* data) {
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexImage2D(GL_TEXTURE_2D, 0, components, width, height, 0, format, GL_UNSIGNED_BYTE, data);
}

}  // namespace

int GLInitState() {
  if (!platform::CanRead("Data/vsk.bmp")) return 0;
  RGBImage* image = LoadBMPImage("Data/vsk.bmp");
  if (!image) return 0;
  glGenTextures(1, &gBackdropTexture);
  MakeTexture(gBackdropTexture, 3, image->width, image->height, GL_RGB, image->data);
  FreeRGBImage(image);

  glGenTextures(1, &gScreenTexture);
  glGenTextures(1, &gPointerTexture);
  gUploaded.valid = false;
  gUploaded.pointerValid = false;
  gScreenFilter = GL_LINEAR;
  // The screen texture holds RGBA, as the strips are uploaded: the driver
  // then stores them as they are instead of converting every texel.
  void* zeros = AllocVec(kTextureBlock, MEMF_CLEAR);
  if (!zeros) return 0;
  MakeTexture(gScreenTexture, 4, kTextureSide, kTextureSide, GL_RGBA, zeros);
  MakeTexture(gPointerTexture, 4, 32, 32, GL_RGBA, zeros);
  FreeVec(zeros);
  gScreenFramebuffer = MakeScreenFramebuffer();

  glEnable(GL_TEXTURE_2D);
  glShadeModel(GL_SMOOTH);
  glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  return 1;
}

void GLSetViewport(int width, int height) {
  if (height == 0) height = 1;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, static_cast<double>(width) / height, 0.1, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

int GLRenderFrame() {
  if (TheScreen) {
    UploadPointer();
    if (GLRedrawEverything) {
      UploadWholeScreen();
    } else {
      UploadScreen();
    }
  }
  const float w = static_cast<float>(WindowWidth), h = static_cast<float>(WindowHeight);
  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK);
  glEnable(GL_TEXTURE_2D);
  if (GLRedrawEverything) {
    // The screen and the pointer first, then the cube behind them, kept out
    // of them by the depth test.
    glEnable(GL_DEPTH_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawScreenAndPointer(w, h, GL_LINEAR);
    RotatedCube(w, h);
    DrawCube();
  } else {
    // The cube only in the bands around the screen, then the screen and the
    // pointer over it: the cube's front faces never overlap (it is convex
    // and its back faces are culled) and whatever it drew into the screen's
    // edge is covered again, so no depth buffer is needed and every pixel
    // comes out as with the depth test.
    glDisable(GL_DEPTH_TEST);
    glClear(GL_COLOR_BUFFER_BIT);
    RotatedCube(w, h);
    InBands(w, h, DrawCube);
    // The screen's texels meet the window's pixels one to one, at their
    // centres, where nearest and linear sampling agree; nearest costs less.
    DrawScreenAndPointer(w, h, GL_NEAREST);
  }
  RotX += 0.3f;
  RotY += 0.2f;
  RotZ += 0.4f;

  // A fade shows at most one visible step per frame.
  if (HANDLE fade = FadeThreadHandle.load()) ResumeThread(fade);
  return 1;
}

}  // namespace vsk
