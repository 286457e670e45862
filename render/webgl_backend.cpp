// The WebGL back end: the same frame records the OpenGL back end draws, turned into the same
// fixed-function steps on webgl_fixed's shaders. Every dynamic-texture pass is drawn into a
// framebuffer object and copied from there (the page's canvas has no alpha channel to copy).
// Text uses the desktop's HUD font, taken from freeglut at build time.
#include "render/gl_backend.h"

#include "helvetica12.h"
#include "render/gl_textures.h"
#include "render/webgl_fixed.h"
#include "texture/registry.h"

namespace {

void loadTransposed(Matrix44 m) {
    transposeMatrix(&m);
    ffLoadMatrix(m.m);
}

void setProjection(const ProjectionRecord& p) {
    ffViewport(p.x, p.y, p.width, p.height);
    ffMatrixMode(FfMatrix::Projection);
    ffLoadIdentity();
    ffPerspective(p.fieldOfView, p.aspect, p.near, p.far);
    ffMatrixMode(FfMatrix::Modelview);
}

void setLights(const FrameRecords& frame, const ScenePassRecord& pass) {
    for (int32_t i = 0; i < pass.lightCount; ++i) {
        const LightRecord& light = frame.lights[pass.firstLight + i];
        ffEnable(FF_LIGHT0 + i);
        ffLightPosition(i, light.position); // through the view, the modelview now current
        ffLightDiffuse(i, light.diffuse);
        ffLightSpecular(i, light.specular);
    }
    if (pass.lightCount > 0) ffLightModelAmbient(pass.ambient);
}

void drawObject(const ObjectRecord& object, Resources* resources) {
    ffEnable(FF_TEXTURE_2D);
    const MaterialRecord& m = object.material;
    ffMaterial(m.ambient, m.diffuse, m.emission, m.specular, m.shininess);
    if (m.texture != NO_TEXTURE) bindTexture(resources, m.texture);
    if (object.mesh >= 0 && object.mesh < resources->meshes.count) {
        const Mesh& mesh = resources->meshes.items[object.mesh];
        ffDrawMesh(mesh.vertices, mesh.vertexCount, mesh.indices, mesh.indexCount);
    }
    ffDisable(FF_TEXTURE_2D);
}

void drawNodes(const FrameRecords& frame, const ScenePassRecord& pass, Resources* resources) {
    for (int32_t i = 0; i < pass.nodeCount; ++i) {
        const NodeRecord& node = frame.nodes[pass.firstNode + i];
        if (node.kind == NodeStepKind::LEAVE) {
            ffPopMatrix();
            continue;
        }
        ffPushMatrix();
        Matrix44 local = node.local;
        transposeMatrix(&local);
        ffMultMatrix(local.m);
        if (node.object >= 0) drawObject(frame.objects[node.object], resources);
    }
}

void vertex(Float3 v) {
    ffVertex(v.x, v.y, v.z);
}

void colour(Colour c) {
    ffColour(c.r, c.g, c.b, c.a);
}

void drawBox(const BoxRecord& box) {
    ffDisable(FF_LIGHTING);
    ffDepthMask(false);
    ffEnable(FF_BLEND);
    for (int face = 0; face < 2; ++face) {
        ffBegin(FfPrimitive::LineLoop);
        colour(box.colour);
        for (int k = 0; k < 4; ++k) vertex(box.corners[4 * face + k]);
        ffEnd();
    }
    ffBegin(FfPrimitive::Lines);
    colour(box.colour);
    for (int k = 0; k < 4; ++k) {
        vertex(box.corners[k]);
        vertex(box.corners[k + 4]);
    }
    ffEnd();
    ffDisable(FF_BLEND);
    ffDepthMask(true);
    ffEnable(FF_LIGHTING);
}

void drawBatch(const FrameRecords& frame, const ParticleBatch& batch, Resources* resources) {
    ffDepthMask(false);
    ffEnable(FF_BLEND);
    if (batch.blend == BlendMode::ADDITIVE) {
        ffBlendFunc(FfBlend::One, FfBlend::One);
    } else {
        ffBlendFunc(FfBlend::SrcAlpha, FfBlend::OneMinusSrcAlpha);
    }
    const ParticleVertex* v = frame.particleVertices.data() + batch.firstVertex;
    const int32_t n = batch.vertexCount;
    switch (batch.shape) {
    case ParticleShape::POINTS:
        ffDisable(FF_LIGHTING);
        ffPointSize(batch.pointSize);
        ffBegin(FfPrimitive::Points);
        for (int32_t j = 0; j < n; ++j) {
            colour(v[j].colour);
            vertex(v[j].position);
        }
        ffEnd();
        ffEnable(FF_LIGHTING);
        break;
    case ParticleShape::TRIANGLES:
        ffDisable(FF_LIGHTING);
        ffBegin(FfPrimitive::Triangles);
        for (int32_t j = 0; j + 2 < n; j += 3) {
            colour(v[j].colour);
            for (int k = 0; k < 3; ++k) vertex(v[j + k].position);
        }
        ffEnd();
        ffEnable(FF_LIGHTING);
        break;
    case ParticleShape::QUADS:
        ffDisable(FF_LIGHTING);
        ffEnable(FF_TEXTURE_2D);
        if (batch.texture != NO_TEXTURE) bindTexture(resources, batch.texture);
        ffBegin(FfPrimitive::Quads);
        for (int32_t j = 0; j + 3 < n; j += 4) {
            colour(v[j].colour);
            for (int k = 0; k < 4; ++k) {
                ffTexCoord(v[j + k].texCoord.u, v[j + k].texCoord.v);
                vertex(v[j + k].position);
            }
        }
        ffEnd();
        ffDisable(FF_TEXTURE_2D);
        ffEnable(FF_LIGHTING);
        break;
    default:
        break;
    }
    ffDisable(FF_BLEND);
    ffDepthMask(true);
}

void drawScenePass(const FrameRecords& frame, const ScenePassRecord& pass, Resources* resources) {
    ffClear();
    ffMatrixMode(FfMatrix::Modelview);
    ffLoadIdentity();
    ffPushMatrix();
    loadTransposed(pass.view);
    ffEnable(FF_LIGHTING);
    setLights(frame, pass);
    drawNodes(frame, pass, resources);
    for (int32_t i = 0; i < pass.boxCount; ++i) drawBox(frame.boxes[pass.firstBox + i]);
    ffPopMatrix();
    for (int32_t i = 0; i < pass.batchCount; ++i) {
        drawBatch(frame, frame.batches[pass.firstBatch + i], resources);
    }
}

void drawQuad(const QuadRecord& q, Resources* resources) {
    if (q.texture != NO_TEXTURE) bindTexture(resources, q.texture);
    ffBegin(FfPrimitive::Quads);
    colour(q.colour);
    ffTexCoord(q.texMin.u, q.texMin.v);
    ffVertex(q.min.x, q.min.y, 0.0f);
    ffTexCoord(q.texMax.u, q.texMin.v);
    ffVertex(q.max.x, q.min.y, 0.0f);
    ffTexCoord(q.texMax.u, q.texMax.v);
    ffVertex(q.max.x, q.max.y, 0.0f);
    ffTexCoord(q.texMin.u, q.texMax.v);
    ffVertex(q.min.x, q.max.y, 0.0f);
    ffEnd();
}

void drawText(const TextRecord& t) {
    ffColour(t.colour.r, t.colour.g, t.colour.b, 1.0f);
    ffRasterPos(t.position.x, t.position.y);
    ffBitmapString(t.text);
    ffRasterPos(-1.0f, -1.0f);
}

void drawOverlay(const FrameRecords& frame, const OverlayRecord& overlay, Resources* resources) {
    const double aspect = overlay.aspect;
    ffMatrixMode(FfMatrix::Projection);
    ffPushMatrix();
    ffLoadIdentity();
    ffOrtho(-aspect, aspect, -1.0, 1.0, 0.0, 1.0);
    ffEnable(FF_BLEND);
    ffBlendFunc(FfBlend::SrcAlpha, FfBlend::OneMinusSrcAlpha);
    ffDisable(FF_LIGHTING);
    ffDisable(FF_DEPTH_TEST);
    ffEnable(FF_TEXTURE_2D);
    for (int32_t i = 0; i < overlay.quadCount; ++i) {
        drawQuad(frame.quads[overlay.firstQuad + i], resources);
    }
    if (overlay.textTexture != NO_TEXTURE) bindTexture(resources, overlay.textTexture);
    for (int32_t i = 0; i < overlay.textCount; ++i) drawText(frame.texts[overlay.firstText + i]);
    ffDisable(FF_TEXTURE_2D);
    ffEnable(FF_DEPTH_TEST);
    ffEnable(FF_LIGHTING);
    ffDisable(FF_BLEND);
    ffDepthMask(true);
    ffPopMatrix();
    ffMatrixMode(FfMatrix::Modelview);
}

} // namespace

