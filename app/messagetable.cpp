// The event message table of the agent's event source (language 1033).
#include "tsm/messagetable.h"

// The table macro puts attributes on a declaration that GCC ignores there.
#pragma GCC diagnostic ignored "-Wattributes"

TSM_MESSAGE_TABLE("100\tThe %1 service was installed.\\r\\n\n"
                  "101\tThe %1 service was removed.\\r\\n\n"
                  "102\tThe %1 service could not be removed.\\r\\n\n"
                  "103\tThe control handler could not be installed.\\r\\n\n"
                  "104\tThe initialization process failed.\\r\\n\n"
                  "105\tThe service was started.\\r\\n\n"
                  "106\tThe service received an unsupported request.\\r\\n\n"
                  "108\tThe service was stopped.\\r\\n\n")
