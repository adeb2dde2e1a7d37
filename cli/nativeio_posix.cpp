// SPDX-License-Identifier: GPL-3.0-or-later
#include "nativeio.h"

#include <cerrno>
#include <initializer_list>
#include <fcntl.h>
#include <unistd.h>

// Each closed one gets /dev/null opened the wrong way round, so that using
// it fails as using the closed stream would.
void occupyClosedStandardStreams()
{
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lower ones are open by now, so this takes fd itself.
        const int placeholder = ::open("/dev/null", (fd == STDIN_FILENO ? O_WRONLY : O_RDONLY));
        if (placeholder >= 0 && placeholder != fd) {
            ::dup2(placeholder, fd);
            ::close(placeholder);
        }
    }
}

QByteArrayList nativeArguments(const QByteArrayList &argvBytes)
{
    return argvBytes;
}
