// Asks an X11 window to close the way a window manager's close button does:
// a WM_DELETE_WINDOW client message to every top-level window whose name
// contains the given text. The smoke run uses it under Xvfb, where no window
// manager is running. Exits 0 if at least one window was asked.
// Usage: close-window NAME
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>

namespace {

bool NameContains(Display* display, Window window, const char* text) {
  char* name = nullptr;
  if (!XFetchName(display, window, &name) || !name) return false;
  const bool found = std::strstr(name, text) != nullptr;
  XFree(name);
  return found;
}

int AskToClose(Display* display, Window parent, const char* text, int depth) {
  Window root = 0, parentOut = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, parent, &root, &parentOut, &children, &count)) return 0;
  int asked = 0;
  for (unsigned i = 0; i < count; ++i) {
    if (NameContains(display, children[i], text)) {
      XEvent event{};
      event.xclient.type = ClientMessage;
      event.xclient.window = children[i];
      event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
      event.xclient.format = 32;
      event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
      event.xclient.data.l[1] = CurrentTime;
      XSendEvent(display, children[i], False, NoEventMask, &event);
      ++asked;
    } else if (depth < 2) {
      asked += AskToClose(display, children[i], text, depth + 1);
    }
  }
  if (children) XFree(children);
  return asked;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: close-window NAME\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "close-window: cannot open the display\n");
    return 2;
  }
  const int asked = AskToClose(display, DefaultRootWindow(display), argv[1], 0);
  XSync(display, False);
  XCloseDisplay(display);
  if (asked == 0) std::fprintf(stderr, "close-window: no window named \"%s\"\n", argv[1]);
  return asked > 0 ? 0 : 1;
}
