#pragma once
// The client's small utility routines: zero-padded numbers, the password question, file times as dates,
// unscrambling stored text, the wait window and the test whether a form is open.

#include <string>

#include "platform/rtl/DateTime.h"
#include "platform/win/WinTypes.h"

// The value in decimal with at least digits digits, zero-padded after a minus sign ("%.<digits>d"); digits of
// 0 or less pad nothing.
std::string IntToStrZero(int value, int digits);

// The password dialog with the prompt. True with the text typed (possibly empty) on OK or Enter; False with
// password empty on Cancel or Esc.
bool AskPassword(std::string& password, const std::string& prompt);

// A FILETIME (UTC) as a local date-time; 0 for the zero FILETIME and for a time that cannot be converted.
TDateTime FileTimeToDateTime(const win::FILETIME& fileTime);

// plain := every byte b of text as the character (b >> 1) & 127: the stored credentials back in plain text.
void UnscrambleText(const std::string& text, std::string& plain);

// Shows the wait window with the message and lets it paint before the caller goes on; the window stays until
// HideWait and then closes itself within 500 ms, when the caller's thread pumps messages.
void ShowWait(const std::string& message);
void HideWait();

// Whether a form of that name (exact, case-sensitive) is among the application's windows.
bool FormExists(const std::string& formName);
