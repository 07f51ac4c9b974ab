#pragma once
// Everything the framework offers, in one include.
#include "ofConstants.h"
#include "ofEvents.h"
#include "ofLog.h"
#include "ofMath.h"
#include "ofNoise.h"
#include "ofTypes.h"
#include "ofUtils.h"
