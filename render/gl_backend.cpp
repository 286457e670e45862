// The OpenGL back end: each frame record becomes the fixed-function calls that draw it. Matrices
// arrive row-major and are transposed here, just before GL takes them. The off-screen target and
// the saved matrices of deep hierarchies are GL-side state owned by this file for the life of the
// process (the engine has one context). Text goes through GLUT's bitmap font.
#include "render/gl_backend.h"

#include <GL/glut.h>
#include <GL/glx.h>

#include <array>
#include <cstring>

#include "render/gl_textures.h"
#include "texture/registry.h"

namespace {

static_assert(sizeof(Colour) == 4 * sizeof(GLfloat), "colours are handed to GL as 4 floats");

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

// The modelview matrices saved on the CPU by the nodes past the GL matrix stack's depth, one per
// level below it; grown once to the deepest tree drawn.
std::vector<std::array<GLfloat, 16>> savedMatrices;

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

void loadTransposed(Matrix44 m) {
    transposeMatrix(&m);
    glLoadMatrixf(m.m);
}

void setProjection(const ProjectionRecord& p) {
    glViewport(p.x, p.y, p.width, p.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(p.fieldOfView, p.aspect, p.near, p.far);
    glMatrixMode(GL_MODELVIEW);
}

void setLights(const FrameRecords& frame, const ScenePassRecord& pass) {
    for (int32_t i = 0; i < pass.lightCount; ++i) {
        const LightRecord& light = frame.lights[pass.firstLight + i];
        const GLenum id = GL_LIGHT0 + static_cast<GLenum>(i);
        glEnable(id);
        glLightfv(id, GL_POSITION, light.position);
        glLightfv(id, GL_DIFFUSE, &light.diffuse.r);
        glLightfv(id, GL_SPECULAR, &light.specular.r);
    }
    if (pass.lightCount > 0) glLightModelfv(GL_LIGHT_MODEL_AMBIENT, &pass.ambient.r);
}

void drawObject(const ObjectRecord& object, Resources* resources) {
    glEnable(GL_TEXTURE_2D);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    const MaterialRecord& m = object.material;
    glMaterialfv(GL_FRONT, GL_AMBIENT, &m.ambient.r);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, &m.diffuse.r);
    glMaterialfv(GL_FRONT, GL_EMISSION, &m.emission.r);
    glMaterialfv(GL_FRONT, GL_SPECULAR, &m.specular.r);
    glMaterialfv(GL_FRONT, GL_SHININESS, &m.shininess);
    if (m.texture != NO_TEXTURE) bindTexture(resources, m.texture);
    if (object.mesh >= 0) {
        const Mesh& mesh = resources->meshes.items[object.mesh];
        const char* base = reinterpret_cast<const char*>(mesh.vertices);
        glVertexPointer(3, GL_FLOAT, sizeof(Vertex), base);
        glNormalPointer(GL_FLOAT, sizeof(Vertex), base + 12);
        glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), base + 24);
        glDrawElements(GL_TRIANGLES, mesh.indexCount, GL_UNSIGNED_INT, mesh.indices);
    }
    glDisable(GL_TEXTURE_2D);
}

// The walk on the modelview stack. Past the stack's depth a push would fail silently and the
// matching pop would then take the caller's matrix: the deeper levels save and restore on the
// CPU instead.
void drawNodes(const FrameRecords& frame, const ScenePassRecord& pass, Resources* resources) {
    if (pass.nodeCount == 0) return;
    GLint depth = 0;
    GLint maxDepth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    glGetIntegerv(GL_MAX_MODELVIEW_STACK_DEPTH, &maxDepth);
    const int32_t freeSlots = maxDepth - depth;
    for (int32_t i = 0; i < pass.nodeCount; ++i) {
        const NodeRecord& node = frame.nodes[pass.firstNode + i];
        const bool onStack = node.depth < freeSlots;
        const size_t slot = onStack ? 0 : static_cast<size_t>(node.depth - freeSlots);
        if (node.kind == NodeStepKind::LEAVE) {
            if (onStack) {
                glPopMatrix();
            } else {
                glLoadMatrixf(savedMatrices[slot].data());
            }
            continue;
        }
        if (onStack) {
            glPushMatrix();
        } else {
            if (slot >= savedMatrices.size()) savedMatrices.resize(slot + 1);
            glGetFloatv(GL_MODELVIEW_MATRIX, savedMatrices[slot].data());
        }
        Matrix44 local = node.local;
        transposeMatrix(&local);
        glMultMatrixf(local.m);
        if (node.object >= 0) drawObject(frame.objects[node.object], resources);
    }
}

void vertex(Float3 v) {
    glVertex3f(v.x, v.y, v.z);
}

void drawBox(const BoxRecord& box) {
    glDisable(GL_LIGHTING);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    for (int face = 0; face < 2; ++face) {
        glBegin(GL_LINE_LOOP);
        glColor4fv(&box.colour.r);
        for (int k = 0; k < 4; ++k) vertex(box.corners[4 * face + k]);
        glEnd();
    }
    glBegin(GL_LINES);
    glColor4fv(&box.colour.r);
    for (int k = 0; k < 4; ++k) {
        vertex(box.corners[k]);
        vertex(box.corners[k + 4]);
    }
    glEnd();
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glEnable(GL_LIGHTING);
}

