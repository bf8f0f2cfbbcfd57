// opengl: the runtime opens a window with a current OpenGL context; the program draws with GL
// itself and calls the driver's flip once per frame, which also delivers the keys. Any key ends it.
#include <cstdio>

#include <qx/qx.h>

namespace {

constexpr int WIDTH = 640;
constexpr int HEIGHT = 480;
constexpr unsigned GL_COLOR_BUFFER_BIT = 0x4000;
constexpr unsigned GL_TRIANGLES = 0x0004;

// The few OpenGL 1.1 calls this program makes, looked up in the library the driver opened.
struct Gl {
    void (*Viewport)(int x, int y, int width, int height);
    void (*ClearColor)(float red, float green, float blue, float alpha);
    void (*Clear)(unsigned mask);
    void (*Begin)(unsigned mode);
    void (*Color3f)(float red, float green, float blue);
    void (*Vertex2f)(float x, float y);
    void (*End)();
};

bool load_gl(Gl* gl) {
    void* symbols[] = {qx::opengl_symbol("glViewport"), qx::opengl_symbol("glClearColor"),
                       qx::opengl_symbol("glClear"),    qx::opengl_symbol("glBegin"),
                       qx::opengl_symbol("glColor3f"),  qx::opengl_symbol("glVertex2f"),
                       qx::opengl_symbol("glEnd")};
    for (void* symbol : symbols) {
        if (symbol == nullptr) return false;
    }
    gl->Viewport = reinterpret_cast<decltype(gl->Viewport)>(symbols[0]);
    gl->ClearColor = reinterpret_cast<decltype(gl->ClearColor)>(symbols[1]);
    gl->Clear = reinterpret_cast<decltype(gl->Clear)>(symbols[2]);
    gl->Begin = reinterpret_cast<decltype(gl->Begin)>(symbols[3]);
    gl->Color3f = reinterpret_cast<decltype(gl->Color3f)>(symbols[4]);
    gl->Vertex2f = reinterpret_cast<decltype(gl->Vertex2f)>(symbols[5]);
    gl->End = reinterpret_cast<decltype(gl->End)>(symbols[6]);
    return true;
}

// Red at the top, green at the bottom left, blue at the bottom right, on a dark blue ground.
void draw_triangle(const Gl& gl) {
    gl.Viewport(0, 0, WIDTH, HEIGHT);
    gl.ClearColor(0.0f, 0.0f, 0.25f, 1.0f);
    gl.Clear(GL_COLOR_BUFFER_BIT);
    gl.Begin(GL_TRIANGLES);
    gl.Color3f(1.0f, 0.0f, 0.0f);
    gl.Vertex2f(0.0f, 0.8f);
    gl.Color3f(0.0f, 1.0f, 0.0f);
    gl.Vertex2f(-0.8f, -0.8f);
    gl.Color3f(0.0f, 0.0f, 1.0f);
    gl.Vertex2f(0.8f, -0.8f);
    gl.End();
}

}  // namespace

int main(int argc, char** argv) {
    qx::runtime_init(argc, argv);
    qx::run_module_init_hooks();
    // SCREEN_OPENGL asks for the "OpenGL" driver: no framebuffer is shown, GL draws instead.
    Gl gl{};
    if (qx::screen_res(WIDTH, HEIGHT, 32, 1, qx::SCREEN_OPENGL, 0) != 0) {
        std::printf("no OpenGL screen here: %s\n", qx::error_text());
        qx::runtime_end(1);
    }
    if (!load_gl(&gl)) {
        qx::ScreenInfo info{};
        qx::screen_info(&info);
        std::printf("no OpenGL screen here: the %s driver offers no GL\n", info.driver);
        qx::runtime_end(1);
    }
    while (qx::read_key_text().length == 0) {
        draw_triangle(gl);
        if (qx::flip_screen() != 0) break;  // keys and window events, then the swap
        qx::sleep_ms(10);
    }
    qx::runtime_end(0);
}
