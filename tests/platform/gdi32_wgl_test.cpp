// OpenGL through WGL as the presenter uses it: format, context, a triangle read back, swap interval, scaling.
#include "platform_test.h"

#include <GL/gl.h>

namespace {

class Wgl : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(RegisterGameClass("VeskariaGL"), 0); }

  void TearDown() override {
    if (context_) {
      wglMakeCurrent(nullptr, nullptr);
      EXPECT_TRUE(wglDeleteContext(context_));
    }
    if (dc_) { EXPECT_EQ(ReleaseDC(window_, dc_), 1); }
    if (window_) DestroyWindow(window_);
    ChangeDisplaySettingsA(nullptr, 0);
    hooks::CaptureGLFrames(false);
    UnregisterClassA("VeskariaGL", nullptr);
  }

  // The presenter's steps: window, device context, pixel format, context.
  // Returns false (and the test is skipped) when there is no OpenGL at all.
  bool Open(int width, int height, DWORD style = WS_POPUP) {
    window_ = CreateWindowExA(WS_EX_APPWINDOW, "VeskariaGL", "GL", style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                              0, 0, width, height, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(window_, nullptr);
    dc_ = GetDC(window_);
    EXPECT_NE(dc_, nullptr);
    PIXELFORMATDESCRIPTOR request{};
    request.nSize = sizeof request;
    request.nVersion = 1;
    request.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    request.iPixelType = PFD_TYPE_RGBA;
    request.cColorBits = 32;
    request.cDepthBits = 16;
    request.iLayerType = PFD_MAIN_PLANE;
    int format = ChoosePixelFormat(dc_, &request);
    if (format == 0) return false;
    EXPECT_FAILS_WITH(wglCreateContext(dc_), nullptr, ERROR_INVALID_PIXEL_FORMAT);  // no format, no context
    EXPECT_TRUE(SetPixelFormat(dc_, format, &request));
    EXPECT_FALSE(SetPixelFormat(dc_, format + 1, &request)) << "a window's format is set once";
    context_ = wglCreateContext(dc_);
    if (!context_) return false;
    EXPECT_EQ(wglGetCurrentContext(), nullptr) << "creating does not make it current";
    EXPECT_TRUE(wglMakeCurrent(dc_, context_));
    EXPECT_EQ(wglGetCurrentContext(), context_);
    return true;
  }

  HWND window_ = nullptr;
  HDC dc_ = nullptr;
  HGLRC context_ = nullptr;
};

void DrawTriangle() {
  glViewport(0, 0, 64, 64);
  glClearColor(1, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glBegin(GL_TRIANGLES);
  glColor3f(0, 1, 0);
  glVertex2f(-1, -1);
  glVertex2f(1, -1);
  glVertex2f(0, 1);
  glEnd();
}

// In a full-screen mode, which scales the window: the game's own frame reads back.
TEST_F(Wgl, ATriangleDrawnThroughWglReadsBack) {
  ASSERT_EQ(FullScreenMode(64, 64), DISP_CHANGE_SUCCESSFUL);
  if (!Open(64, 64)) GTEST_SKIP() << "no OpenGL driver";
  PIXELFORMATDESCRIPTOR described{};
  EXPECT_EQ(DescribePixelFormat(dc_, 1, sizeof described, &described), 1);
  EXPECT_TRUE(described.dwFlags & PFD_DOUBLEBUFFER);
  EXPECT_GE(described.cDepthBits, 16);
  DrawTriangle();
  hooks::CaptureGLFrames(true);
  uint64_t before = hooks::GLFramesPresented();
  EXPECT_TRUE(SwapBuffers(dc_));
  EXPECT_EQ(hooks::GLFramesPresented(), before + 1);
  int width = 0, height = 0;
  std::vector<uint8_t> frame(64 * 64 * 3);
  ASSERT_EQ(hooks::LastGLFrame(&width, &height, frame.data(), frame.size()), frame.size());
  EXPECT_EQ(width, 64);
  EXPECT_EQ(height, 64);
  auto pixel = [&](int x, int y) { return &frame[(static_cast<size_t>(y) * 64 + x) * 3]; };
  EXPECT_EQ(pixel(1, 1)[0], 255) << "top left (top row first) is outside the triangle";
  EXPECT_EQ(pixel(32, 44)[1], 255) << "low in the middle is inside";

  EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr));
  EXPECT_EQ(wglGetCurrentContext(), nullptr);
}

