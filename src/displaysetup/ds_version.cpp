// The version line and the build identifier fixed when the program is built.
#include "displaysetup/ds_version.h"

#include <wx/string.h>

#include "displaysetup/ds_build_id.h"

namespace {

const char kVersion[] = "2.0";
const char kPlatformName[] = "Linux";

}  // namespace

const char* GetBuildIdentifier() { return VORPANE_BUILD_ID; }

std::string FormatVersionLine() {
    return wxString::Format("Version: %s (%s Build: %.8s)", kVersion, kPlatformName,
                            GetBuildIdentifier())
        .ToStdString();
}
