// Letters between players: one SMAL chunk per letter file, gathered into the
// MAIL chunk of the outgoing pool and split into files again on receipt.
#pragma once
#include "platform/types.h"
#include "store/chunks.h"

inline constexpr const char MAILOUT_DIR[] = "./Data/MailOut";

// Writes a new letter to ./Data/MailOut/E<recipient>_<nn>.smal (first free
// serial from 0) and a copy to ./Data/MailIn/E<own id>_<nn>.smal. The subject
// is cut at 159 characters, the names at 39. 1 when the outgoing letter was
// written (a failed copy is only printed).
BOOL MakeSMAL(const char *EmpfaengerName, LONG EmpfaengerID, const char *Betreff, const char *MailText);
// Adds one MAIL chunk holding every "*.smal" file of the directory Path to the
// pool ChunkPool. Only files that are exactly one SMAL chunk are taken; any
// other makes the result 0. 1 also when there is no letter (the pool is not
// touched); 0 when a letter was left out or the pool could not take the chunk.
BOOL CreateMailChunk(const char *ChunkPool, const char *Path);
// Writes each SMAL letter of a loaded MAIL chunk (letters in file order) as
// DirName/<sender id>_<nn>.smal. The walk stops where a letter would pass the
// chunk's end; letters shorter than a SMAL record and other chunks are
// skipped. 1, or 0 after a letter that could not be written or a cut chunk.
BOOL DistributeEmails2Dir(const st_MAIL *Mail, const char *DirName);
