#include "ofEvents.h"

ofAppEventSet ofAppEvents;
