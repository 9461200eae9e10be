// Starts a program on an X server and tells how long it took until a window of the given
// size was first painted, seen from outside the program: the root window is made a
// colour no program paints, and a newly mapped Qt window (which has no background of
// its own) shows that colour until its first paint covers it.
//
//   kovantel_paintwatch WIDTH HEIGHT TIMEOUT_MS PROGRAM [ARGS...]
//
// Prints "painted_ms=<milliseconds from start to first paint>" and ends the program.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

struct Found
{
    bool viewable = false;
    int x = 0, y = 0;
};

// The top-level window of that size, if one is mapped (without a window manager the
// program's window is a child of the root).
Found findWindow(Display* dpy, Window root, int width, int height)
{
    Found found;
    Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(dpy, root, &rootReturn, &parent, &children, &count))
        return found;
    for (unsigned i = 0; i < count && !found.viewable; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(dpy, children[i], &a) && a.map_state == IsViewable && a.width == width &&
            a.height == height) {
            found.viewable = true;
            found.x = a.x;
            found.y = a.y;
        }
    }
    if (children)
        XFree(children);
    return found;
}

bool isMarker(Display* dpy, Window root, int x, int y, unsigned long marker)
{
    XImage* image = XGetImage(dpy, root, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return true;
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return pixel == marker;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s WIDTH HEIGHT TIMEOUT_MS PROGRAM [ARGS...]\n", argv[0]);
        return 2;
    }
    const int width = std::atoi(argv[1]);
    const int height = std::atoi(argv[2]);
    const double timeout = std::atof(argv[3]);
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "cannot open X display %s\n", XDisplayName(nullptr));
        return 2;
    }
    const int screen = DefaultScreen(dpy);
    const Window root = RootWindow(dpy, screen);
    XColor magenta{}, exact{};
    XAllocNamedColor(dpy, DefaultColormap(dpy, screen), "magenta", &magenta, &exact);
    XSetWindowBackground(dpy, root, magenta.pixel);
    XClearWindow(dpy, root);
    XSync(dpy, False);
    // A window of an earlier run may still be going away.
    for (int i = 0; i < 200 && findWindow(dpy, root, width, height).viewable; ++i)
        usleep(5000);

    const double start = nowMs();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[4], argv + 4);
        std::perror("exec");
        _exit(127);
    }
    double painted = -1;
    while (nowMs() - start < timeout) {
        const Found w = findWindow(dpy, root, width, height);
        if (w.viewable) {
            // Both corners and the middle: the first paint covers the whole window at once.
            const int points[3][2] = {
                {w.x + 2, w.y + 2}, {w.x + width / 2, w.y + height / 2}, {w.x + width - 3, w.y + height - 3}};
            bool all = true;
            for (const auto& p : points)
                all = all && !isMarker(dpy, root, p[0], p[1], magenta.pixel);
            if (all) {
                painted = nowMs() - start;
                break;
            }
        }
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            std::fprintf(stderr, "the program ended before it painted\n");
            return 1;
        }
        usleep(500);
    }
    // Asked first, so that a wrapper such as a profiler can finish its work.
    kill(child, SIGTERM);
    for (int i = 0; i < 400 && waitpid(child, nullptr, WNOHANG) != child; ++i)
        usleep(5000);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    XCloseDisplay(dpy);
    if (painted < 0) {
        std::fprintf(stderr, "no painted window within %.0f ms\n", timeout);
        return 1;
    }
    std::printf("painted_ms=%.1f\n", painted);
    return 0;
}
