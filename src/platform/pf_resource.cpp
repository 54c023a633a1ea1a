// Lookup in the embedded resource table.
#include "platform/pf_resource.h"

namespace {

bool EqualNoCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char ca = static_cast<unsigned char>(*a);
        unsigned char cb = static_cast<unsigned char>(*b);
        if (ca >= 'a' && ca <= 'z') ca = static_cast<unsigned char>(ca - 'a' + 'A');
        if (cb >= 'a' && cb <= 'z') cb = static_cast<unsigned char>(cb - 'a' + 'A');
        if (ca != cb) return false;
        if (ca == 0) return true;
    }
}

}  // namespace

ResourceBytes PfFindResourceBytes(const char* type, const char* name) {
    if (type == nullptr || name == nullptr) return {nullptr, 0};
    for (size_t i = 0; i < kEmbeddedResourceCount; ++i) {
        const EmbeddedResource& r = kEmbeddedResources[i];
        if (EqualNoCase(r.type, type) && EqualNoCase(r.name, name)) return {r.data, r.size};
    }
    return {nullptr, 0};
}
