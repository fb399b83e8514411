#pragma once

// The library of orvex-interop: read any model file, write it with what each format keeps,
// split an assembly, check declared validation properties, compare two models, convert many
// files with one process each, write a file's offline 3D page or a picture of it, read a .lin
// file's line styles. Each call takes its options and its progress as parameters and returns a
// value (a report with ToJson(), or the line styles with their failure); none prints.

#include "orvex/Check.h"
#include "orvex/Compare.h"
#include "orvex/Context.h"
#include "orvex/Convert.h"
#include "orvex/LineStyles.h"
#include "orvex/Model.h"
#include "orvex/Page.h"
#include "orvex/Pmi.h"
#include "orvex/Read.h"
#include "orvex/Split.h"
#include "orvex/Write.h"
