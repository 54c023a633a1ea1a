// Texture upload, the registry, release and restore across contexts, statistics.
#include "display/dp_texture.h"

#include <GL/gl.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/app_texture_image.h"
#include "display/dp_gl_state.h"
#include "platform/pf_window.h"

namespace {

// Invariant: g_registry[i]->index == i for every entry.
std::vector<GLTexture*> g_registry;  // main thread, whole run

// Between ReleaseGLResources and RestoreGLResources: textures uploaded into the new
// context already (the debug font of a reopened window). The restore keeps their
// names instead of uploading them a second time and leaking the first name. A texture
// made while no window exists got no name at all and is not listed here.
bool g_releasePending = false;
std::vector<GLTexture*> g_freshSinceRelease;

bool IsFresh(const GLTexture* t) {
    for (const GLTexture* f : g_freshSinceRelease)
        if (f == t) return true;
    return false;
}

void ForgetFresh(const GLTexture* t) {
    for (size_t i = 0; i < g_freshSinceRelease.size(); ++i)
        if (g_freshSinceRelease[i] == t) {
            g_freshSinceRelease.erase(g_freshSinceRelease.begin() + long(i));
            return;
        }
}

const GLenum kFilterTable[6] = {
    GL_NEAREST,
    GL_LINEAR,
    GL_NEAREST_MIPMAP_NEAREST,
    GL_LINEAR_MIPMAP_NEAREST,
    GL_NEAREST_MIPMAP_LINEAR,
    GL_LINEAR_MIPMAP_LINEAR,
};

// index held to 0..last.
uint8_t FilterIndex(int32_t index, int32_t last) {
    return static_cast<uint8_t>(index < 0 ? 0 : index > last ? last : index);
}

}  // namespace

GLTexture* MakeTexture(TextureImage* image, bool hasAlpha, TextureCategory category,
                       TextureFilters filters) {
    auto* t = static_cast<GLTexture*>(std::calloc(1, sizeof(GLTexture)));
    if (!t) return nullptr;
    t->image = image;
    t->hasAlpha = hasAlpha ? 1 : 0;
    t->category = category;
    // The stored settings may have been edited by hand: the indices are held to the
    // table here, where they are used.
    t->magFilter = FilterIndex(filters.mag, kMaxMagFilter);
    t->minFilter = FilterIndex(filters.min, kMaxMinFilter);
    if (image) UploadTexture(t);
    return t;
}

void UploadTexture(GLTexture* t) {
    GLenum magFilter = kFilterTable[FilterIndex(t->magFilter, kMaxMagFilter)];
    int32_t minIndex = FilterIndex(t->minFilter, kMaxMinFilter);
    GLenum minFilter = kFilterTable[minIndex];
    bool mipmapped = minIndex >= 2;
    if (mipmapped) BuildMipChain(t->image);

    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GLfloat(GL_REPEAT));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GLfloat(GL_REPEAT));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLfloat(magFilter));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLfloat(minFilter));
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GLfloat(GL_MODULATE));
    GLint level = 0;
    for (const TextureImage* image = t->image; image; image = image->next, ++level) {
        glPixelZoom(1.0f, 1.0f);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, GLint(image->stride / 4));
        glPixelTransferf(GL_ALPHA_SCALE, 1.0f);
        glTexImage2D(GL_TEXTURE_2D, level, t->hasAlpha ? GL_RGBA : GL_RGB,
                     GLsizei(image->columns), GLsizei(image->rows), 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, image->pixels);
        if (!mipmapped) break;
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    t->name = name;
    t->uploaded = 1;
    t->index = uint32_t(g_registry.size());
    g_registry.push_back(t);
    if (g_releasePending && PfGameWindowExists()) g_freshSinceRelease.push_back(t);
}

