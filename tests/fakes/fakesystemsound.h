// A system sound for unit tests: counts the sounds played.
#pragma once

#include "systemsound.h"

class FakeSystemSound : public SystemSound {
public:
    int captureSoundCount = 0;

    void playCaptureSound() override { ++captureSoundCount; }
};
