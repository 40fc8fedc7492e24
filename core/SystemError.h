#pragma once

#include "core/CharString.h"

// Puts an errno value into words (the C library's text, e.g. "No such file or directory").
// A code the system has no message for gives "Unknown error %d" and false; a description that
// cannot be had gives "Can't get description for error %d" and false.
bool DescribeSystemError(int code, CCharString& text);

// The words for the current errno, for composing error texts ("Can't open %s: %s").
CCharString DescribeLastError();
