// Module-level entry points: version data, the property page's description, self-
// registration and creation through the registry.
#include "brantlet/brantlet.h"
#include "module_info.h"
#include "registration.h"

#include <dlfcn.h>
#include <string>
#include <sys/stat.h>

namespace {

using namespace brantlet_module;

// The file this code was loaded from: the shared library itself.
std::string ModulePath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ModulePath), &info) == 0 || !info.dli_fname)
        return {};
    return info.dli_fname;
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

} // namespace

extern "C" {

BRANTLET_EXPORT const char* brantlet_version_info(int32_t field)
{
    switch (field) {
    case BRANTLET_VERSION_FILE_VERSION:
    case BRANTLET_VERSION_PRODUCT_VERSION:
        return kFileVersionText;
    case BRANTLET_VERSION_FILE_DESCRIPTION:
    case BRANTLET_VERSION_PRODUCT_NAME:
        return kFileDescription;
    case BRANTLET_VERSION_INTERNAL_NAME:
        return kInternalName;
    case BRANTLET_VERSION_ORIGINAL_FILENAME:
        return kOriginalFilename;
    default:
        return nullptr;
    }
}

BRANTLET_EXPORT void brantlet_file_version(uint16_t* major, uint16_t* minor, uint16_t* build, uint16_t* revision)
{
    if (major)
        *major = kFileVersion[0];
    if (minor)
        *minor = kFileVersion[1];
    if (build)
        *build = kFileVersion[2];
    if (revision)
        *revision = kFileVersion[3];
}

BRANTLET_EXPORT const char* brantlet_property_page_info(int32_t field)
{
    switch (field) {
    case BRANTLET_PROPPAGE_CAPTION:
        return kPropPageCaption;
    case BRANTLET_PROPPAGE_STATIC_TEXT:
        return kPropPageStaticText;
    case BRANTLET_PROPPAGE_PROGID:
        return kPropPageProgId;
    default:
        return nullptr;
    }
}

BRANTLET_EXPORT int32_t DllRegisterServer(void)
{
    try {
        const std::string module = ModulePath();
        if (module.empty())
            return Registration::kTypeLibFailed;
        return Registration::Register(module, FolderOf(module) + "/" + kTypeLibraryFile);
    } catch (...) {
        return Registration::kTypeLibFailed;
    }
}

BRANTLET_EXPORT int32_t DllUnregisterServer(void)
{
    try {
        return Registration::Unregister();
    } catch (...) {
        return Registration::kTypeLibFailed;
    }
}

BRANTLET_EXPORT brantlet_status brantlet_create_from_progid(const char* progid, brantlet** out)
{
    if (!progid || !out)
        return BRANTLET_E_INVALID_ARG;
    *out = nullptr;
    try {
        std::string classId;
        std::string library;
        // Only the control class can be created, and only by the library registered for it.
        if (!Registration::Lookup(progid, &classId, &library) || classId != kControlClassId ||
            !SameFile(library, ModulePath())) {
            return BRANTLET_E_NOT_REGISTERED;
        }
    } catch (...) {
        return BRANTLET_E_NO_MEMORY;
    }
    *out = brantlet_create();
    return *out ? BRANTLET_OK : BRANTLET_E_SYSTEM;
}

} // extern "C"
