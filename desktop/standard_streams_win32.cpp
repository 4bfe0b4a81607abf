#include "desktop/standard_streams.h"

void openMissingStandardStreams() {}
