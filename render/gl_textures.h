// The OpenGL side of the texture registry: the hooks that make, configure and free its textures
// as GL texture objects, and binding and the dynamic-texture copy for the back end's drawing.
// A GL context must be current for every function here.
#pragma once

#include <cstdint>

#include "texture/registry.h"

// The hooks to give createResources so that its textures are GL texture objects.
TextureHooks glTextureHooks();
// Uploads the float image into a new GL texture object, which is left bound; its GL name.
uint32_t uploadImage(const TgaImage* image);
// Binds the entry's texture unless it is the one bound last (an index the registry does not
// hold binds entry 0); an empty registry binds nothing.
void bindTexture(TextureRegistry* registry, int32_t index);
void bindTexture(Resources* resources, int32_t index);
// Copies the lower-left 256 by 256 pixels drawn last into DYNAMIC entry `index`, leaving it bound.
void copyToDynamicTexture(TextureRegistry* registry, int32_t index);
void copyToDynamicTexture(Resources* resources, int32_t index);
