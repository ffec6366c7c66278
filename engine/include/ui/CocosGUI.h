// Widgets for screens: buttons.
#pragma once

#include "cocos2d.h"
#include "ui/UIButton.h"
#include "ui/UIWidget.h"
