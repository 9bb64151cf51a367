#include "app/win32/setup_dialog.h"

#include <windows.h>

#include <cstring>

#include "app/config/config.h"
#include "app/win32/program_instance.h"
#include "app/win32/shell_ids.h"
#include "display/win32/main_window_handle.h"

namespace {

constexpr const char* const ListedPorts[] = {"COM1", "COM2", "COM3", "COM4"};
constexpr int PacketLengthShown = 4;   // characters of the stored value shown
constexpr int PacketLengthKept = 7;    // characters the field takes

void OnOpen(HWND dialog) {
    HWND ports = GetDlgItem(dialog, PortBoxId);
    for (const char* port : ListedPorts) SendMessageA(ports, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(port));
    const std::string packetLength = ReadProfileText("PacketLength", "Err", PacketLengthShown);
    // Re-read even if the dialog is then cancelled; whole, so that COM12 stays COM12.
    LinkSettings.PortName = ReadProfileText("Port", "COM5", SettingValueMax);
    // Only the entry whose text is the port's selects; any other port shows no entry.
    for (int i = 0; i < static_cast<int>(std::size(ListedPorts)); ++i)
        if (LinkSettings.PortName == ListedPorts[i]) SendMessageA(ports, CB_SETCURSEL, i, 0);
    SendDlgItemMessageA(dialog, PacketLengthFieldId, EM_LIMITTEXT, PacketLengthKept, 0);
    SetDlgItemTextA(dialog, PacketLengthFieldId, packetLength.c_str());
}

void OnOk(HWND dialog) {
    HWND ports = GetDlgItem(dialog, PortBoxId);
    char text[SettingValueMax + 1] = {};
    const LRESULT selected = SendMessageA(ports, CB_GETCURSEL, 0, 0);
    if (selected != CB_ERR) {
        SendMessageA(ports, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(text));
        LinkSettings.PortName = text;
    } else if (GetWindowTextA(ports, text, sizeof text) > 0) {
        LinkSettings.PortName = text;  // a port typed into the box (the list offers only four)
    }  // an empty box keeps the port read at opening

    // The first line of the field, as typed.
    char packetLength[PacketLengthKept + 1] = {};
    *reinterpret_cast<WORD*>(packetLength) = PacketLengthKept;
    const LRESULT length = SendDlgItemMessageA(dialog, PacketLengthFieldId, EM_GETLINE, 0,
                                               reinterpret_cast<LPARAM>(packetLength));
    packetLength[length >= 0 && length <= PacketLengthKept ? length : 0] = '\0';

    WriteProfileText("Port", LinkSettings.PortName);
    WriteProfileText("PacketLength", packetLength);
    EndDialog(dialog, 1);
}

INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        OnOpen(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == SetupOkId)
            OnOk(dialog);
        else if (LOWORD(wParam) == SetupCancelId)
            EndDialog(dialog, 0);  // Esc's cancel command (IDCANCEL) is not this one: ignored
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    case WM_DESTROY:
        ShowMainWindowAgain();
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

void RunSetupDialog() {
    DialogBoxParamA(ProgramInstance, MAKEINTRESOURCEA(SetupDialogId), nullptr, SetupDialogProc, 0);
}