// One primitive for the whole batch; each particle's colour is given once, before its first
// vertex.
void drawBatch(const FrameRecords& frame, const ParticleBatch& batch, Resources* resources) {
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    if (batch.blend == BlendMode::ADDITIVE) {
        glBlendFunc(GL_ONE, GL_ONE);
    } else {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    const ParticleVertex* v = frame.particleVertices.data() + batch.firstVertex;
    const int32_t n = batch.vertexCount;
    switch (batch.shape) {
    case ParticleShape::POINTS:
        glDisable(GL_LIGHTING);
        // GL refuses a size that is not positive; the points then keep the current size.
        if (batch.pointSize > 0) glPointSize(batch.pointSize);
        glBegin(GL_POINTS);
        for (int32_t j = 0; j < n; ++j) {
            glColor4fv(&v[j].colour.r);
            glVertex3fv(&v[j].position.x);
        }
        glEnd();
        glEnable(GL_LIGHTING);
        break;
    case ParticleShape::TRIANGLES:
        glDisable(GL_LIGHTING);
        glBegin(GL_TRIANGLES);
        for (int32_t j = 0; j + 2 < n; j += 3) {
            glColor4fv(&v[j].colour.r);
            for (int k = 0; k < 3; ++k) vertex(v[j + k].position);
        }
        glEnd();
        glEnable(GL_LIGHTING);
        break;
    case ParticleShape::QUADS:
        glDisable(GL_LIGHTING);
        glEnable(GL_TEXTURE_2D);
        glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        if (batch.texture != NO_TEXTURE) bindTexture(resources, batch.texture);
        glBegin(GL_QUADS);
        for (int32_t j = 0; j + 3 < n; j += 4) {
            glColor4fv(&v[j].colour.r);
            for (int k = 0; k < 4; ++k) {
                glTexCoord2f(v[j + k].texCoord.u, v[j + k].texCoord.v);
                vertex(v[j + k].position);
            }
        }
        glEnd();
        glDisable(GL_TEXTURE_2D);
        glEnable(GL_LIGHTING);
        break;
    default:
        break;
    }
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
}

void drawScenePass(const FrameRecords& frame, const ScenePassRecord& pass, Resources* resources) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPushMatrix();
    loadTransposed(pass.view);
    glEnable(GL_LIGHTING);
    setLights(frame, pass);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glShadeModel(GL_SMOOTH);
    drawNodes(frame, pass, resources);
    for (int32_t i = 0; i < pass.boxCount; ++i) drawBox(frame.boxes[pass.firstBox + i]);
    glPopMatrix();
    for (int32_t i = 0; i < pass.batchCount; ++i) {
        drawBatch(frame, frame.batches[pass.firstBatch + i], resources);
    }
}

void drawQuad(const QuadRecord& q, Resources* resources) {
    if (q.texture != NO_TEXTURE) bindTexture(resources, q.texture);
    glBegin(GL_QUADS);
    glColor4fv(&q.colour.r);
    glTexCoord2f(q.texMin.u, q.texMin.v);
    glVertex2f(q.min.x, q.min.y);
    glTexCoord2f(q.texMax.u, q.texMin.v);
    glVertex2f(q.max.x, q.min.y);
    glTexCoord2f(q.texMax.u, q.texMax.v);
    glVertex2f(q.max.x, q.max.y);
    glTexCoord2f(q.texMin.u, q.texMax.v);
    glVertex2f(q.min.x, q.max.y);
    glEnd();
}

void drawText(const TextRecord& t) {
    glColor3f(t.colour.r, t.colour.g, t.colour.b);
    glRasterPos2f(t.position.x, t.position.y);
    for (const char* c = t.text; *c; ++c) {
        glutBitmapCharacter(GLUT_BITMAP_HELVETICA_12, static_cast<unsigned char>(*c));
    }
    glRasterPos2f(-1.0f, -1.0f);
}

void drawOverlay(const FrameRecords& frame, const OverlayRecord& overlay, Resources* resources) {
    const double aspect = overlay.aspect;
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-aspect, aspect, -1.0, 1.0, 0.0, 1.0);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    for (int32_t i = 0; i < overlay.quadCount; ++i) {
        drawQuad(frame.quads[overlay.firstQuad + i], resources);
    }
    if (overlay.textTexture != NO_TEXTURE) bindTexture(resources, overlay.textTexture);
    for (int32_t i = 0; i < overlay.textCount; ++i) drawText(frame.texts[overlay.firstText + i]);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

} // namespace

void drawFrameRecords(const FrameRecords& frame, Resources* resources) {
    bool redirected = false;
    for (const FrameStep& step : frame.steps) {
        switch (step.kind) {
        case StepKind::OFFSCREEN_BEGIN:
            if (offscreenReady()) {
                offscreen.bindFramebuffer(FRAMEBUFFER, offscreen.framebuffer);
                redirected = true;
            }
            break;
        case StepKind::PROJECTION:
            setProjection(frame.projections[step.index]);
            break;
        case StepKind::SCENE_PASS:
            drawScenePass(frame, frame.passes[step.index], resources);
            break;
        case StepKind::COPY_TO_TEXTURE:
            copyToDynamicTexture(resources, step.index);
            break;
        case StepKind::OFFSCREEN_END:
            if (redirected) offscreen.bindFramebuffer(FRAMEBUFFER, 0);
            redirected = false;
            break;
        case StepKind::OVERLAY:
            drawOverlay(frame, frame.overlays[step.index], resources);
            break;
        default:
            break;
        }
    }
}

const GlyphWidths& hudGlyphWidths() {
    static GlyphWidths widths{};
    static bool measured = false;
    if (!measured) {
        for (int c = 0; c < 256; ++c)
            widths.advance[c] = glutBitmapWidth(GLUT_BITMAP_HELVETICA_12, c);
        measured = true;
    }
    return widths;
}
