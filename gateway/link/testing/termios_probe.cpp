#include "termios_probe.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

bool ProbeLine(int fd, LineProbe& probe)
{
    termios2 settings{};
    if (ioctl(fd, TCGETS2, &settings) != 0) {
        return false;
    }
    probe.baud = settings.c_ospeed;
    probe.rtsCtsHandshake = (settings.c_cflag & CRTSCTS) != 0;
    probe.ignoreCarrier = (settings.c_cflag & CLOCAL) != 0;
    probe.eightBits = (settings.c_cflag & CSIZE) == CS8;
    probe.parity = (settings.c_cflag & PARENB) != 0;
    probe.twoStopBits = (settings.c_cflag & CSTOPB) != 0;
    probe.canonical = (settings.c_lflag & ICANON) != 0;
    probe.echo = (settings.c_lflag & ECHO) != 0;
    probe.softwareFlow = (settings.c_iflag & (IXON | IXOFF)) != 0;
    probe.outputProcessing = (settings.c_oflag & OPOST) != 0;
    return true;
}
