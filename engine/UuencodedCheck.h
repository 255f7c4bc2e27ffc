// Second check: a worm carried as uuencoded text (used on the hosts file).
#pragma once

int CheckUuencodedFile(const char* name, const char* path);
int MatchUuencodedFile(int fd);
int StartsWithBegin(int fd);
int StripWhitespace(const unsigned char* source, unsigned char* dest, int length);
int FindBytes(const unsigned char* buffer, int searchedLength, const unsigned char* pattern, int patternLength);
