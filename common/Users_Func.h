#pragma once
// Small utility routines of the client.

#include <string>

// The value in decimal with at least `digits` digits, zero-padded after any minus sign.
std::string IntToStrZero(int value, int digits);
// plain := every byte of text shifted right by one and masked to 7 bits.
void UnscrambleText(const std::string& text, std::string& plain);
