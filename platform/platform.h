// What the operating system provides to the programs: the standard streams
// at start-up, the current directory, the keys of a profile (INI) file, a
// whole file read at once, a single-key wait, and an output file followed
// through its links and replaced whole. One implementation per system sits behind this header;
// nothing above it knows which system it is.
#ifndef QUILMAR_PLATFORM_PLATFORM_H
#define QUILMAR_PLATFORM_PLATFORM_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Prepares the process for the run, once at start-up: a standard output
// that the reader has closed (`quilmar | head -1`) must not end the run
// before every capture is released and every device closed. Writes to such
// an output fail and are ignored, as they are on every system.
void PlatformStartUp();

// Whether argument is the system's own way of asking a console program for
// help, beside --help and -h ("/?" on Windows; none elsewhere, where "/?"
// could be a path).
bool PlatformIsHelpSwitch(const char *argument);

// Standard input, output and error as bits of the result of
// PlatformEnsureStandardStreams.
constexpr unsigned kStandardInputOpened = 1u;
constexpr unsigned kStandardOutputOpened = 2u;
constexpr unsigned kStandardErrorOpened = 4u;

// Opens the null device in place of each of standard input, output and
// error that the process was started without, so that no file the run opens
// later (a call trace, an output file) takes the place of one and receives
// the program's own lines. Called first thing, before anything is opened.
// Returns the streams it had to open, as kStandard...Opened bits.
unsigned PlatformEnsureStandardStreams();

// Writes a path naming fileName in the current directory into path
// (capacity bytes, NUL included): the current directory, a path separator and
// fileName. Where the system can name the file relative to the current
// directory, a directory too deep to be read or joined gives "./" and
// fileName instead. Returns false, leaving path empty, when no such path can
// be formed or it does not fit.
bool PlatformPathInCurrentDirectory(const char *fileName, char *path, size_t capacity);

// Reads the text of key in section of the profile file at path into buffer
// (size bytes, NUL included; longer values are cut). When the file, section or
// key is absent, defaultText is copied instead. Returns the number of
// characters stored, NUL not counted.
uint32_t PlatformReadProfileString(const char *section, const char *key, const char *defaultText,
                                   char *buffer, uint32_t size, const char *path);

// One key to read from a profile file, and where its text goes.
struct ProfileQuery {
    const char *section;
    const char *key;
    char *buffer;  // size bytes, NUL included; longer values are cut
    uint32_t size;
};

// As PlatformReadProfileString for each query, every one with the same
// default text and file, reading the file once however many keys are asked
// for.
void PlatformReadProfileStrings(const ProfileQuery *queries, size_t count, const char *defaultText,
                                const char *path);

// How a whole-file read ended.
enum WholeFileResult : int {
    kWholeFileRead = 0,        // content holds the file
    kWholeFileMissing = 1,     // no such file, or no such folder on its path
    kWholeFileNoPath = 2,      // the path cannot be followed to a file (a folder
                               // that may not be searched, a link loop)
    kWholeFileNotOpened = 3,   // the file is there but may not be opened
    kWholeFileFolder = 4,      // a folder
    kWholeFileNotRegular = 5,  // a named pipe, a device: never read from
    kWholeFileReadFailed = 6,  // opened, but a read failed
    kWholeFileTooLarge = 7,    // more than maxBytes bytes
    kWholeFileNoMemory = 8,    // the content would not fit in memory
};

// Reads the whole regular file at path into content. The file is opened
// before it is looked at, and only what was opened is read, so that nothing
// can be swapped in between; opening never waits (a named pipe without a
// writer is refused at once). Any result but kWholeFileRead leaves content
// empty and writes the reason into reason (reasonSize bytes): the C
// library's text for the error (strerror), "not a regular file", "larger
// than <maxBytes> bytes" or "out of memory", or the system's own text for
// an error the C library has no number for.
WholeFileResult PlatformReadWholeFile(const char *path, size_t maxBytes, std::string *content,
                                      char *reason, size_t reasonSize);

// How a path given in UTF-16 was put in the system's narrow form.
enum NarrowPathResult : int {
    kNarrowPathDone = 0,
    kNarrowPathTooLong = 1,  // it does not fit in the caller's buffer
    kNarrowPathNoForm = 2,   // a character has no narrow form on this system
};

// Writes the path of count UTF-16 code units (units) into out (outSize
// bytes, NUL included) in the encoding the system's narrow file functions
// take: UTF-8 on POSIX systems, the ANSI code page on Windows. A character
// with no form there (on Windows one the code page lacks, on every system an
// unpaired surrogate) is never replaced by '?' or a look-alike, which would
// name another file: the result is kNarrowPathNoForm, with reason
// (reasonSize bytes) naming the character and the encoding, as in
// "U+0141 has no form in code page 1252".
NarrowPathResult PlatformNarrowPath(const char16_t *units, size_t count, char *out, size_t outSize,
                                    char *reason, size_t reasonSize);

// What an output path names, once symbolic links are followed.
enum OutputKind : int {
    kOutputFile = 0,    // a regular file, or none yet: replaced whole
    kOutputStream = 1,  // a pipe, a terminal, a device: written straight into
};

// Follows the symbolic links of path to the file they lead to, which need
// not exist yet, and writes its path into target (targetSize bytes) and its
// kind into *kind. A path that is no link is its own target. Returns false
// when the links cannot be followed (a loop, a target too long), with the
// system's reason in reason (reasonSize bytes).
bool PlatformResolveOutput(const char *path, char *target, size_t targetSize, OutputKind *kind,
                           char *reason, size_t reasonSize);

