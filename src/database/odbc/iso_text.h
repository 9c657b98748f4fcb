#pragma once
// Dates and times from the ODBC structures as ISO text, written digit by
// digit: the fetch of a million timestamps spent a tenth of its time in
// printf. The text is exactly what "%04d-%02u-%02u", "%02u:%02u:%02u" and
// "%04d-%02u-%02u %02u:%02u:%02u.%03u" give.
#include <cstddef>

// Each writes at most 40 characters to `out` and gives how many.
int IsoDateText(char* out, int year, unsigned month, unsigned day);
int IsoTimeText(char* out, unsigned hour, unsigned minute, unsigned second);
int IsoTimestampText(char* out, int year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                     unsigned second, unsigned milliseconds);
