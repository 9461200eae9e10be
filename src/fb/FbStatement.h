#pragma once

// The statement classes callers work with: FbQuery, FbDataSet with FbField, and FbParam.
// Each lives in a file of its own.

#include "fb/FbDataSet.h"
#include "fb/FbParam.h"
#include "fb/FbParamParse.h"
#include "fb/FbQuery.h"
#include "fb/FbStatementBase.h"
