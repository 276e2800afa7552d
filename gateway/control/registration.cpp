#include "registration.h"

#include "module_info.h"
#include "registry_file.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace {

using namespace brantlet_module;

const std::string kClasses = "Software\\Classes";

std::string TypeLibKey()
{
    return kClasses + "\\TypeLib\\" + kLibraryId;
}
std::string ClassKey(const char* classId)
{
    return kClasses + "\\CLSID\\" + classId;
}
std::string InterfaceKey(const char* id)
{
    return kClasses + "\\Interface\\" + id;
}

std::string Folder(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

void WriteTypeLibrary(RegistryFile& reg, const std::string& typeLibraryPath)
{
    const std::string version = TypeLibKey() + "\\" + kLibraryVersion;
    reg.SetValue(version, "", kLibraryHelpString);
    reg.SetValue(version + "\\0\\linux", "", typeLibraryPath);
    reg.SetValue(version + "\\FLAGS", "", "2"); // a control library
    reg.SetValue(version + "\\HELPDIR", "", Folder(typeLibraryPath));
    const struct {
        const char* id;
        const char* name;
    } interfaces[] = {{kDispatchId, "_DBrantlet"}, {kEventsId, "_DBrantletEvents"}};
    for (const auto& i : interfaces) {
        reg.SetValue(InterfaceKey(i.id), "", i.name);
        reg.SetValue(InterfaceKey(i.id) + "\\TypeLib", "", kLibraryId);
        reg.SetValue(InterfaceKey(i.id) + "\\TypeLib", "Version", kLibraryVersion);
    }
}

void WriteClass(RegistryFile& reg, const char* classId, const char* progId, const char* typeName,
                const std::string& libraryPath)
{
    const std::string key = ClassKey(classId);
    reg.SetValue(key, "", typeName);
    reg.SetValue(key + "\\InprocServer32", "", libraryPath);
    reg.SetValue(key + "\\InprocServer32", "ThreadingModel", kThreadingModel);
    reg.SetValue(key + "\\ProgID", "", progId);
    reg.SetValue(kClasses + "\\" + progId, "", typeName);
    reg.SetValue(kClasses + "\\" + progId + "\\CLSID", "", classId);
}

void WriteControlClass(RegistryFile& reg, const std::string& libraryPath)
{
    WriteClass(reg, kControlClassId, kControlProgId, kControlTypeName, libraryPath);
    const std::string key = ClassKey(kControlClassId);
    reg.CreateKey(key + "\\Control");
    reg.SetValue(key + "\\MiscStatus", "", "0");
    reg.SetValue(key + "\\MiscStatus\\1", "", std::to_string(kMiscStatus));
    reg.SetValue(key + "\\ToolboxBitmap32", "", libraryPath + ", " + std::to_string(kToolboxBitmap));
    reg.SetValue(key + "\\TypeLib", "", kLibraryId);
    reg.SetValue(key + "\\Version", "", kLibraryVersion);
}

void RemoveClass(RegistryFile& reg, const char* classId, const char* progId)
{
    reg.DeleteTree(ClassKey(classId));
    reg.DeleteTree(kClasses + "\\" + progId);
}

} // namespace

std::string Registration::RegistryPath()
{
    if (const char* p = std::getenv("BRANTLET_REGISTRY"); p && *p)
        return p;
    std::string base;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x == '/') {
        base = x;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : ".") + "/.local/share";
    }
    return base + "/brantlet/registry.reg";
}

std::int32_t Registration::Register(const std::string& libraryPath, const std::string& typeLibraryPath)
{
    struct stat st {};
    if (::stat(typeLibraryPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return kTypeLibFailed;
    const std::string path = RegistryPath();
    RegistryFile reg;
    if (!reg.Load(path))
        return kTypeLibFailed;
    WriteTypeLibrary(reg, typeLibraryPath);
    if (!reg.Save(path))
        return kTypeLibFailed;
    WriteControlClass(reg, libraryPath);
    WriteClass(reg, kPropPageClassId, kPropPageProgId, kPropPageTypeName, libraryPath);
    if (!reg.Save(path))
        return kClassFailed;
    return kOk;
}

std::int32_t Registration::Unregister()
{
    const std::string path = RegistryPath();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return kOk; // nothing was ever registered
    RegistryFile reg;
    if (!reg.Load(path))
        return kTypeLibFailed;
    reg.DeleteTree(TypeLibKey() + "\\" + kLibraryVersion);
    // The library key goes too unless another version of it is still registered.
    if (!reg.HasKeysBelow(TypeLibKey()))
        reg.DeleteTree(TypeLibKey());
    reg.DeleteTree(InterfaceKey(kDispatchId));
    reg.DeleteTree(InterfaceKey(kEventsId));
    if (!reg.Save(path))
        return kTypeLibFailed;
    RemoveClass(reg, kControlClassId, kControlProgId);
    RemoveClass(reg, kPropPageClassId, kPropPageProgId);
    if (!reg.Save(path))
        return kClassFailed;
    return kOk;
}

bool Registration::Lookup(const std::string& progId, std::string* classId, std::string* libraryPath)
{
    RegistryFile reg;
    if (!reg.Load(RegistryPath()))
        return false;
    const std::string* id = reg.Value(kClasses + "\\" + progId + "\\CLSID", "");
    if (!id)
        return false;
    const std::string* server = reg.Value(kClasses + "\\CLSID\\" + *id + "\\InprocServer32", "");
    if (!server)
        return false;
    *classId = *id;
    *libraryPath = *server;
    return true;
}
