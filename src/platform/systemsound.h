// Plays the desktop's sounds. Never blocks; a missing sound service plays nothing.
#pragma once

class SystemSound {
public:
    virtual ~SystemSound() = default;
    // The sound of a screen capture having been taken.
    virtual void playCaptureSound() = 0;
};
