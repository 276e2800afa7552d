#pragma once

#include <cstdint>
#include <string>

// Self-registration of the control module in the per-user registry file: the type
// library, the control class and the property page class, with their ProgIDs.
class Registration final {
public:
    static constexpr std::int32_t kOk = 0;
    static constexpr std::int32_t kTypeLibFailed = static_cast<std::int32_t>(0x80040200);
    static constexpr std::int32_t kClassFailed = static_cast<std::int32_t>(0x80040201);

    // $BRANTLET_REGISTRY, else $XDG_DATA_HOME/brantlet/registry.reg, else
    // ~/.local/share/brantlet/registry.reg.
    static std::string RegistryPath();

    // The type library first, then both classes. kTypeLibFailed when the type description
    // is missing or the registry cannot be read or written, kClassFailed when the classes
    // cannot be written.
    static std::int32_t Register(const std::string& libraryPath, const std::string& typeLibraryPath);
    // Removes the type library 1.0, then both classes and their ProgIDs; other entries stay.
    static std::int32_t Unregister();

    // The class and server library registered for a ProgID; false when it is not registered.
    static bool Lookup(const std::string& progId, std::string* classId, std::string* libraryPath);
};
