// The rules of the new player's sign-up: the checks of the entries, the
// sign-up id, the operator's preset postboxes, the provider presets and the
// forum's user query. The screen (InitScreen) shows what these decide.
#pragma once
#include <cstddef>
#include <string>

#include "platform/types.h"
#include "store/chunks.h"

// The first fault of the entries as the text the player is shown, or "" when
// they pass. Full also checks the e-mail address and its provider.
std::string SignupFault(const st_INIT &rec, int Full);
// The sign-up id of the record made at time now (seconds): 0 to 9,999,998.
ULONG GeneriereChecksumme(const st_INIT &rec, ULONG now);
// An empty record: "INIT", "V001", 772.
st_INIT NewSignupRecord();
// Copies text into a record field of width bytes: at most width - 1
// characters, the rest NUL.
void SetSignupField(char *field, size_t width, const char *text);
template <size_t N> void SetSignupField(char (&field)[N], const char *text) { SetSignupField(field, N, text); }

// A postbox number 1 to 50 of the operator's preset postboxes.
ULONG PostboxNumber();
// Makes postbox n the player's: the record's Email and the options' servers,
// users and passwords.
void SetKavorPostboxNumber(st_INIT *rec, ULONG n);
// 1 when the address is on the operator's mail domain.
BOOL IsOperatorAddress(const char *Email);
// Server presets of the address's provider: with Send the SMTP server, else
// the POP server, user and a password to replace. 1 when a provider matched.
BOOL SetDefaultProviderServer(const char *Email, int Send);
// The forum's user query for name and address (and password when given),
// values percent-encoded, after the forum base URL.
std::string ForumUserQuery(const char *base, const char *name, const char *email, const char *password);

// ---- the screen's dialogs (InitScreen.cpp) ----
// 1 when the entries pass; else the first fault in the advisor's box and 0.
BOOL CheckStringsForFaults(st_INIT *rec, int Full);
// Offers a preset postbox instead of an address of the player's own; the
// options' address follows the record's in every case.
void SetKavorPostbox(st_INIT *rec);
// The forum's answer on the player name: 1 go on (free, the player's own,
// or no forum to ask), 0 refused with the reason shown.
BOOL CheckPlayernameInForum(st_INIT *rec);
// Input boxes for the options: POP server, user and password; the SMTP
// server; SMTP user and password. 0 when the player cancelled one.
BOOL SMTPAfterPOP();
BOOL GetSMTPServer();
BOOL SMTPAuth();
