#pragma once
// Replacing one file of the program folder so that the file under its own name is always a
// complete version, whenever the process dies. The new content goes into a temporary file
// beside the target and is flushed to the disk; only then does the previous version become
// the backup (".old") and the new file take the target's name.
#include "platform/Platform.h"

#include <memory>
#include <string>

namespace zem {

// Deletes a file, clearing its read-only attribute first; false when it is still there.
bool DeleteFileForce(IFileSystem& files, const std::wstring& path);

// Repairs what a process that died while replacing the target can leave: a temporary file
// is deleted; a backup without its target is the last complete version and is renamed
// back; a backup beside its target is always older than the target and is deleted.
// Outcomes are not examined: what is left makes a later step fail.
void RepairAfterCrash(IFileSystem& files, const std::wstring& target);

class FileReplacement {
public:
    FileReplacement(IFileSystem& files, const std::wstring& target);
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;
    // Until Commit: the new version or the temporary file is deleted and the previous
    // version put back under the target's name. Outcomes are not examined.
    ~FileReplacement();

    // The temporary file for the new content, created empty. Throws EInOutError.
    std::unique_ptr<IOutputFile> CreateTemporary();
    // Puts the written, flushed and closed temporary file in place of the target; the
    // previous version, if any, becomes the backup. Throws EInOutError when a step fails.
    void Swap();
    // Keeps the new version and deletes the backup.
    void Commit();

private:
    IFileSystem& files;
    std::wstring target, backup, temporary;
    bool backedUp = false, swapped = false, committed = false;
};

} // namespace zem
