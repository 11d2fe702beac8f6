// The resources of Instal.exe (Instal.rc): its icon and the two pictures of
// the main window.
#pragma once

#define IDI_INSTAL 1
#define IDB_IMAGEDRO 101
#define IDB_IMAGEVLEVO 102
