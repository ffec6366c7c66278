// The engine: include this one header for everything but the widgets
// ("ui/CocosGUI.h").
#pragma once

#include "audio/AudioEngine.h"
#include "base/CCApplication.h"
#include "base/CCDirector.h"
#include "base/CCEvent.h"
#include "base/CCGLView.h"
#include "base/CCLabel.h"
#include "base/CCNode.h"
#include "base/CCPlatform.h"
#include "base/CCRef.h"
#include "base/CCSprite.h"
#include "base/CCValue.h"
#include "base/ccTypes.h"
