#include "app/win32/file_selection.h"

#include <windows.h>
#include <commdlg.h>

#include <cstring>

#include "app/config/config.h"
#include "app/win32/program_instance.h"
#include "app/win32/transfer_dialog.h"
#include "app/win32/transfer_state.h"
#include "display/win32/main_window_handle.h"
#include "stored/urt_file_name.h"

namespace {

constexpr int PathBufferSize = 260;
constexpr int TitleBufferSize = 512;

// The request record, in its short form (without the fields later Windows added).
OPENFILENAMEA request;
bool transferDialogOpen = false;

constexpr char UploadFilter[] =
    "Satellite Configuration Files (*.dat)\0*.dat\0URT Files (*.urt)\0*.urt\0All Files (*.*)\0*.*\0";
constexpr char DownloadFilter[] = "Satellite Configuration Files (*.dat)\0*.dat\0All Files (*.*)\0*.*\0";

void FillRequest(char* path, char* title, const std::string& initialDir, const char* filter, const char* caption,
                 DWORD flags) {
    std::memset(&request, 0, sizeof request);
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    request.hwndOwner = MainWindowHandle;
    request.hInstance = ProgramInstance;
    request.lpstrFilter = filter;
    request.nFilterIndex = 0;
    request.lpstrFile = path;
    request.nMaxFile = PathBufferSize;
    request.lpstrFileTitle = title;
    request.nMaxFileTitle = TitleBufferSize;
    request.lpstrInitialDir = initialDir.c_str();
    request.lpstrTitle = caption;
    request.Flags = flags;
    request.lpstrDefExt = "";  // present but empty: the dialog adds the chosen filter's extension
    SelectedImagePath = path;
}

// The chosen file's folder with its closing separator, kept as LastDir.
void RememberFolder(const char* path, const char* title) {
    const int folderLength = static_cast<int>(std::strlen(path)) - static_cast<int>(std::strlen(title));
    WriteProfileText("LastDir", folderLength > 0 ? std::string(path, static_cast<std::size_t>(folderLength)) : "");
}

void RunTransfer(TransferDialogKind kind) {
    transferDialogOpen = true;
    RunTransferDialog(kind);
    transferDialogOpen = false;
}

}  // namespace

bool TransferDialogIsOpen() { return transferDialogOpen; }

int ChooseUploadFile() {
    char path[PathBufferSize] = {};
    char title[TitleBufferSize] = {};
    const std::string initialDir = ReadProfileText("LastDir", "Error", SettingValueMax);
    FillRequest(path, title, initialDir, UploadFilter, "Please Select A Filename", OFN_HIDEREADONLY);
    if (!GetOpenFileNameA(&request)) return 0;
    RememberFolder(path, title);
    UrtMode = IsUrtFileName(title);
    RunTransfer(UrtMode ? TransferDialogKind::UrtUpload : TransferDialogKind::SectionUpload);
    return 0;
}

int ChooseDownloadFile() {
    char path[PathBufferSize] = {};
    char title[TitleBufferSize] = {};
    const std::string initialDir = ReadProfileText("LastDir", "Error", SettingValueMax);
    FillRequest(path, title, initialDir, DownloadFilter, "Please Specify A Filename",
                OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_CREATEPROMPT);
    if (!GetSaveFileNameA(&request)) return 0;
    // The section files replace the name's last three characters: a name typed
    // without an extension (under "All Files") gets the index file's own.
    if (!std::strchr(title, '.') && std::strlen(path) + 4 < PathBufferSize) {
        std::strcat(path, ".dat");
        std::strcat(title, ".dat");
    }
    RememberFolder(path, title);
    ShowWindow(MainWindowHandle, SW_HIDE);
    RunTransfer(TransferDialogKind::Download);
    return 0;
}
