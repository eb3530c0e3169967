// Resource ids shared by the resource script and the code (plugin/config_dialog.h
// spells the same numbers for the C++ side).
#pragma once

#define IDD_CONFIGURATION 101
#define IDB_LOGO 106
#define IDC_PORT_LIST 1001
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
