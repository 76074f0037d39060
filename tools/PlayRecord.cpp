#include "tools/PlayRecord.h"
