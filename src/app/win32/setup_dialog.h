// The Setup dialog (Options > Setup): the serial port and the packet length a
// download expects, written to config.ini on OK.
#pragma once

void RunSetupDialog();
