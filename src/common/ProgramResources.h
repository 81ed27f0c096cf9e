// Resource identifiers of vistrel.exe, shared by its resource script, the
// tray program and the wizard.
#pragma once

#define IDB_BANNER 101

#ifndef VISTREL_VERSION_BINARY
#define VISTREL_VERSION_BINARY 1, 0, 0, 0
#define VISTREL_VERSION_TEXT "1.0.0.0"
#endif
