// The renderer benchmark's peer, run by renderer_bench: the same triangles,
// lights and material drawn by Mesa's software rasterisers through OSMesa,
// with a fragment shader that lights like ours. The driver is chosen outside
// (GALLIUM_DRIVER=softpipe or llvmpipe, LP_NUM_THREADS=0). Context, shaders
// and vertex buffers are made once and not timed; a frame is clear, draw,
// multisample resolve and finish. Quality 1 is 4x multisampling where the
// driver offers it. Prints "mode quality milliseconds" per measured run.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/osmesa.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

#include "../BenchCommon.h"
#include "BenchScene.h"

namespace {

const char* kVertexShader = R"(#version 130
in vec3 position;
in vec3 normal;
out vec3 scenePos;
out vec3 sceneNormal;
void main() {
    scenePos = position;
    sceneNormal = normal;
    // Frame pixels, y down; larger z is nearer.
    gl_Position = vec4(position.x / 960.0 - 1.0, 1.0 - position.y / 540.0, 1.0 - position.z / 500.0, 1.0);
}
)";

const char* kFragmentShader = R"(#version 130
in vec3 scenePos;
in vec3 sceneNormal;
out vec4 color;
uniform vec3 diffuse;
uniform vec3 specular;
uniform float exponent;
uniform float strength;
uniform float selfIllum;
uniform vec3 lightPos[2];
uniform vec3 lightColor[2];
uniform float intensity[2];
void main() {
    vec3 n = normalize(sceneNormal);
    vec3 c = vec3(0.0);
    for (int i = 0; i < 2; ++i) {
        vec3 l = normalize(lightPos[i] - scenePos);
        float dd = max(dot(l, n) * intensity[i], 0.0);
        float spec = pow(dd, exponent) * strength;
        float dif = dd * (1.0 - selfIllum) + selfIllum;
        c += (spec * specular + dif * diffuse) * lightColor[i];
    }
    color = vec4(clamp(c, 0.0, 1.0), 1.0);
}
)";

struct Peer {
    OSMesaContext context = nullptr;
    std::vector<uint8_t> frame = std::vector<uint8_t>(size_t(bench::kWidth) * bench::kHeight * 4);
    GLuint program = 0;
    GLint maxSamples = 0;
    GLuint msFramebuffer = 0;
    struct Mesh {
        GLuint vao = 0, vbo = 0;
        GLsizei count = 0;
    };
    std::map<int, Mesh> meshes;  // by draw mode

