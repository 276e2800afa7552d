#pragma once

// Test helper: the line settings of a terminal as the driver holds them (through the
// master side of a pseudo-terminal they are those of the slave).
struct LineProbe {
    unsigned baud = 0;
    bool rtsCtsHandshake = false;
    bool ignoreCarrier = false;
    bool eightBits = false;
    bool parity = false;
    bool twoStopBits = false;
    bool canonical = false;
    bool echo = false;
    bool softwareFlow = false;
    bool outputProcessing = false;
};

bool ProbeLine(int fd, LineProbe& probe);
