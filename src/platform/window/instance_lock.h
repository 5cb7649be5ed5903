#pragma once

// One running copy of the program per user: the copies share the fixed names
// of the temporary workspace, so a second one would overwrite and, at its
// end, delete the first one's work. On Windows the lock is a named mutex of
// the session; on Linux an flock()ed file in the user's private TempDir.

#include <memory>

namespace tarnwell {

class InstanceLock {
public:
    // Takes the lock unless another holder (another copy of the program, or
    // another InstanceLock of this process) has it. When the lock cannot be
    // made at all (no temporary folder, no right to create the file), the
    // program is not held back: it runs as it would without the lock.
    InstanceLock();
    ~InstanceLock();
    InstanceLock(InstanceLock const&) = delete;
    InstanceLock& operator=(InstanceLock const&) = delete;

    bool another_copy_runs() const { return m_another_copy_runs; }

    struct Handle;

private:
    std::unique_ptr<Handle> m_handle;
    bool m_another_copy_runs { false };
};

}
