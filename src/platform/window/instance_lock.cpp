#include "platform/window/instance_lock.h"

#ifdef _WIN32
#    include <windows.h>
#else
#    include "platform/files.h"
#    include "platform/posix_paths.h"
#    include <cerrno>
#    include <fcntl.h>
#    include <sys/file.h>
#    include <unistd.h>
#endif

namespace tarnwell {

#ifdef _WIN32

// A mutex named in the session's namespace: every copy of the program that
// the user starts in this logon session opens the same one.
struct InstanceLock::Handle {
    HANDLE mutex { nullptr };
    ~Handle()
    {
        if (mutex)
            CloseHandle(mutex);
    }
};

InstanceLock::InstanceLock()
{
    HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Local\\Tarnwell.RunningCopy");
    if (!mutex)
        return;
    m_handle = std::make_unique<Handle>();
    m_handle->mutex = mutex;
    m_another_copy_runs = GetLastError() == ERROR_ALREADY_EXISTS;
}

#else

// A lock file in the user's private temporary folder. flock() locks belong
// to one open of the file, so a second open, in this process or another,
// does not get it while the first is held; the lock goes with the process.
struct InstanceLock::Handle {
    int fd { -1 };
    ~Handle()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

InstanceLock::InstanceLock()
{
    Text temp_dir = TempDir();
    if (temp_dir.empty())
        return;
    auto path = posix::literal_disk_path(temp_dir + ".tarnwell-running.lock");
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return;
    m_handle = std::make_unique<Handle>();
    m_handle->fd = fd;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        m_another_copy_runs = errno == EWOULDBLOCK;
}

#endif

InstanceLock::~InstanceLock() = default;

}