void CreateTextures(GLTexture** out, uint32_t n, const TextureStrip& strip,
                    TextureFilters filters) {
    for (uint32_t i = 0; i < n; ++i) {
        TextureImage* image = nullptr;
        if (i < strip.frameCount && strip.rowCount > 0 && i < strip.frames.size())
            image = strip.frames[i];
        out[i] = MakeTexture(image, true, TextureCategoryFixed, filters);
    }
}

void DeleteTexture(GLTexture* t) {
    if (!t) return;
    // Between a release and the restore the name of a record not uploaded since is
    // stale: the number may already belong to another texture of the new context.
    bool stale = g_releasePending && !IsFresh(t);
    ForgetFresh(t);
    if (t->uploaded) {
        GLuint name = t->name;
        if (!stale) glDeleteTextures(1, &name);
        uint32_t i = t->index;
        if (i < g_registry.size() && g_registry[i] == t) {
            g_registry[i] = g_registry.back();
            g_registry[i]->index = i;
            g_registry.pop_back();
        }
    }
    std::free(t);
}

void ReleaseGLResources() {
    for (GLTexture* t : g_registry) {
        GLuint name = t->name;
        glDeleteTextures(1, &name);
    }
    SaveSceneProjection();
    g_releasePending = true;
    g_freshSinceRelease.clear();
}

void RestoreGLResources() {
    GLModeCache copy = GetGLModeCache();
    ResetGLState2D();
    if (copy.scene3D)
        BeginScene3D(copy.lighting != 0);
    else
        BeginScene2D();
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(copy.savedProjection);
    glMatrixMode(GL_MODELVIEW);
    for (uint32_t i = 0; i < 8; ++i) {
        const LightRecord& r = copy.lights[i];
        if (!r.enabled) continue;
        EnableLight(i);
        if (r.directional)
            SetLightDirection(i, r.direction[0], r.direction[1], r.direction[2]);
        else
            SetLightPosition(i, r.position[0], r.position[1], r.position[2]);
        SetLightColors(i, r.color, r.ambient, r.diffuse, r.specular);
        if (r.hasAttenuation)
            SetLightAttenuation(i, r.constantAttenuation, r.linearAttenuation,
                                r.quadraticAttenuation);
    }
    std::vector<GLTexture*> taken;
    taken.swap(g_registry);
    g_releasePending = false;
    for (GLTexture* t : taken) {
        if (IsFresh(t)) {
            t->index = uint32_t(g_registry.size());
            g_registry.push_back(t);
        } else {
            UploadTexture(t);
        }
    }
    g_freshSinceRelease.clear();
}

uint32_t CountResidentTextures() {
    if (g_registry.empty()) return 0;
    std::vector<GLuint> names(g_registry.size());
    std::vector<GLboolean> flags(g_registry.size(), GL_FALSE);
    for (size_t i = 0; i < g_registry.size(); ++i) names[i] = g_registry[i]->name;
    if (glAreTexturesResident(GLsizei(names.size()), names.data(), flags.data()))
        return uint32_t(names.size());
    uint32_t count = 0;
    for (GLboolean f : flags) count += f ? 1 : 0;
    return count;
}

void GetTextureStats(uint32_t* foreground, uint32_t* background, uint32_t* fixed,
                     uint32_t* debug) {
    uint32_t sums[4] = {0, 0, 0, 0};
    for (const GLTexture* t : g_registry) {
        if (!t->image || t->category > 3) continue;
        sums[t->category] += t->image->rows * t->image->columns * (t->hasAlpha ? 4u : 3u);
    }
    if (foreground) *foreground = sums[TextureCategoryForeground];
    if (background) *background = sums[TextureCategoryBackground];
    if (fixed) *fixed = sums[TextureCategoryFixed];
    if (debug) *debug = sums[TextureCategoryDebug];
}

uint32_t RegisteredTextureCount() { return uint32_t(g_registry.size()); }

GLTexture* RegisteredTexture(uint32_t index) {
    return index < g_registry.size() ? g_registry[index] : nullptr;
}
