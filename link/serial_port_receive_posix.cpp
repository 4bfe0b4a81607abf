// A receive pass on POSIX: poll for input, then read what has come. The read
// takes whatever is there; how many bytes are awaited does not matter to it.

#include "link/serial_port.h"

int SerialPort::receiveArrived(std::uint8_t* into, int capacity, int, int milliseconds)
{
    if (!waitForInput(milliseconds))
        return 0;
    return readAvailable(into, capacity);
}
