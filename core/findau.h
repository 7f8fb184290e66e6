#pragma once
// USB stick: find its partition among the block devices and mount it on /mnt.
#include <QString>

// Mounts the first vfat/ntfs/exfat partition that is not on the system disk (the disk of the
// last ext4 partition listed before it) on /mnt, after unmounting whatever is there.
// Returns "/mnt" when the stick is mounted there afterwards, else "".
QString FindAU();
// True when /proc/mounts mentions /mnt.
bool FindU();
// Unmounts /mnt, then tries /dev/sdb1 and /dev/sdc1; true when one mounted.
bool FindU_ByManual();
