// The mail record: one game mail to pack and send, or one received mail to
// unpack. The transport owns it and fills the address fields; the packer below
// it reads and replaces only the data, the length and the mode.
#pragma once
#include "platform/types.h"

// Lives only in memory (never written to a file or the wire), so its layout
// follows the host's pointer size.
struct VekMailInfo {
    UBYTE *VekMailData;          // data to pack, then the packed text; or a received text, then its data
    ULONG VekMailLength;         // bytes at VekMailData
    UWORD VekMailModus;          // 0 pack, 1 unpack; the packer sets 0 after a successful run
    STRPTR VekMailAbsender;      // sender address (required for sending)
    STRPTR VekMailAdressat;      // recipient address (required for sending)
    STRPTR VekMailSMTPUserName;  // may be empty
    STRPTR VekMailSMTPPasswort;  // may be empty
    STRPTR VekMailVorname;       // sender's first name
    STRPTR VekMailNachnahme;     // sender's last name
    STRPTR VekMailSubject;       // null: derived from the file name
    ULONG VekMailMid;            // packer state, zeroed before packing
    UWORD VekMailRound;          // packer state, zeroed before packing
    char VekMailError[80];       // the sending result text, at most 79 characters
};
