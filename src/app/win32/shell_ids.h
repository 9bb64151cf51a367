// Numbers of the Windows program's own resources and commands (kestrivane.rc).
#pragma once

// Dialogs and the menu.
constexpr int MainWindowDialogId = 103;
constexpr int MainMenuId = 106;
constexpr int AboutBoxId = 112;
constexpr int SetupDialogId = 114;

// Icons.
constexpr int ProgramIconId = 102;
constexpr int ArrowIconId = 108;
constexpr int ComputerIconId = 109;
constexpr int ReceiverIconId = 116;

// Main window buttons and menu commands.
constexpr int ExitButtonId = 1000;
constexpr int UploadButtonId = 1002;
constexpr int DownloadButtonId = 1003;
constexpr int MenuUploadId = 40001;
constexpr int MenuExitId = 40002;
constexpr int MenuAboutId = 40003;
constexpr int MenuDownloadId = 40004;
constexpr int MenuSetupId = 40006;
constexpr int MenuContentsId = 40007;

// About box and Setup dialog controls.
constexpr int AboutOkId = 1016;
constexpr int PacketLengthFieldId = 1008;
constexpr int SetupOkId = 1009;
constexpr int SetupCancelId = 1010;
constexpr int PortBoxId = 1023;
