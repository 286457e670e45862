// One display turn's 3D passes: the dynamic-texture passes (256 by 256, far plane 100), then the
// main pass into the window (far plane 1000). Matrices arrive row-major and are transposed only
// for OpenGL. The off-screen target below is a GL object owned by this file for the life of the
// process (the engine has one context).
#include "render/frame.h"

#include <GL/glut.h>
#include <GL/glx.h>

#include <cstring>

#include "core/list.h"
#include "render/camera.h"
#include "render/draw.h"
#include "scene/node.h"
#include "scene/scene.h"
#include "texture/registry.h"

namespace {

// The aspect the main pass used last; a window of height 0 keeps it.
double lastValidAspect = 800.0 / 600.0;

// A 256 by 256 framebuffer object for the dynamic passes when the window is too small to hold
// them: reading pixels outside the window gives undefined content.
constexpr GLenum FRAMEBUFFER = 0x8D40;
constexpr GLenum RENDERBUFFER = 0x8D41;
constexpr GLenum COLOR_ATTACHMENT0 = 0x8CE0;
constexpr GLenum DEPTH_ATTACHMENT = 0x8D00;
constexpr GLenum FRAMEBUFFER_COMPLETE = 0x8CD5;
constexpr GLenum DEPTH_COMPONENT24 = 0x81A6;

using GenFn = void (*)(GLsizei, GLuint*);
using DeleteFn = void (*)(GLsizei, const GLuint*);
using BindFn = void (*)(GLenum, GLuint);
using StorageFn = void (*)(GLenum, GLenum, GLsizei, GLsizei);
using AttachFn = void (*)(GLenum, GLenum, GLenum, GLuint);
using StatusFn = GLenum (*)(GLenum);

struct OffscreenTarget {
    bool tried;
    bool ready;
    GLuint framebuffer;
    GLuint colour;
    GLuint depth;
    BindFn bindFramebuffer;
};

OffscreenTarget offscreen{};

bool hasExtension(const char* name) {
    const char* all = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (all == nullptr) return false;
    const size_t length = std::strlen(name);
    for (const char* at = std::strstr(all, name); at != nullptr; at = std::strstr(at + 1, name)) {
        const bool startsWord = at == all || at[-1] == ' ';
        if (startsWord && (at[length] == ' ' || at[length] == '\0')) return true;
    }
    return false;
}

int glMajorVersion() {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    return version != nullptr && version[0] >= '0' && version[0] <= '9' ? version[0] - '0' : 0;
}

template <typename Fn> Fn entryPoint(const char* name) {
    return reinterpret_cast<Fn>(glXGetProcAddress(reinterpret_cast<const GLubyte*>(name)));
}

// Builds the target once; afterwards tells whether it exists.
bool offscreenReady() {
    if (offscreen.tried) return offscreen.ready;
    offscreen.tried = true;
    // GL 3.0 framebuffers and the EXT extension share their enumerants; only the names differ.
    const char* suffix = nullptr;
    if (glMajorVersion() >= 3) {
        suffix = "";
    } else if (hasExtension("GL_EXT_framebuffer_object")) {
        suffix = "EXT";
    } else {
        return false;
    }
    auto name = [suffix](const char* base, char* out) {
        std::strcpy(out, base);
        std::strcat(out, suffix);
        return out;
    };
    char buffer[64];
    auto genFramebuffers = entryPoint<GenFn>(name("glGenFramebuffers", buffer));
    auto deleteFramebuffers = entryPoint<DeleteFn>(name("glDeleteFramebuffers", buffer));
    auto bindFramebuffer = entryPoint<BindFn>(name("glBindFramebuffer", buffer));
    auto genRenderbuffers = entryPoint<GenFn>(name("glGenRenderbuffers", buffer));
    auto deleteRenderbuffers = entryPoint<DeleteFn>(name("glDeleteRenderbuffers", buffer));
    auto bindRenderbuffer = entryPoint<BindFn>(name("glBindRenderbuffer", buffer));
    auto storage = entryPoint<StorageFn>(name("glRenderbufferStorage", buffer));
    auto attach = entryPoint<AttachFn>(name("glFramebufferRenderbuffer", buffer));
    auto status = entryPoint<StatusFn>(name("glCheckFramebufferStatus", buffer));
    if (!genFramebuffers || !deleteFramebuffers || !bindFramebuffer || !genRenderbuffers ||
        !deleteRenderbuffers || !bindRenderbuffer || !storage || !attach || !status) {
        return false;
    }
    genFramebuffers(1, &offscreen.framebuffer);
    genRenderbuffers(1, &offscreen.colour);
    genRenderbuffers(1, &offscreen.depth);
    bindRenderbuffer(RENDERBUFFER, offscreen.colour);
    storage(RENDERBUFFER, GL_RGBA8, DYNAMIC_TEXTURE_SIZE, DYNAMIC_TEXTURE_SIZE);
    bindRenderbuffer(RENDERBUFFER, offscreen.depth);
    storage(RENDERBUFFER, DEPTH_COMPONENT24, DYNAMIC_TEXTURE_SIZE, DYNAMIC_TEXTURE_SIZE);
    bindRenderbuffer(RENDERBUFFER, 0);
    bindFramebuffer(FRAMEBUFFER, offscreen.framebuffer);
    attach(FRAMEBUFFER, COLOR_ATTACHMENT0, RENDERBUFFER, offscreen.colour);
    attach(FRAMEBUFFER, DEPTH_ATTACHMENT, RENDERBUFFER, offscreen.depth);
    const bool complete = status(FRAMEBUFFER) == FRAMEBUFFER_COMPLETE;
    bindFramebuffer(FRAMEBUFFER, 0);
    if (!complete) {
        deleteFramebuffers(1, &offscreen.framebuffer);
        deleteRenderbuffers(1, &offscreen.colour);
        deleteRenderbuffers(1, &offscreen.depth);
        offscreen.framebuffer = offscreen.colour = offscreen.depth = 0;
        return false;
    }
    offscreen.bindFramebuffer = bindFramebuffer;
    offscreen.ready = true;
    return true;
}

// Redirects drawing and reading to the off-screen target when the window cannot hold a whole
// dynamic texture; returns whether it did, so the caller can switch back.
bool beginDynamicPasses() {
    const int width = glutGet(GLUT_WINDOW_WIDTH);
    const int height = glutGet(GLUT_WINDOW_HEIGHT);
    if (width >= DYNAMIC_TEXTURE_SIZE && height >= DYNAMIC_TEXTURE_SIZE) return false;
    if (!offscreenReady()) return false;
    offscreen.bindFramebuffer(FRAMEBUFFER, offscreen.framebuffer);
    return true;
}

void endDynamicPasses(bool redirected) {
    if (redirected) offscreen.bindFramebuffer(FRAMEBUFFER, 0);
}

void setLights(Scene* scene) {
    IndexList* lights = findEntitiesByType(scene, EntityType::LIGHT);
    if (lights == nullptr) return;
    Colour ambient;
    setColour(&ambient, 0, 0, 0, 0);
    for (int32_t i = 0; i < lights->count && i < MAX_LIGHTS; ++i) {
        LightInfo light;
        getLightInfo(scene, lights->items[i], &light);
        const GLenum id = GL_LIGHT0 + static_cast<GLenum>(i);
        const GLfloat position[4] = {light.position.x, light.position.y, light.position.z, 1.0f};
        const Colour& diffuse = light.material.diffuse;
        const Colour& specular = light.material.specular;
        const GLfloat diffuseRgba[4] = {diffuse.r, diffuse.g, diffuse.b, diffuse.a};
        const GLfloat specularRgba[4] = {specular.r, specular.g, specular.b, specular.a};
        glEnable(id);
        glLightfv(id, GL_POSITION, position);
        glLightfv(id, GL_DIFFUSE, diffuseRgba);
        glLightfv(id, GL_SPECULAR, specularRgba);
        const Colour& add = light.material.ambient;
        addColour(&ambient, add.r, add.g, add.b, add.a);
    }
    const GLfloat ambientRgba[4] = {ambient.r, ambient.g, ambient.b, ambient.a};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambientRgba);
    freeIndexList(lights);
}

