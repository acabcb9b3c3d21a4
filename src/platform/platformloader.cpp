#include "platformloader.h"

#include "linux/jsonfileuserdefaults.h"

std::unique_ptr<Platform> loadPlatform()
{
    auto platform = std::make_unique<Platform>();
    platform->userDefaults = std::make_unique<JsonFileUserDefaults>();
    return platform;
}
