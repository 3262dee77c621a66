// Operating-system helpers of the program shell: the console side of the
// service commands, the system's message texts and directory listing.
#ifndef TSM_OSFUNCTIONS_H
#define TSM_OSFUNCTIONS_H

#include "countedptr.h"
#include "osfunctions_appservice.h"
#include "osfunctions_ntservice.h"
#include "serviceapplication.h"

#include <windows.h>

#include <string>
#include <vector>

// Action codes of ServiceCommand; any code above eUNINSTALL does nothing.
enum ServiceAction : int {
    eINSTALL = 0,
    eRUN_AS_SERVICE = 1,
    eSTART = 2,
    eSTOP = 3,
    eUNINSTALL = 4,
    eNOTHING = 5,
};

// Runs one service action for the application, writing its messages to
// standard error; returns the process exit code (0 or a Windows error code).
int ServiceCommand(int iAction, const CountedPtr<ServiceApplication>& pApplication);

// The system's message text for a Windows error code, without its line
// break; empty when the system has none.
std::string systemMessageText(DWORD dwError);

// The full path of the running executable, or "" if the system gives none.
std::string executablePath();

// Names of the files (not folders) that a listing pattern such as
// "C:\dir\*.vxa" matches, in the order the system lists them; empty when
// the folder does not exist.
std::vector<std::string> findFileNames(const std::string& pattern);

#endif
