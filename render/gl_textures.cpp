// Textures as GL objects: float RGBA uploads, repeat wrapping with linear filtering, deletion,
// binding that skips a bind of the texture bound last, and the copy of a dynamic pass. The
// registry's records say which texture is which; this file is where GL meets them.
#include "render/gl_textures.h"

#include <GL/gl.h>

namespace {

bool validIndex(const TextureRegistry* registry, int32_t index) {
    return index >= 0 && index < registry->count;
}

void setSampling() {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
}

void releaseTexture(uint32_t name) {
    const GLuint texture = name;
    glDeleteTextures(1, &texture);
}

} // namespace

TextureHooks glTextureHooks() {
    return {uploadImage, setSampling, releaseTexture};
}

uint32_t uploadImage(const TgaImage* image) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image->width, image->height, 0, GL_RGBA, GL_FLOAT,
                 image->pixels);
    return name;
}

void bindTexture(TextureRegistry* registry, int32_t index) {
    if (registry->count <= 0) return; // an empty holder has nothing to bind
    if (!validIndex(registry, index)) index = 0;
    if (index == registry->boundIndex) return;
    glBindTexture(GL_TEXTURE_2D, registry->entries[index].glName);
    registry->boundIndex = index;
}

void bindTexture(Resources* resources, int32_t index) {
    bindTexture(&resources->textures, index);
}

void copyToDynamicTexture(TextureRegistry* registry, int32_t index) {
    // Only a DYNAMIC entry has the 256 by 256 level this copy replaces.
    if (!validIndex(registry, index)) return;
    if (registry->entries[index].textureType != TextureType::DYNAMIC) return;
    glBindTexture(GL_TEXTURE_2D, registry->entries[index].glName);
    registry->boundIndex = index;
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, DYNAMIC_TEXTURE_SIZE, DYNAMIC_TEXTURE_SIZE);
}

void copyToDynamicTexture(Resources* resources, int32_t index) {
    copyToDynamicTexture(&resources->textures, index);
}
