// An executable's event message table. The texts are kept in the binary as one
// block behind a marker, so the event log viewer can find them in the file
// named by the "EventMessageFile" registry value, as Windows finds a message
// table resource in the module. Block layout:
//   "TSM-MESSAGE-TABLE-1\n" then per message "<decimal id>\t<text>\n" (the
//   text's own "\r\n" written as the two characters "\r" "\n" escaped as
//   "\\r\\n"), then "TSM-MESSAGE-TABLE-END\n".
#ifndef TSM_MESSAGETABLE_H
#define TSM_MESSAGETABLE_H

#define TSM_MESSAGE_TABLE_BEGIN "TSM-MESSAGE-TABLE-1\n"
#define TSM_MESSAGE_TABLE_END "TSM-MESSAGE-TABLE-END\n"

// Defines the block in the executable; `entries` is a string literal of lines.
#define TSM_MESSAGE_TABLE(entries)                                                                                     \
    extern "C" {                                                                                                       \
    __attribute__((used, visibility("default"))) extern const char tsmMessageTable[];                                  \
    __attribute__((used, visibility("default"))) const char tsmMessageTable[] =                                        \
        TSM_MESSAGE_TABLE_BEGIN entries TSM_MESSAGE_TABLE_END;                                                         \
    }

#endif
