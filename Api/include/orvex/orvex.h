#pragma once

// The library of orvex-interop: read any model file, write it with what each format keeps,
// split an assembly, check declared validation properties, compare two models, convert many
// files with one process each, write a file's offline 3D page or a picture of it. Each call
// takes its options and its progress as parameters and returns a report value with ToJson();
// none prints.

#include "orvex/Check.h"
#include "orvex/Compare.h"
#include "orvex/Context.h"
#include "orvex/Convert.h"
#include "orvex/Model.h"
#include "orvex/Page.h"
#include "orvex/Pmi.h"
#include "orvex/Read.h"
#include "orvex/Split.h"
#include "orvex/Write.h"
