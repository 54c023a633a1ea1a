// OpenGL textures that survive the loss of their context: every uploaded GLTexture is
// listed in one registry, so all names can be deleted before the context goes and
// every texture uploaded again, into the same record, once a new one is current.
#pragma once

#include <cstdint>

struct TextureImage;
struct TextureStrip;

enum TextureCategory : uint8_t {
    TextureCategoryForeground = 0,
    TextureCategoryBackground = 1,
    TextureCategoryFixed = 2,
    TextureCategoryDebug = 3,
};

// Allocated with the C allocator by its maker, freed by DeleteTexture.
struct GLTexture {
    uint32_t index;       // position in the registry while uploaded
    TextureImage* image;  // kept for re-upload (with its mip chain once built); not owned
    uint32_t name;        // the GL texture name
    uint8_t uploaded;     // 1 once uploaded; drawing only uses uploaded textures
    uint8_t hasAlpha;     // 1: GL_RGBA internally; 0: GL_RGB
    uint8_t category;     // TextureCategory of the statistics
};

// A new record {0, image, 0, 0, hasAlpha, category}, uploaded when image is not null.
GLTexture* MakeTexture(TextureImage* image, bool hasAlpha, TextureCategory category);

void UploadTexture(GLTexture* texture);
void CreateTextures(GLTexture** out, uint32_t n, const TextureStrip& strip);
void DeleteTexture(GLTexture* texture);
void ReleaseGLResources();
void RestoreGLResources();
uint32_t CountResidentTextures();
void GetTextureStats(uint32_t* foreground, uint32_t* background, uint32_t* fixed,
                     uint32_t* debug);

// Registered textures, in registry order (tests and the statistics).
uint32_t RegisteredTextureCount();
GLTexture* RegisteredTexture(uint32_t index);
