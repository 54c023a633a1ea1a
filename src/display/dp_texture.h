// OpenGL textures that survive the loss of their context: every uploaded GLTexture is
// listed in one registry, so all names can be deleted before the context goes and
// every texture uploaded again, into the same record and with the filters it was
// made with, once a new one is current.
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

// The filters a texture is uploaded with, as indices into the filter table:
// magnification 0 GL_NEAREST, 1 GL_LINEAR; minification 0 GL_NEAREST, 1 GL_LINEAR,
// 2 to 5 the mipmapped filters (the mip chain is built and loaded). Values outside
// the table are held to it.
struct TextureFilters {
    int32_t mag;
    int32_t min;
};
constexpr int32_t kMaxMagFilter = 1;
constexpr int32_t kMaxMinFilter = 5;

// Allocated with the C allocator by its maker, freed by DeleteTexture.
struct GLTexture {
    uint32_t index;       // position in the registry while uploaded
    TextureImage* image;  // kept for re-upload (with its mip chain once built); not owned
    uint32_t name;        // the GL texture name
    uint8_t uploaded;     // 1 once uploaded; drawing only uses uploaded textures
    uint8_t hasAlpha;     // 1: GL_RGBA internally; 0: GL_RGB
    uint8_t category;     // TextureCategory of the statistics
    uint8_t magFilter;    // the maker's filters, held to the table; every upload uses them
    uint8_t minFilter;
};

// A new record {0, image, 0, 0, hasAlpha, category, filters}, uploaded when image is
// not null.
GLTexture* MakeTexture(TextureImage* image, bool hasAlpha, TextureCategory category,
                       TextureFilters filters);

// Creates the GL texture of the record's image with the record's filters and appends
// the record to the registry.
void UploadTexture(GLTexture* texture);
// out[i] = a fixed-category texture with alpha of strip frame i (not uploaded where the
// strip has no such frame).
void CreateTextures(GLTexture** out, uint32_t n, const TextureStrip& strip,
                    TextureFilters filters);
void DeleteTexture(GLTexture* texture);
void ReleaseGLResources();
void RestoreGLResources();
uint32_t CountResidentTextures();
void GetTextureStats(uint32_t* foreground, uint32_t* background, uint32_t* fixed,
                     uint32_t* debug);

// Registered textures, in registry order (tests and the statistics).
uint32_t RegisteredTextureCount();
GLTexture* RegisteredTexture(uint32_t index);
