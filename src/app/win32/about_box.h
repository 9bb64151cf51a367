// The About box: closes only with its OK button (or Enter).
#pragma once

void RunAboutBox();
