#pragma once
// The station's text session lives with the text-assist code.
#include "textassist/TextSession.h"