void drawFrameRecords(const FrameRecords& frame, Resources* resources) {
    // The GL buffers of the meshes drawn so far belong to the holder that owned their arrays; a
    // new holder (a reloaded scene) is made while the old one still lives, so it always differs.
    static const Resources* meshOwner = nullptr;
    if (resources != meshOwner) ffForgetMeshes();
    meshOwner = resources;
    const size_t count = frame.steps.size();
    for (size_t i = 0; i < count; ++i) {
        const FrameStep& step = frame.steps[i];
        switch (step.kind) {
        case StepKind::PROJECTION:
            setProjection(frame.projections[step.index]);
            break;
        case StepKind::SCENE_PASS: {
            // A pass whose picture is copied into a texture is drawn off-screen.
            const bool copied =
                i + 1 < count && frame.steps[i + 1].kind == StepKind::COPY_TO_TEXTURE;
            if (copied) ffBeginOffscreen(DYNAMIC_TEXTURE_SIZE);
            drawScenePass(frame, frame.passes[step.index], resources);
            break;
        }
        case StepKind::COPY_TO_TEXTURE:
            copyToDynamicTexture(resources, step.index);
            ffEndOffscreen();
            break;
        case StepKind::OVERLAY:
            drawOverlay(frame, frame.overlays[step.index], resources);
            break;
        default:
            break; // OFFSCREEN_BEGIN and OFFSCREEN_END: every copied pass is off-screen here
        }
    }
}

const GlyphWidths& hudGlyphWidths() {
    static const GlyphWidths widths = [] {
        GlyphWidths taken{};
        for (int c = 0; c < 256; ++c) taken.advance[c] = GLYPH_WIDTHS[c];
        return taken;
    }();
    return widths;
}
