// The reference renderer: the engine's GL call sequence for a frame, issued straight from flat
// arrays. Set-up borrows the engine's math so the geometry is the same; drawing uses none of
// the engine.
#include "bench/reference_renderer.h"

#include "core/camera.h"

#include <GL/glu.h>
#include <GL/glut.h>

#include <cstdio>
#include <functional>

namespace bench {

namespace {

void toGl(Matrix44 m, float out[16]) {
    transposeMatrix(&m);
    for (int i = 0; i < 16; ++i) out[i] = m.m[i];
}

Matrix44 localMatrix(const BenchEntity& e) {
    return multiplyMatrices(
        translationMatrix(e.position.x, e.position.y, e.position.z),
        matrixFromQuaternion(quaternionFromAxisAngle(e.angle, e.axis.x, e.axis.y, e.axis.z)));
}

GLuint uploadFloats(int width, int height, const std::vector<float>& rgba, bool parameters) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_FLOAT, rgba.data());
    if (parameters) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    }
    return name;
}

GLuint uploadTga(const BenchScene& scene, const std::string& name) {
    for (const BenchFile& file : scene.files) {
        if (file.name != name || file.bytes.size() < 18) continue;
        const int width = file.bytes[12] | file.bytes[13] << 8;
        const int height = file.bytes[14] | file.bytes[15] << 8;
        std::vector<float> rgba(static_cast<size_t>(width * height * 4));
        for (size_t i = 0; i < rgba.size() / 4; ++i) {
            const uint8_t* bgra = &file.bytes[18 + 4 * i];
            rgba[4 * i] = bgra[2] / 255.0f;
            rgba[4 * i + 1] = bgra[1] / 255.0f;
            rgba[4 * i + 2] = bgra[0] / 255.0f;
            rgba[4 * i + 3] = bgra[3] / 255.0f;
        }
        return uploadFloats(width, height, rgba, true);
    }
    return 0;
}

void bind(ReferenceRenderer* r, GLuint texture) {
    if (texture == r->bound) return;
    glBindTexture(GL_TEXTURE_2D, texture);
    r->bound = texture;
}

