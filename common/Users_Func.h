#pragma once
// The client's small utility routines: zero-padded numbers, the password question, file times as dates,
// unscrambling stored text, the wait window and the test whether a form is open.

#include <string>

#include "platform/rtl/DateTime.h"
#include "platform/win/WinTypes.h"

// printf's "%.<digits>d": zero padding goes between the minus sign and the digits; digits <= 0 pads nothing.
std::string IntToStrZero(int value, int digits);

// The password dialog with the prompt. True with the text typed (possibly empty) on OK or Enter; False with
// password empty on Cancel or Esc.
bool AskPassword(std::string& password, const std::string& prompt);

// A FILETIME (UTC) as a local date-time; 0 for the zero FILETIME and for a time that cannot be converted.
TDateTime FileTimeToDateTime(const win::FILETIME& fileTime);

// Stored credentials hold each character's code doubled; halving every byte (kept to 7 bits) restores them.
void UnscrambleText(const std::string& text, std::string& plain);

// Puts up the wait window with message and lets it paint before the caller's long work starts. HideWait only
// marks the work done: the window closes at its next 500 ms timer tick, so the caller's thread must pump.
void ShowWait(const std::string& message);
void HideWait();

// Whether a form of that name (exact, case-sensitive) is among the application's windows.
bool FormExists(const std::string& formName);
