// Particle billboards: each live particle's world position goes through the pass's view matrix
// on the CPU and its point, triangle or quad is laid out along the eye-space axes, drawn with
// the identity modelview. Unlit, blended, depth-tested but not depth-writing. Reads only.
#include <GL/gl.h>

#include "render/draw.h"
#include "sim/particles.h"
#include "texture/registry.h"

namespace {

template <typename Corners>
void eachLiveParticle(const ParticleSystem& system, Matrix44 view, Corners corners) {
    if (system.particles == nullptr) return;
    for (int32_t j = 0; j < system.count; ++j) {
        const Particle& particle = system.particles[j];
        if (particle.dead != 0) continue;
        const Float3 eye = transformPoint(view, particle.position);
        const GLfloat rgba[4] = {particle.colour.r, particle.colour.g, particle.colour.b,
                                 particle.colour.a};
        glColor4fv(rgba);
        corners(eye);
    }
}

} // namespace

void drawParticleSystem(int32_t systemIndex, Matrix44 view, Resources* resources) {
    const ParticleSystem* found = getParticleSystem(resources, systemIndex);
    if (found == nullptr) return;
    const ParticleSystem& system = *found;
    const float h = system.size * 0.5f;

    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    if (system.blendType == BlendType::SATURATE) {
        glBlendFunc(GL_ONE, GL_ONE);
    } else {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }

    switch (system.displayType) {
    case DisplayType::POINT:
        glDisable(GL_LIGHTING);
        // GL refuses a size that is not positive; the points then keep the current size.
        if (h > 0) glPointSize(h);
        glBegin(GL_POINTS);
        eachLiveParticle(system, view, [](Float3 e) {
            const GLfloat point[3] = {e.x, e.y, e.z};
            glVertex3fv(point);
        });
        glEnd();
        glEnable(GL_LIGHTING);
        break;
    case DisplayType::TRIANGLE:
        glDisable(GL_LIGHTING);
        glBegin(GL_TRIANGLES);
        eachLiveParticle(system, view, [h](Float3 e) {
            glVertex3f(e.x - h, e.y - h, e.z);
            glVertex3f(e.x + h, e.y - h, e.z);
            glVertex3f(e.x - h, e.y + h, e.z);
        });
        glEnd();
        glEnable(GL_LIGHTING);
        break;
    case DisplayType::QUAD:
        glDisable(GL_LIGHTING);
        glEnable(GL_TEXTURE_2D);
        glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        bindTexture(resources, system.textureId);
        glBegin(GL_QUADS);
        eachLiveParticle(system, view, [h](Float3 e) {
            glTexCoord2f(0, 0);
            glVertex3f(e.x - h, e.y - h, e.z);
            glTexCoord2f(1, 0);
            glVertex3f(e.x + h, e.y - h, e.z);
            glTexCoord2f(1, 1);
            glVertex3f(e.x + h, e.y + h, e.z);
            glTexCoord2f(0, 1);
            glVertex3f(e.x - h, e.y + h, e.z);
        });
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
