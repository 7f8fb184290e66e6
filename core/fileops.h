#pragma once
// The file operations whose failure or delay decides what is on the disk after a stop (the
// renames and syncs of the statistics day change, the record's day rotation and the NG pictures). The program calls them through here; tests
// replace the instance to make a rename fail or a sync wait, as a real disk can.
// The instance is read from any thread: a replacement must be safe to call from several.

class FileOps {
public:
    virtual ~FileOps() = default;

    // As rename(2) and fsync(2): 0, or -1 with errno set. `path` names what `fd` is open on.
    virtual int rename(const char* from, const char* to);
    virtual int fsync(int fd, const char* path);
    // As rename(2), but never over a file: -1 with EEXIST when `to` is taken.
    virtual int renameNoReplace(const char* from, const char* to);

    // The operations in force; never null.
    static FileOps* instance();
    // Replaces them (tests); nullptr restores the real ones. Returns the previous instance.
    static FileOps* setInstance(FileOps* ops);
};
