// The framework's COM support in one include.
#pragma once
#include "framework/ComBStr.h"
#include "framework/ComError.h"
#include "framework/ComGuid.h"
#include "framework/ComInit.h"
#include "framework/ComPtr.h"