    bool Init(std::string& why) {
        const int attributes[] = {OSMESA_FORMAT, OSMESA_RGBA, OSMESA_DEPTH_BITS, 24, OSMESA_PROFILE,
                                  OSMESA_COMPAT_PROFILE, OSMESA_CONTEXT_MAJOR_VERSION, 3,
                                  OSMESA_CONTEXT_MINOR_VERSION, 0, 0};
        context = OSMesaCreateContextAttribs(attributes, nullptr);
        if (context == nullptr) return why = "no OSMesa context", false;
        if (!OSMesaMakeCurrent(context, frame.data(), GL_UNSIGNED_BYTE, bench::kWidth, bench::kHeight))
            return why = "cannot make the context current", false;
        program = Link(why);
        if (program == 0) return false;
        glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
        if (maxSamples >= 4) {
            GLuint color, depth;
            glGenFramebuffers(1, &msFramebuffer);
            glBindFramebuffer(GL_FRAMEBUFFER, msFramebuffer);
            glGenRenderbuffers(1, &color);
            glBindRenderbuffer(GL_RENDERBUFFER, color);
            glRenderbufferStorageMultisample(GL_RENDERBUFFER, 4, GL_RGBA8, bench::kWidth, bench::kHeight);
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color);
            glGenRenderbuffers(1, &depth);
            glBindRenderbuffer(GL_RENDERBUFFER, depth);
            glRenderbufferStorageMultisample(GL_RENDERBUFFER, 4, GL_DEPTH_COMPONENT24, bench::kWidth, bench::kHeight);
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
            if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) maxSamples = 0;
            glBindFramebuffer(GL_FRAMEBUFFER, 0);
        }
        const bench::BenchScene s;
        Upload(3, bench::Triangles(s, true));
        Upload(6, bench::Triangles(s, false));
        Upload(8, bench::Subdivided(s));
        Upload(9, bench::Patches(s, 4));
        SetMaterial(s);
        glViewport(0, 0, bench::kWidth, bench::kHeight);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glFinish();
        return true;
    }

    static GLuint Compile(GLenum type, const char* text, std::string& why) {
        const GLuint shader = glCreateShader(type);
        glShaderSource(shader, 1, &text, nullptr);
        glCompileShader(shader);
        GLint ok = 0;
        glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
        if (!ok) {
            char log[1024];
            glGetShaderInfoLog(shader, sizeof log, nullptr, log);
            why = log;
            return 0;
        }
        return shader;
    }

    GLuint Link(std::string& why) {
        const GLuint vs = Compile(GL_VERTEX_SHADER, kVertexShader, why);
        const GLuint fs = vs ? Compile(GL_FRAGMENT_SHADER, kFragmentShader, why) : 0;
        if (!fs) return 0;
        const GLuint p = glCreateProgram();
        glAttachShader(p, vs);
        glAttachShader(p, fs);
        glBindAttribLocation(p, 0, "position");
        glBindAttribLocation(p, 1, "normal");
        glBindFragDataLocation(p, 0, "color");
        glLinkProgram(p);
        GLint ok = 0;
        glGetProgramiv(p, GL_LINK_STATUS, &ok);
        if (!ok) return why = "program does not link", 0;
        glUseProgram(p);
        return p;
    }

    void Upload(int mode, const std::vector<bench::Corner>& corners) {
        Mesh& m = meshes[mode];
        glGenVertexArrays(1, &m.vao);
        glBindVertexArray(m.vao);
        glGenBuffers(1, &m.vbo);
        glBindBuffer(GL_ARRAY_BUFFER, m.vbo);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(corners.size() * sizeof(bench::Corner)), corners.data(), GL_STATIC_DRAW);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(bench::Corner), nullptr);
        glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, sizeof(bench::Corner), reinterpret_cast<void*>(3 * sizeof(float)));
        glEnableVertexAttribArray(0);
        glEnableVertexAttribArray(1);
        m.count = GLsizei(corners.size());
    }

    void SetMaterial(const bench::BenchScene& s) {
        auto at = [&](const char* name) { return glGetUniformLocation(program, name); };
        glUniform3fv(at("diffuse"), 1, s.material.diffuse);
        glUniform3fv(at("specular"), 1, s.material.specular);
        glUniform1f(at("exponent"), s.material.shininess * 100.0f);
        glUniform1f(at("strength"), s.material.shineStrength);
        glUniform1f(at("selfIllum"), s.material.selfIllum);
        float pos[6], color[6], intensity[2];
        for (int i = 0; i < 2; ++i) {
            const light3ds& l = s.lights[i];
            pos[3 * i] = l.x, pos[3 * i + 1] = l.y, pos[3 * i + 2] = l.z;
            color[3 * i] = l.r, color[3 * i + 1] = l.g, color[3 * i + 2] = l.b;
            intensity[i] = l.intensity;
        }
        glUniform3fv(at("lightPos"), 2, pos);
        glUniform3fv(at("lightColor"), 2, color);
        glUniform1fv(at("intensity"), 2, intensity);
    }

    void Frame(int mode, bool multisample) {
        const Mesh& m = meshes[mode];
        glBindFramebuffer(GL_FRAMEBUFFER, multisample ? msFramebuffer : 0);
        glClearColor(0.2f, 0.15f, 0.27f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glBindVertexArray(m.vao);
        glDrawArrays(GL_TRIANGLES, 0, m.count);
        if (multisample) {
            glBindFramebuffer(GL_READ_FRAMEBUFFER, msFramebuffer);
            glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
            glBlitFramebuffer(0, 0, bench::kWidth, bench::kHeight, 0, 0, bench::kWidth, bench::kHeight,
                              GL_COLOR_BUFFER_BIT, GL_NEAREST);
        }
        glFinish();
    }
};

}  // namespace

int main() {
    Peer peer;
    std::string why;
    if (!peer.Init(why)) {
        std::fprintf(stderr, "peer: %s\n", why.c_str());
        return 1;
    }
    for (int quality : {0, 1})
        for (int mode : bench::kModes) {
            if (quality && peer.maxSamples < 4) continue;
            peer.Frame(mode, quality != 0);  // warm up
            const double ms = frostel::bench::BestMs(3, [&] { peer.Frame(mode, quality != 0); });
            std::printf("%d %d %.3f\n", mode, quality, ms);
        }
    OSMesaDestroyContext(peer.context);
    return 0;
}
