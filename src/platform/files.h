// Whole-file and directory services and the system language.
#pragma once
#include "platform/memfile.h"

struct WIN32_FIND_DATA {
    char cFileName[255];
    unsigned long long nFileSizeLow;  // sizes are added to what the field holds
    UWORD dwFileAttributes;           // 16 directory, 0 otherwise
    char cDirName[1000];              // searched directory with its trailing "/"
};
using FindHandle = void *;            // a directory stream

constexpr UWORD FILE_ATTRIBUTE_DIRECTORY = 16;
constexpr int COPYDIR_EMPTY_DEST = 0x01;   // empty the destination first
constexpr int COPYDIR_FILES = 0x02;        // copy files, keep the destination's index files
constexpr int COPYDIR_MOVE = 0x04;         // delete each source file once copied (a destination
                                           // with the same bytes already stands as the copy)
// Write each file straight, without a flush of its own: only for a folder no
// one reads until the caller has flushed it with SyncTree and renamed it into
// place. A file that fails may be left half written there.
constexpr int COPYDIR_NOSYNC = 0x08;

ULONG GetFileSize(const char *name);                       // 0 when missing
int IsFilePresent(const char *name);                       // 1 when readable
APTR LoadFile2Mem(const char *name, ULONG memFlags);       // new buffer, or null (empty files too)
[[nodiscard]] int SaveMem2File(const char *name, const void *buffer, ULONG length);  // 1 when all written
[[nodiscard]] int CopyFile(const char *source, const char *dest, int failIfExists);  // 1 or 0
[[nodiscard]] int MoveFile(const char *source, const char *dest);        // 1 or 0
int DeleteFile(const char *name);                          // 1 if removed
FindHandle FindFirstFile(const char *pattern, WIN32_FIND_DATA *record);  // null on failure
int FindNextFile(FindHandle handle, WIN32_FIND_DATA *record);           // 1 next entry, 0 end
void FindClose(FindHandle handle);
char *GetDirBuffer(const char *dir, ULONG n);              // n slots of 80 bytes, or null; caller frees
UWORD GetDirEntries(const char *dir);
int DeleteDir(const char *dir, const char *prefix);        // 1
int CopyDir(const char *source, const char *dest, int mode);  // 1, or 0 after a failure on the way
// Puts everything written below dir (and on the rest of its file system) on
// the disk in one go; 1 when that succeeded.
[[nodiscard]] int SyncTree(const char *dir);
const char *GetSysLanguage();                              // "German" or "-", asked once per run
void ForgetSysLanguage();                                  // tests: the next call asks again

// Creates the temporary file of a new version of name in name's directory as
// "." + base name + ".XXXXXX" (no reader's mask matches it), after removing
// those an interrupted write of the same target left. The open descriptor
// with the name in tmp, or -1.
[[nodiscard]] int CreateTempBeside(const char *name, char *tmp, ULONG tmpSize);

// Writes a complete new file beside the old one, flushes it and renames it
// over the old one: a crash leaves the old or the new file, never a mix.
// mode -1 keeps the old file's permissions (new files follow the umask).
// Returns length on success, -1 when nothing could be created, else the bytes written.
[[nodiscard]] int WriteFileAtomic(const char *name, const void *buffer, ULONG length, int mode);

// Several files replaced as one change, so that a crash leaves all of them
// old or all new. Each target is first copied beside itself (StageFileBeside
// gives the copy's name, to be changed with the usual writers); then
// CommitFilesTogether writes the list of targets whole as the note, renames
// each copy over its target, and removes the note. A run that finds the note
// finishes the renames with FinishFilesTogether (1 when it finished one). A
// missing target gets no copy: one the caller writes becomes the new file.
// copies without a note never took effect and are overwritten by the next
// staging or removed by DropStagedFile.
[[nodiscard]] int StageFileBeside(const char *target, char *staged, ULONG size);
[[nodiscard]] int CommitFilesTogether(const char *note, const char *const *targets, int n);
int FinishFilesTogether(const char *note);
void DropStagedFile(const char *target);
