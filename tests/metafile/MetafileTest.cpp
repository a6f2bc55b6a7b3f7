// Tests of TMetafile: recognising, checking and indexing metafile bytes.
#include <gtest/gtest.h>

#include "Metafile.h"
