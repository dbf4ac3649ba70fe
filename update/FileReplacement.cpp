#include "update/FileReplacement.h"

#include "update/TargetPath.h"
#include "util/Errors.h"

namespace zem {

namespace {
constexpr std::uint32_t AccessDenied = 5;

// The backup or temporary name beside the target, in the long-path form where it needs it.
std::wstring Beside(const std::wstring& target, std::wstring_view suffix) {
    return LongPathForm(target + std::wstring(suffix));
}
} // namespace

bool DeleteFileForce(IFileSystem& files, const std::wstring& path) {
    files.ClearReadOnly(path);
    return files.RemoveFile(path) || !files.FileExists(path);
}

void RepairAfterCrash(IFileSystem& files, const std::wstring& target) {
    const std::wstring backup = Beside(target, BackupSuffix);
    const std::wstring temporary = Beside(target, TempSuffix);
    if (files.FileExists(temporary))
        DeleteFileForce(files, temporary);
    if (!files.FileExists(backup))
        return;
    if (files.FileExists(target))
        DeleteFileForce(files, backup);
    else
        files.RenameFile(backup, target);
}

FileReplacement::FileReplacement(IFileSystem& files, const std::wstring& target)
    : files(files), target(target), backup(Beside(target, BackupSuffix)),
      temporary(Beside(target, TempSuffix)) {}

FileReplacement::~FileReplacement() {
    if (committed)
        return;
    if (swapped)
        files.RemoveFile(target);
    // Should the previous version not come back, the complete new one takes its place rather
    // than leaving nothing under the target's name.
    if (backedUp && !files.RenameFile(backup, target) && !swapped)
        files.RenameFile(temporary, target);
    if (!swapped)
        DeleteFileForce(files, temporary);
}

std::unique_ptr<IOutputFile> FileReplacement::CreateTemporary() {
    return files.CreateOutputFile(temporary);
}

void FileReplacement::Swap() {
    if (files.FileExists(target)) {
        if (files.FileExists(backup) && !DeleteFileForce(files, backup))
            throw EInOutError(L"Die alte Sicherung \"" + target + std::wstring(BackupSuffix) +
                                  L"\" kann nicht gelöscht werden",
                              AccessDenied);
        if (!files.RenameFile(target, backup))
            throw EInOutError(L"Die Datei \"" + target + L"\" kann nicht gesichert werden",
                              AccessDenied);
        backedUp = true;
    }
    if (!files.RenameFile(temporary, target))
        throw EInOutError(L"Die neue Fassung von \"" + target +
                              L"\" kann nicht an ihren Platz gebracht werden",
                          AccessDenied);
    swapped = true;
}

void FileReplacement::Commit() {
    committed = true;
    if (backedUp)
        DeleteFileForce(files, backup);
}

} // namespace zem
