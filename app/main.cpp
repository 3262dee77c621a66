// Entry point of the agent: registers the start-up operations, creates the
// Application and runs the command line.
#include "application.h"
#include "commandline.h"
#include "startupoperations.h"

int main(int argc, char* argv[])
{
    registerStartupOperations();
    int exitCode = 0;
    {
        CountedPtr<ServiceApplication> pApplication(new Application);
        CommandLine commandLine(pApplication);
        exitCode = commandLine.run(argc, argv);
    }
    return exitCode;
}
