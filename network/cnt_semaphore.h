#pragma once
// One System V semaphore guarding a shared video channel, and what the client is told of the
// channel. The writer never waits on the semaphore: a channel the client holds skips the frame, so
// a reader that keeps it cannot stall the GUI thread (and with it the inspection cycle).
#include <sys/ipc.h>
#include <sys/types.h>

// The IPC object was made by this user for this user alone (mode 0600).
bool IpcIsOurs(const ipc_perm& perm);

class CNT_Semaphore {
public:
    explicit CNT_Semaphore(key_t key) : key(key) {}

    // A set of n semaphores only this user may use (0600), semaphore 0 set to 1; the id is kept
    // only when that worked. A set found under the key is used only when it is ours, private and
    // large enough; any other is removed and made again, and when that is not allowed there is none.
    int create_sem(int n);
    // An existing set of the key; the id is kept when found.
    int get_sem();
    // Takes semaphore 0 without waiting; false when it is held (or there is none).
    bool P_sem();
    void V_sem();
    // Sets semaphore 0 to 1: frees a lock a departed client left, without ever raising it to 2.
    void resetToOne();
    // The value of semaphore 0; -1 without a set.
    int value() const;

    key_t key;
    int semid = -1;
};

struct VideoShareInfo {
    int cameraid = 0;  // channel number
    int width = 0, height = 0;
    int size = 0;      // width * height * 3 / 2
    int shmid = -1;
    int semid = -1;
    unsigned char* address = nullptr;  // null when the segment could not be attached
    CNT_Semaphore* sem = nullptr;
    int fps = 0;
    // Copies go only to a channel with both ids and an attached segment.
    bool writable() const { return shmid != -1 && semid != -1 && address; }
};
