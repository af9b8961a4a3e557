#include "shared_empty_text.h"

const char sharedEmptyText[1] = {'\0'};
