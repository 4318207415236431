#pragma once

#include <QString>

// True when path names an existing file or folder, or when it is a pattern
// with the wildcards * and ? in its last component that matches at least one
// entry of its folder (hidden entries included). Empty text is false.
bool FileExists(const QString &path);

// True when the folder holds an entry of this name, a dangling symbolic link
// included; no wildcards. Empty is false.
bool EntryExists(const QString &path);

// True when the attributes of the file or folder can be read. Empty is false.
bool PathExists(const QString &path);

// Whether a file system of this type (statfs f_type) tells a watcher of the
// changes other machines or programs make: network and cluster file
// systems (NFS, SMB/CIFS, 9p, Ceph, AFS …), file systems in user space
// (FUSE: sshfs, synced folders) and the shared folders of virtual machines
// do not; their changes are only seen by looking again.
bool reportsOutsideChanges(qint64 fileSystemType);

// The same for the file system the folder lies on; true when its type
// cannot be read, false for every folder when fileEventsReported() is. May
// block as long as the file system does: not on the window thread.
bool folderReportsOutsideChanges(const QString &folder);

// False with the environment variable QUANDEL_NO_FILE_EVENTS=1: then no
// folder counts as reporting changes, and the program's file watches stay
// deaf (for tests, and for a file system the list above does not know).
bool fileEventsReported();

// Renames a file or folder (native names, subfolders included) in one step
// and never replaces what is already at the target. 0 on success, otherwise
// the errno of the failure (EEXIST where the target is taken).
int renameWithoutReplacing(const QByteArray &source, const QByteArray &target);
