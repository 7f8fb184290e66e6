#include "network/cnt_semaphore.h"

#include <cerrno>

#include <sys/ipc.h>
#include <sys/sem.h>
#include <unistd.h>

#include <QtDebug>

namespace {

union semun {
    int val;
    struct semid_ds* buf;
    unsigned short* array;
};

}  // namespace

bool IpcIsOurs(const ipc_perm& perm)
{
    return perm.uid == geteuid() && perm.cuid == geteuid() && (perm.mode & 0777) == 0600;
}

int CNT_Semaphore::create_sem(int n)
{
    int id = semget(key, n, IPC_CREAT | IPC_EXCL | 0600);
    if (id < 0 && errno == EEXIST) {
        const int old = semget(key, 0, 0);
        semid_ds ds{};
        semun stat;
        stat.buf = &ds;
        if (old != -1 && semctl(old, 0, IPC_STAT, stat) == 0 && IpcIsOurs(ds.sem_perm) && int(ds.sem_nsems) >= n) {
            id = old;
        } else if (old == -1 || semctl(old, 0, IPC_RMID) != 0) {
            qWarning("video channel: the semaphore under key 0x%x is not ours and cannot be removed: "
                     "the channel stays dead",
                     unsigned(key));
            return -1;
        } else {
            id = semget(key, n, IPC_CREAT | IPC_EXCL | 0600);
        }
    }
    if (id < 0)
        return id;
    semun arg;
    arg.val = 1;
    if (semctl(id, 0, SETVAL, arg) != -1)
        semid = id;
    return id;
}

int CNT_Semaphore::get_sem()
{
    const int id = semget(key, 0, 0);
    if (id >= 0)
        semid = id;
    return id;
}

bool CNT_Semaphore::P_sem()
{
    if (semid == -1)
        return false;
    sembuf op{0, -1, IPC_NOWAIT};
    return semop(semid, &op, 1) == 0;
}

void CNT_Semaphore::V_sem()
{
    if (semid == -1)
        return;
    sembuf op{0, 1, 0};
    semop(semid, &op, 1);
}

void CNT_Semaphore::resetToOne()
{
    if (semid == -1)
        return;
    semun arg;
    arg.val = 1;
    semctl(semid, 0, SETVAL, arg);
}

int CNT_Semaphore::value() const
{
    return semid == -1 ? -1 : semctl(semid, 0, GETVAL);
}