void drawParticles(ReferenceRenderer* r, const ReferenceParticles& s, const Matrix44& v) {
    const float h = s.size * 0.5f;
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    if (s.blendType == BlendType::SATURATE) {
        glBlendFunc(GL_ONE, GL_ONE);
    } else {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    glDisable(GL_LIGHTING);
    const float* m = v.m;
    auto eye = [m](const Particle& p) {
        const Float3 q = p.position;
        return Float3{m[0] * q.x + m[1] * q.y + m[2] * q.z + m[3],
                      m[4] * q.x + m[5] * q.y + m[6] * q.z + m[7],
                      m[8] * q.x + m[9] * q.y + m[10] * q.z + m[11]};
    };
    if (s.displayType == DisplayType::QUAD) {
        glEnable(GL_TEXTURE_2D);
        glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        bind(r, r->spotTexture);
        glBegin(GL_QUADS);
        for (const Particle& p : s.live) {
            const Float3 e = eye(p);
            glColor4fv(&p.colour.r);
            glTexCoord2f(0, 0);
            glVertex3f(e.x - h, e.y - h, e.z);
            glTexCoord2f(1, 0);
            glVertex3f(e.x + h, e.y - h, e.z);
            glTexCoord2f(1, 1);
            glVertex3f(e.x + h, e.y + h, e.z);
            glTexCoord2f(0, 1);
            glVertex3f(e.x - h, e.y + h, e.z);
        }
        glEnd();
        glDisable(GL_TEXTURE_2D);
    } else if (s.displayType == DisplayType::TRIANGLE) {
        glBegin(GL_TRIANGLES);
        for (const Particle& p : s.live) {
            const Float3 e = eye(p);
            glColor4fv(&p.colour.r);
            glVertex3f(e.x - h, e.y - h, e.z);
            glVertex3f(e.x + h, e.y - h, e.z);
            glVertex3f(e.x - h, e.y + h, e.z);
        }
        glEnd();
    } else {
        if (h > 0) glPointSize(h);
        glBegin(GL_POINTS);
        for (const Particle& p : s.live) {
            const Float3 e = eye(p);
            glColor4fv(&p.colour.r);
            glVertex3f(e.x, e.y, e.z);
        }
        glEnd();
    }
    glEnable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
}

void drawPass(ReferenceRenderer* r, const Matrix44& view) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    float gl[16];
    toGl(view, gl);
    glLoadMatrixf(gl);
    glEnable(GL_LIGHTING);
    Colour ambient = {0, 0, 0, 0};
    for (size_t i = 0; i < r->lights.size(); ++i) {
        const ReferenceLight& light = r->lights[i];
        const GLenum id = GL_LIGHT0 + static_cast<GLenum>(i);
        glEnable(id);
        glLightfv(id, GL_POSITION, light.position);
        glLightfv(id, GL_DIFFUSE, light.diffuse);
        glLightfv(id, GL_SPECULAR, light.specular);
        ambient = {ambient.r + light.ambient.r, ambient.g + light.ambient.g,
                   ambient.b + light.ambient.b, ambient.a + light.ambient.a};
    }
    if (!r->lights.empty()) glLightModelfv(GL_LIGHT_MODEL_AMBIENT, &ambient.r);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glShadeModel(GL_SMOOTH);
    for (const ReferenceItem& item : r->items) {
        glPushMatrix();
        glMultMatrixf(item.world);
        glEnable(GL_TEXTURE_2D);
        glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        const BenchMaterial& m = *item.material;
        glMaterialfv(GL_FRONT, GL_AMBIENT, &m.ambient.r);
        glMaterialfv(GL_FRONT, GL_DIFFUSE, &m.diffuse.r);
        glMaterialfv(GL_FRONT, GL_EMISSION, &m.emission.r);
        glMaterialfv(GL_FRONT, GL_SPECULAR, &m.specular.r);
        glMaterialfv(GL_FRONT, GL_SHININESS, &m.shininess);
        bind(r, item.texture);
        const char* base = reinterpret_cast<const char*>(item.mesh->vertices.data());
        glVertexPointer(3, GL_FLOAT, sizeof(Vertex), base);
        glNormalPointer(GL_FLOAT, sizeof(Vertex), base + 12);
        glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), base + 24);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(item.mesh->indices.size()),
                       GL_UNSIGNED_INT, item.mesh->indices.data());
        glDisable(GL_TEXTURE_2D);
        glPopMatrix();
    }
    glLoadIdentity();
    for (const ReferenceParticles& s : r->particles) drawParticles(r, s, view);
}

void drawText(float x, float y, Colour c, const char* label, double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%s: %.2f", label, value);
    glColor3f(c.r, c.g, c.b);
    glRasterPos2f(x, y);
    for (const char* p = text; *p; ++p)
        glutBitmapCharacter(GLUT_BITMAP_HELVETICA_12, static_cast<unsigned char>(*p));
    glRasterPos2f(-1.0f, -1.0f);
}

void drawHudOverlay(ReferenceRenderer* r, double aspect) {
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
    for (const ReferencePanel& p : r->panels) {
        bind(r, r->panelTexture);
        glBegin(GL_QUADS);
        glColor4fv(&p.colour.r);
        glTexCoord2f(0, 0);
        glVertex2f(p.min.x, p.min.y);
        glTexCoord2f(1, 0);
        glVertex2f(p.max.x, p.min.y);
        glTexCoord2f(1, 1);
        glVertex2f(p.max.x, p.max.y);
        glTexCoord2f(0, 1);
        glVertex2f(p.min.x, p.max.y);
        glEnd();
    }
    bind(r, r->white);
    const Colour text = {0.1f, 0.1f, 0.1f, 1};
    drawText(-1.3f, 0.8f, text, "Simulation Time", r->simTime);
    drawText(-1.3f, 0.9f, text, "Application Time", r->appTime);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

} // namespace

