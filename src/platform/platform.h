// The platform services the application delegate hands to the modules, chosen by the platform loader.
#pragma once

#include "userdefaults.h"

#include <memory>

struct Platform {
    std::unique_ptr<UserDefaults> userDefaults;
};
