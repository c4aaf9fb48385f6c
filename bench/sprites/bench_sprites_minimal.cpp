// The sprite benchmark's ceiling: N moving, rotating 32x32 sprites drawn by the shortest path SDL2 and
// OpenGL 3.3 allow: one vertex buffer refilled per frame, one draw call. Prints the frames per second
// over the measured seconds.
//   bench_sprites_minimal N [SECONDS]
#include <epoxy/gl.h>
#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kWidth = 800, kHeight = 600, kSize = 32;

struct Vertex {
  float x, y, u, v;
  uint32_t colour;
};

struct Sprite {
  float x, y, dx, dy, angle;
};

GLuint Compile(GLenum kind, const char* text) {
  GLuint s = glCreateShader(kind);
  glShaderSource(s, 1, &text, nullptr);
  glCompileShader(s);
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 1000;
  const double seconds = argc > 2 ? std::atof(argv[2]) : 3.0;
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_Window* window = SDL_CreateWindow("minimal", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
  if (window == nullptr || SDL_GL_CreateContext(window) == nullptr) return 1;
  SDL_GL_SetSwapInterval(0);

  const char* vs =
      "#version 330 core\nlayout(location=0) in vec2 p; layout(location=1) in vec2 t; layout(location=2) in vec4 c;\n"
      "out vec2 vt; out vec4 vc;\n"
      "void main(){ vt=t; vc=c; gl_Position=vec4(p.x/400.0-1.0, 1.0-p.y/300.0, 0.0, 1.0); }\n";
  const char* fs =
      "#version 330 core\nin vec2 vt; in vec4 vc; uniform sampler2D s; out vec4 o;\n"
      "void main(){ o=texture(s, vt)*vc; }\n";
  GLuint program = glCreateProgram();
  glAttachShader(program, Compile(GL_VERTEX_SHADER, vs));
  glAttachShader(program, Compile(GL_FRAGMENT_SHADER, fs));
  glLinkProgram(program);
  glUseProgram(program);

  // The same image as the other two sides: a filled circle with a soft rim, opaque inside.
  std::vector<uint32_t> pixels(kSize * kSize);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const float d = std::hypot(x + 0.5f - 16.0f, y + 0.5f - 16.0f);
      const uint32_t a = d < 14 ? 255 : d < 16 ? uint32_t((16 - d) * 127) : 0;
      pixels[y * kSize + x] = (a << 24) | (0x40u << 16) | (0xC0u << 8) | 0xF0u;
    }
  }
  GLuint texture;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kSize, kSize, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

  GLuint vao, vbo;
  glGenVertexArrays(1, &vao);
  glBindVertexArray(vao);
  glGenBuffers(1, &vbo);
  glBindBuffer(GL_ARRAY_BUFFER, vbo);
  glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), (void*)0);
  glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), (void*)8);
  glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(Vertex), (void*)16);
  for (int a = 0; a < 3; ++a) glEnableVertexAttribArray(a);

  std::vector<Sprite> sprites(n);
  uint64_t seed = 12345;  // the Park-Miller generator, exact in doubles on the other two sides
  auto next = [&seed] { seed = seed * 16807 % 2147483647; return float(double(seed) / 2147483647.0); };
  for (Sprite& s : sprites) s = {next() * kWidth, next() * kHeight, next() * 4 - 2, next() * 4 - 2, next() * 360};
  std::vector<Vertex> vertices(size_t(n) * 6);

  const uint64_t frequency = SDL_GetPerformanceFrequency();
  const uint64_t start = SDL_GetPerformanceCounter();
  uint64_t measureStart = 0;
  int frames = 0;
  for (;;) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
      if (e.type == SDL_QUIT) return 0;
    }
    Vertex* v = vertices.data();
    for (Sprite& s : sprites) {
      s.x += s.dx;
      s.y += s.dy;
      if (s.x < 0 || s.x > kWidth) s.dx = -s.dx;
      if (s.y < 0 || s.y > kHeight) s.dy = -s.dy;
      s.angle += 1;
      const float r = s.angle * 3.1415927f / 180.0f, c = std::cos(r), sn = std::sin(r);
      const float px[4] = {-16, 16, 16, -16}, py[4] = {-16, -16, 16, 16}, u[4] = {0, 1, 1, 0}, w[4] = {0, 0, 1, 1};
      Vertex q[4];
      for (int k = 0; k < 4; ++k) q[k] = {s.x + c * px[k] + sn * py[k], s.y - sn * px[k] + c * py[k], u[k], w[k], 0xFFFFFFFFu};
      *v++ = q[0]; *v++ = q[1]; *v++ = q[2]; *v++ = q[2]; *v++ = q[3]; *v++ = q[0];
    }
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size() * sizeof(Vertex)), nullptr, GL_STREAM_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(vertices.size() * sizeof(Vertex)), vertices.data());
    glDrawArrays(GL_TRIANGLES, 0, GLsizei(vertices.size()));
    SDL_GL_SwapWindow(window);
    const double elapsed = double(SDL_GetPerformanceCounter() - start) / double(frequency);
    if (measureStart == 0 && elapsed >= 1.0) {  // one second of warm-up
      glFinish();
      measureStart = SDL_GetPerformanceCounter();
      frames = 0;
    } else if (measureStart != 0) {
      ++frames;
      const double measured = double(SDL_GetPerformanceCounter() - measureStart) / double(frequency);
      if (measured >= seconds) {
        std::printf("fps %.1f\n", frames / measured);
        return 0;
      }
    }
  }
}
