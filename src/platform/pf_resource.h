// Resources embedded in the executable, looked up by type and name.
//
// The build turns every asset under resources/ into one row of a table (see
// cmake/EmbedResources.cmake). Lookups ignore case, so "live_text" finds the
// picture stored as LIVE_TEXT.PNG, the way callers ask for it.
#pragma once

#include <cstddef>

// One row of the table the build generates. The bytes are followed by one zero
// byte that is not counted in size.
struct EmbeddedResource {
    const char* type;           // "PNG", "WAV", "MID"
    const char* name;           // upper case, no extension
    const unsigned char* data;
    size_t size;                // in bytes
};

// Defined by the generated table that the executable (or a test) links.
extern const EmbeddedResource kEmbeddedResources[];
extern const size_t kEmbeddedResourceCount;

// A found resource: data is null and size 0 when there is none.
struct ResourceBytes {
    const unsigned char* data;
    size_t size;
};

// Finds the resource of this type and name, without regard to case.
ResourceBytes PfFindResourceBytes(const char* type, const char* name);
