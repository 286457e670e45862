// The bounding-box overlay: every node's world box as a white, half-transparent wire box, drawn
// under the view matrix so world coordinates land in place. Depth-tested, never depth-writing.
#include <GL/gl.h>

#include "render/draw.h"

namespace {

Float3 corner(BoundingBox box, float p, float q, float r) {
    const Float3& c = box.centre;
    return {c.x + p * box.axis0.x + q * box.axis1.x + r * box.axis2.x,
            c.y + p * box.axis0.y + q * box.axis1.y + r * box.axis2.y,
            c.z + p * box.axis0.z + q * box.axis1.z + r * box.axis2.z};
}

void vertex(BoundingBox box, float p, float q, float r) {
    const Float3 v = corner(box, p, q, r);
    glVertex3f(v.x, v.y, v.z);
}

} // namespace

void drawBounds(const SceneNode* node) {
    if (node == nullptr) return;
    Colour colour;
    setColour(&colour, 1.0f, 1.0f, 1.0f, 0.5f);
    drawBox(node->worldBounds, colour);
    for (const SceneNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
        drawBounds(child);
    }
}

void drawBox(BoundingBox box, Colour colour) {
    const GLfloat rgba[4] = {colour.r, colour.g, colour.b, colour.a};
    glDisable(GL_LIGHTING);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);

    // The face on the +axis1 side, then the one on the -axis1 side, then the edges between.
    glBegin(GL_LINE_LOOP);
    glColor4fv(rgba);
    vertex(box, +1, +1, +1);
    vertex(box, -1, +1, +1);
    vertex(box, -1, +1, -1);
    vertex(box, +1, +1, -1);
    glEnd();

    glBegin(GL_LINE_LOOP);
    glColor4fv(rgba);
    vertex(box, +1, -1, +1);
    vertex(box, -1, -1, +1);
    vertex(box, -1, -1, -1);
    vertex(box, +1, -1, -1);
    glEnd();

    glBegin(GL_LINES);
    glColor4fv(rgba);
    vertex(box, +1, +1, +1);
    vertex(box, +1, -1, +1);
    vertex(box, -1, +1, +1);
    vertex(box, -1, -1, +1);
    vertex(box, -1, +1, -1);
    vertex(box, -1, -1, -1);
    vertex(box, +1, +1, -1);
    vertex(box, +1, -1, -1);
    glEnd();

    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glEnable(GL_LIGHTING);
}
