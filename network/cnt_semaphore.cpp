#include "network/cnt_semaphore.h"

#include <sys/ipc.h>
#include <sys/sem.h>

namespace {

union semun {
    int val;
    struct semid_ds* buf;
    unsigned short* array;
};

}  // namespace

int CNT_Semaphore::create_sem(int n)
{
    const int id = semget(key, n, IPC_CREAT | 0666);
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