TEST_F(Wgl, TheSwapIntervalExtensionAndTheRefreshRate) {
  if (!Open(64, 64)) GTEST_SKIP() << "no OpenGL driver";
  using SwapInterval = BOOL(WINAPI*)(int);
  using GetSwapInterval = int(WINAPI*)();
  using Any = void (*)();
  auto set = reinterpret_cast<SwapInterval>(reinterpret_cast<Any>(wglGetProcAddress("wglSwapIntervalEXT")));
  auto get = reinterpret_cast<GetSwapInterval>(reinterpret_cast<Any>(wglGetProcAddress("wglGetSwapIntervalEXT")));
  ASSERT_NE(set, nullptr);
  ASSERT_NE(get, nullptr);
  EXPECT_FALSE(set(-1));
  if (set(1)) {
    EXPECT_EQ(get(), 1);
  }
  EXPECT_EQ(wglGetProcAddress("wglChoosePixelFormatARB"), nullptr) << "extensions the layer does not offer";
  EXPECT_NE(wglGetProcAddress("glGenFramebuffers"), nullptr) << "OpenGL functions beyond 1.1";
  EXPECT_GT(GetDeviceCaps(dc_, VREFRESH), 1);

  EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr));
  EXPECT_EQ(wglGetProcAddress("wglSwapIntervalEXT"), nullptr) << "only with a current context";
}

// A resizable window with a caption: the game's own frame is scaled into it, centred.
TEST_F(Wgl, AResizedWindowShowsTheGamesFrameScaledAndCentred) {
  if (!Open(800, 600, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX)) GTEST_SKIP() << "no OpenGL driver";
  SDL_Window* sdl = vsk::platform::SdlWindowOf(window_);
  EXPECT_TRUE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_RESIZABLE);
  ShowWindow(window_, SW_SHOW);
  hooks::CaptureGLFrames(true);
  // The offscreen driver's drawable does not grow with the window: shrunk
  // to 400 x 250, the picture is 333 x 250 from x = 33.
  SDL_SetWindowSize(sdl, 400, 250);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  glViewport(0, 0, 800, 600);  // red, a green square at the bottom left
  glClearColor(1, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_SCISSOR_TEST);
  glScissor(0, 0, 100, 100);
  glClearColor(0, 1, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
  ASSERT_TRUE(SwapBuffers(dc_));

  int width = 0, height = 0;
  std::vector<uint8_t> frame(800 * 600 * 3), picture(400 * 250 * 3);
  ASSERT_EQ(hooks::LastGLFrame(&width, &height, frame.data(), frame.size()), frame.size());
  EXPECT_EQ(width, 800);
  EXPECT_EQ(frame[(300 * 800 + 400) * 3], 255) << "the game's frame is its own";
  EXPECT_EQ(frame[(599 * 800 + 0) * 3 + 1], 255);
  ASSERT_EQ(hooks::LastGLWindowPicture(&width, &height, picture.data(), picture.size()), picture.size());
  EXPECT_EQ(width, 400);
  // (x, y, red, green): bars left and right, the red frame, the green square.
  const int points[][4] = {{10, 125, 0, 0}, {200, 125, 255, 0}, {390, 125, 0, 0}, {45, 240, 0, 255}};
  for (const auto& p : points)
    EXPECT_EQ(std::make_pair(picture[(p[1] * 400 + p[0]) * 3], picture[(p[1] * 400 + p[0]) * 3 + 1]),
              std::make_pair(uint8_t(p[2]), uint8_t(p[3]))) << p[0] << "," << p[1];
}

TEST_F(Wgl, HandlesThatAreNotDeviceContextsOrContextsFail) {
  int bogus = 0;
  EXPECT_FAILS_WITH(ChoosePixelFormat(reinterpret_cast<HDC>(&bogus), nullptr), 0, ERROR_INVALID_HANDLE);
  EXPECT_FALSE(wglMakeCurrent(nullptr, reinterpret_cast<HGLRC>(&bogus)));
  EXPECT_FALSE(wglDeleteContext(reinterpret_cast<HGLRC>(&bogus)));
  EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr)) << "releasing when nothing is current";
}

}  // namespace