// Creates and opens for binary writing a new file in the folder of path,
// under a short name of its own that no other file there has (zkd, a random
// part and .tmp), so that it fits in any folder that path fits in; writes
// that name into tempPath (tempPathSize bytes, at least 260). The new file
// gets the permission bits (0777) of the file at path when there is one,
// never its set-user-ID, set-group-ID or sticky bit, and otherwise those any
// new file of the user gets. Until PlatformReplaceFile or
// PlatformDiscardFile is done with it, the new file is removed when the
// process is ended by SIGINT, SIGTERM or SIGHUP (on Windows: Ctrl-C,
// Ctrl-Break, the console closed) or by a crash (SIGSEGV, SIGBUS, SIGILL,
// SIGFPE, SIGABRT; on Windows an unhandled exception), which then ends the
// process as it would have. One such file at a time. Returns null on failure, with the system's
// reason in reason (reasonSize bytes); a path the system refuses to look up
// (a name too long for its folder) fails here, before any file is made.
FILE *PlatformCreateFileBeside(const char *path, char *tempPath, size_t tempPathSize, char *reason,
                               size_t reasonSize);

// Renames the file from to to, replacing a file that to already names.
// Returns false on failure, with the system's reason in reason; from is then
// still the file made by PlatformCreateFileBeside, for PlatformDiscardFile.
bool PlatformReplaceFile(const char *from, const char *to, char *reason, size_t reasonSize);

// Removes the file PlatformCreateFileBeside made (tempPath), which is not to
// replace anything after all.
void PlatformDiscardFile(const char *tempPath);

// Which file a path or an open file is, whatever name reached it: on Linux
// the device and the inode, on Windows the volume serial and the file
// index. Two names of one file have equal identities.
struct FileIdentity {
    uint64_t volume;
    uint64_t index;
    bool regular;  // a regular file, not a device, pipe or folder
};

// A volume of 0 is one the system could not tell (see platform_win32.cpp):
// the index alone then decides.
inline bool SameFile(const FileIdentity &a, const FileIdentity &b) {
    return a.index == b.index && (a.volume == b.volume || a.volume == 0 || b.volume == 0);
}

// The identity of the file at path, its links followed. Returns false when
// there is no such file or it cannot be looked at.
bool PlatformFileIdentity(const char *path, FileIdentity *identity);

// The identity of the file open as file. Returns false when the system
// cannot tell.
bool PlatformOpenFileIdentity(FILE *file, FileIdentity *identity);

// How taking the lock of an open file ended.
enum FileLockResult : int {
    kFileLockTaken = 0,       // held until the file is closed
    kFileLockHeld = 1,        // another open of the file holds it
    kFileLockUnavailable = 2  // the system or file system cannot lock it
};

// Takes an exclusive lock of the whole open file without waiting for it
// (POSIX: flock; Windows: LockFileEx). A lock of one open does not give way
// to another open of the same file, even in the same process.
FileLockResult PlatformLockFile(FILE *file);

// Cuts the open regular file to length bytes. Returns 0, or the C library's
// error number.
int PlatformTruncateFile(FILE *file, uint64_t length);

// Flushes standard output, then waits for one key press: on a console one key
// at once, without echo and without Enter; on a pipe or file one byte. Returns
// the key (0..255) or -1 when there is no input to wait for (end of input, no
// console) or the run is interrupted (PlatformInterrupted), before or during
// the wait. Never blocks on a closed input.
int PlatformWaitKey();

// Turns the interrupts a user ends a console program with (SIGINT, SIGTERM
// and SIGHUP; on Windows Ctrl-C, Ctrl-Break and closing the console) into a
// request the program answers between two library calls, so that it can
// release what it holds first. The first interrupt only marks the run as
// interrupted and ends a key wait; a second one ends the process at once,
// as the interrupt would have without this. Signals the user has set to be
// ignored (nohup) stay ignored. Called once, before the first library call.
void PlatformWatchInterrupts();

// Whether an interrupt has arrived since PlatformWatchInterrupts.
bool PlatformInterrupted();

// Ends an interrupted run, once its captures are released and its devices
// closed, the way the interrupt would have ended it: the signal raised again
// with its default action, or on Windows the exit status
// STATUS_CONTROL_C_EXIT. Flushes standard output first. Does not return.
[[noreturn]] void PlatformEndInterrupted();

// The board access library's file name as a program of this system asks for
// it: ZKT.DLL on Windows, libzkt.so elsewhere.
extern const char *const kPlatformBoardLibraryName;

// Loads the shared library name as the system finds a library a program
// imports (beside the program first on Windows; the program's run path and
// the system's folders elsewhere). Returns its handle, or null with the
// system's reason in reason (reasonSize bytes): a phrase without a final full
// stop, any blank the system's text leaves for a file filled with name.
void *PlatformLoadLibrary(const char *name, char *reason, size_t reasonSize);

// Loads the shared library at path, a full path, its own libraries looked
// for beside it first. Returns its handle, or null with the system's reason
// in reason (reasonSize bytes), worded as PlatformLoadLibrary words it.
void *PlatformLoadLibraryFile(const char *path, char *reason, size_t reasonSize);

// The address library exports under name, or null.
void *PlatformLibrarySymbol(void *library, const char *name);

// The path of the file library was loaded from, into path (pathSize bytes).
// Returns false when the system cannot tell.
bool PlatformLibraryPath(void *library, char *path, size_t pathSize);

#endif  // QUILMAR_PLATFORM_PLATFORM_H
