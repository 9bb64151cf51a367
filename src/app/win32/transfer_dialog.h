// The three transfer dialogs: opened by file selection once the user has chosen a
// file; their Transfer button runs the session, Cancel stops it.
#pragma once

#include <windows.h>

// Each kind is also the number of its dialog resource.
enum class TransferDialogKind { Download = 104, SectionUpload = 115, UrtUpload = 131 };

// The path the last file dialog returned (the running command's path buffer); the
// transfer dialog hands it to the session. Set by file selection.
extern const char* SelectedImagePath;

// Opens the dialog modally, without an owner window, and waits until it closes.
// Returns 1 when it ended through Transfer, 0 through Cancel or its close box.
INT_PTR RunTransferDialog(TransferDialogKind kind);