void drawParticleEntities(Scene* scene, Matrix44 view, Resources* resources) {
    IndexList* emitters = findEntitiesByType(scene, EntityType::PARTICLE);
    if (emitters == nullptr) return;
    for (int32_t i = 0; i < emitters->count; ++i) {
        drawParticleSystem(getEntityLink(scene, emitters->items[i]), view, resources);
    }
    freeIndexList(emitters);
}

} // namespace

double windowAspect(int width, int height, double fallback) {
    if (width <= 0 || height <= 0) return fallback;
    return static_cast<double>(width) / static_cast<double>(height);
}

void renderScene(Scene* scene, Matrix44 view, Resources* resources) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPushMatrix();
    // Transposed in place for OpenGL, and back before the particles use it on the CPU.
    transposeMatrix(&view);
    glLoadMatrixf(view.m);
    glEnable(GL_LIGHTING);
    setLights(scene);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glShadeModel(GL_SMOOTH);
    const SceneNode* root = scene->nodeTree != nullptr ? scene->nodeTree->root : nullptr;
    drawNode(root, scene->entities, resources);
    if (resources->drawBoundings == 1) drawBounds(root);
    glPopMatrix();
    transposeMatrix(&view);
    drawParticleEntities(scene, view, resources);
}

void renderFrame(Scene* scene, Resources* resources) {
    DynamicTextureList* list = listDynamicTextures(resources);
    if (list != nullptr && list->cameras != nullptr && list->textureIndexes != nullptr &&
        list->cameras->count > 0) {
        const bool redirected = beginDynamicPasses();
        glViewport(0, 0, DYNAMIC_TEXTURE_SIZE, DYNAMIC_TEXTURE_SIZE);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(60.0, 1.0, 0.1, 100.0);
        glMatrixMode(GL_MODELVIEW);
        const int32_t entityCount = getEntityCount(scene);
        const int32_t passes = list->cameras->count < list->textureIndexes->count
                                   ? list->cameras->count
                                   : list->textureIndexes->count;
        for (int32_t k = 0; k < passes; ++k) {
            int32_t camera = list->cameras->items[k];
            // A link that resolved to nothing is the root group, whose world matrix is identity.
            if (camera < 0 || camera >= entityCount) camera = 0;
            renderScene(scene, viewFromWorldMatrix(getEntityWorldMatrix(scene, camera)), resources);
            copyToDynamicTexture(resources, list->textureIndexes->items[k]);
        }
        endDynamicPasses(redirected);
    }
    if (list != nullptr) freeDynamicTextureList(list);

    const int width = glutGet(GLUT_WINDOW_WIDTH);
    const int height = glutGet(GLUT_WINDOW_HEIGHT);
    glViewport(0, 0, width > 0 ? width : 0, height > 0 ? height : 0);
    lastValidAspect = windowAspect(width, height, lastValidAspect);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, lastValidAspect, 0.1, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    renderScene(scene, viewMatrix(&scene->camera), resources);
}
