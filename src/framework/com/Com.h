// The framework's COM support in one include.
#pragma once
#include "com/ComBStr.h"
#include "com/ComError.h"
#include "com/ComGuid.h"
#include "com/ComInit.h"
#include "com/ComPtr.h"
