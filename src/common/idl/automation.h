// Stands in for the header widl would generate from automation.idl: the real
// declarations come from the platform's headers.
#pragma once
#include <oaidl.h>
