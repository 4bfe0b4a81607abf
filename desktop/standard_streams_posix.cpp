#include "desktop/standard_streams.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

void openMissingStandardStreams()
{
    for (int number = STDIN_FILENO; number <= STDERR_FILENO; ++number) {
        if (::fcntl(number, F_GETFD) != -1 || errno != EBADF)
            continue;
        // open gives the lowest free number, which is this one.
        const int opened = ::open("/dev/null", O_RDWR);
        if (opened >= 0 && opened != number)
            ::close(opened);
    }
}