void setupReference(ReferenceRenderer* r, const BenchScene& scene,
                    std::vector<ReferenceParticles> particles) {
    r->scene = &scene;
    r->particles = std::move(particles);
    r->items.clear();
    r->lights.clear();
    r->panels.clear();
    r->dynamicTextures.clear();
    r->dynamicViews.clear();
    // The engine's white texture: 2 by 2, float data, filter parameters left at their defaults.
    r->white = uploadFloats(2, 2, std::vector<float>(16, 1.0f), false);
    r->panelTexture = uploadTga(scene, "panel.tga");
    r->spotTexture = uploadTga(scene, "spot.tga");
    std::vector<Matrix44> world(scene.entities.size(), identityMatrix());
    std::function<void(int32_t, Matrix44)> walk = [&](int32_t i, Matrix44 parent) {
        world[static_cast<size_t>(i)] = multiplyMatrices(parent, localMatrix(scene.entities[i]));
        for (int32_t child : scene.entities[i].children) walk(child, world[static_cast<size_t>(i)]);
    };
    if (!scene.entities.empty()) walk(0, identityMatrix());
    auto findEntity = [&](const std::string& name) {
        for (size_t i = 0; i < scene.entities.size(); ++i)
            if (scene.entities[i].name == name) return static_cast<int32_t>(i);
        return int32_t{-1};
    };
    std::vector<GLuint> materialTexture;
    for (const BenchMaterial& m : scene.materials) {
        GLuint texture = r->white;
        if (m.dynamic) {
            std::vector<float> white(256 * 256 * 4, 1.0f);
            texture = uploadFloats(256, 256, white, true);
            r->dynamicTextures.push_back(texture);
            const int32_t camera = findEntity(m.link);
            r->dynamicViews.push_back(camera < 0 ? identityMatrix()
                                                 : viewFromWorldMatrix(world[camera]));
        }
        materialTexture.push_back(texture);
    }
    for (size_t i = 0; i < scene.entities.size(); ++i) {
        const BenchEntity& e = scene.entities[i];
        const Float3 p = transformPoint(world[i], {0, 0, 0});
        const BenchMaterial* material = nullptr;
        GLuint texture = r->white;
        for (size_t m = 0; m < scene.materials.size(); ++m) {
            if (scene.materials[m].name == e.material) {
                material = &scene.materials[m];
                texture = materialTexture[m];
                break;
            }
        }
        if (e.kind == "LIGHT" && r->lights.size() < 8 && material) {
            const BenchMaterial& m = *material;
            r->lights.push_back({{p.x, p.y, p.z, 1},
                                 {m.diffuse.r, m.diffuse.g, m.diffuse.b, m.diffuse.a},
                                 {m.specular.r, m.specular.g, m.specular.b, m.specular.a},
                                 m.ambient});
        } else if (e.kind == "OBJECT" && material) {
            const BenchMesh* mesh = &scene.meshes.front();
            for (const BenchMesh& candidate : scene.meshes)
                if (candidate.name == e.link) mesh = &candidate;
            ReferenceItem item{};
            toGl(world[i], item.world);
            item.mesh = mesh;
            item.material = material;
            item.texture = texture;
            r->items.push_back(item);
        }
    }
    const int32_t eye = findEntity(scene.camera);
    const Float3 at = eye < 0 ? Float3{0, 0, 0} : scene.entities[eye].position;
    r->mainView = translationMatrix(-at.x, -at.y, -at.z);
    for (const BenchPanel& p : scene.panels) {
        if (!p.button) r->panels.push_back({p.colour, p.min, p.max});
    }
    for (const BenchPanel& p : scene.panels) {
        if (p.button) r->panels.push_back({p.colour, p.min, p.max});
    }
    r->bound = 0;
}

void drawReferenceFrame(ReferenceRenderer* r) {
    drawReferenceImage(r);
    glutSwapBuffers();
}

void drawReferenceImage(ReferenceRenderer* r) {
    if (!r->dynamicTextures.empty()) {
        glViewport(0, 0, 256, 256);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(60.0, 1.0, 0.1, 100.0);
        glMatrixMode(GL_MODELVIEW);
        for (size_t k = 0; k < r->dynamicTextures.size(); ++k) {
            drawPass(r, r->dynamicViews[k]);
            glBindTexture(GL_TEXTURE_2D, r->dynamicTextures[k]);
            r->bound = r->dynamicTextures[k];
            glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, 256, 256);
        }
    }
    const int width = glutGet(GLUT_WINDOW_WIDTH);
    const int height = glutGet(GLUT_WINDOW_HEIGHT);
    glViewport(0, 0, width, height);
    const double aspect = height > 0 ? static_cast<double>(width) / height : 1.0;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, aspect, 0.1, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    drawPass(r, r->mainView);
    drawHudOverlay(r, aspect);
}

} // namespace bench
